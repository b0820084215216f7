#include "vd/tuning/tuner_control.h"

#include <algorithm>
#include <set>

#include "vd/trace.h"
#include "vd/tuning/channel_table.h"

VD_DEFINE_TRACE(TraceTuner, "tuning")

namespace {

// Folders the user has heard of in this run. A folder that cannot be written stays so, and
// every change of input would ask again; the log keeps each failure. UI thread only.
std::set<std::string>& FoldersTold() {
  static std::set<std::string> told;
  return told;
}

}  // namespace

TunerControl::TunerControl(vd::KsPropertySet* props, vd::TuningContext& context)
    : context_(context), props_(props), files_(context.DataFolder()) {
  module_ = vd::TunerModule::Load();
  if (module_) CreateTuner(module_->Factory());
}

TunerControl::TunerControl(vd::KsPropertySet* props, vd::TuningContext& context,
                           vd::TunerFactory factory)
    : context_(context), props_(props), files_(context.DataFolder()) {
  if (factory) CreateTuner(factory);
}

void TunerControl::CreateTuner(const vd::TunerFactory& factory) {
  KXTuner* tuner = nullptr;
  const int32_t status = factory(props_.get(), &tuner);
  if (status != 0 || tuner == nullptr) {
    TraceTuner("NewKXTuner failed: %d\n", status);
    // A factory that failed but still handed out an object must not leak it.
    if (tuner != nullptr) tuner->Destroy(1);
    return;
  }
  tuner_ = tuner;
}

TunerControl::~TunerControl() {
  CloseList();
  props_.reset();
  if (tuner_ != nullptr) tuner_->Destroy(1);
  module_.reset();
}

bool TunerControl::CloseList() {
  // Only a table that was created can have replaced the working file; without one the saved
  // file must stay as it is.
  if (!table_) return true;
  table_.reset();
  if (files_.EndMode(radio_)) return true;
  // The saved file still holds the list from the start of the mode; the user should know
  // that this mode's changes are lost.
  TellStoreFailure("The station list could not be saved in " + files_.SavedPath(radio_) +
                   ".\nThe list as it was stored last is kept.");
  return false;
}

bool TunerControl::StoreList() {
  if (!table_ || table_->StoreNow()) return true;
  TellStoreFailure("The station list could not be saved in " + files_.SavedPath(radio_) +
                   ".\nIt is saved again when this mode ends.");
  return false;
}

void TunerControl::TellStoreFailure(const std::string& text) {
  std::string line = text;
  std::replace(line.begin(), line.end(), '\n', ' ');
  vd::LogWrite("tuning", vd::LogLevel::kWarning, "%s", line.c_str());
  if (FoldersTold().insert(files_.Folder()).second) context_.ShowMessage("Channel list", text);
}

void TunerControl::CreateTable(bool radio) {
  radio_ = radio;
  files_.BeginMode(radio);
  table_ = std::make_unique<CChannelTable>(*this, context_, files_, radio);
}

std::optional<vd::StepRange> TunerControl::GetRange() const {
  if (tuner_ == nullptr) return std::nullopt;
  return vd::StepRange{first_, last_, kind_};
}

bool TunerControl::SetFrequency(uint32_t hz) {
  if (tuner_ != nullptr) tuner_->SetFrequency(hz);
  return true;
}

uint32_t TunerControl::GetFrequency() {
  uint32_t hz = 0;
  if (tuner_ != nullptr && tuner_->GetFrequency(&hz) != 0) hz = 0;
  return hz;
}

bool TunerControl::GetTvLimits(uint32_t* min, uint32_t* max) {
  if (tuner_ == nullptr) return false;
  uint32_t step = 0, a = 0, b = 0;
  return tuner_->GetModeInfo(1, min, max, &step, &a, &b) == 0;
}

bool TunerControl::GetRadioLimits(uint32_t* min, uint32_t* max) {
  if (tuner_ == nullptr) return false;
  uint32_t step = 0, a = 0, b = 0;
  return tuner_->GetModeInfo(2, min, max, &step, &a, &b) == 0 && *max > 0;
}

uint32_t TunerControl::Probe(int32_t step, uint32_t* frequency) {
  if (tuner_ == nullptr || TuneStep(step) != 0) return 0;
  const uint32_t hz = FrequencyOfStep(step);
  const uint32_t strength = SignalAt(step);
  if (strength != 0 && frequency != nullptr) *frequency = hz;
  return strength;
}

void TunerControl::RetuneCurrent() {
  int32_t current = -1;
  if (table_ && table_->GetCurrent(&current)) table_->Select(current, false);
}

bool TunerControl::SetActiveBand(const ChannelBand* band) {
  if (kind_ != kTvKind) return false;
  band_ = band;
  return true;
}
