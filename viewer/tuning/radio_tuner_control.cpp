#include "vd/tuning/radio_tuner_control.h"

#include "vd/tuning/channel_table.h"

RadioTunerControl::RadioTunerControl(vd::KsPropertySet* props, vd::TuningContext& context)
    : TunerControl(props, context) {}

RadioTunerControl::RadioTunerControl(vd::KsPropertySet* props, vd::TuningContext& context,
                                     vd::TunerFactory factory)
    : TunerControl(props, context, std::move(factory)) {}

bool RadioTunerControl::Activate() {
  if (tuner_ == nullptr) return false;
  uint32_t caps = 0;
  if (tuner_->GetTunerCaps(&caps) != 0 || (caps & 2) == 0) return false;
  first_ = 0;
  uint32_t count = 0;
  tuner_->GetChannelCount(&count);
  last_ = static_cast<int32_t>(count > CChannelTable::kCapacity ? CChannelTable::kCapacity : count);
  tuner_->SetTunerMode(2);
  tuner_->GetTunerKind(&kind_);
  uint32_t min = 0, max = 0, width = 0, a = 0, b = 0;
  if (tuner_->GetModeInfo(2, &min, &max, &width, &a, &b) == 0 && width != 0) {
    stepWidth_ = width;
    last_ = static_cast<int32_t>(max / width);
    first_ = static_cast<int32_t>(min / width);
  }
  // Without a step width every step would be 0 Hz and the current step a division by zero.
  if (stepWidth_ == 0) return false;
  TuneStep(first_);
  CreateTable(true);
  return true;
}

uint32_t RadioTunerControl::FrequencyOfStep(int32_t step) {
  return StepFrequency(step);
}

int32_t RadioTunerControl::TuneStep(int32_t step) {
  if (tuner_ == nullptr || step < 0) return -1;
  return tuner_->SetFrequency(StepFrequency(step));
}

bool RadioTunerControl::GetCurrentStep(int32_t* step) {
  uint32_t hz = 0;
  if (tuner_ == nullptr || stepWidth_ == 0 || tuner_->GetFrequency(&hz) != 0) return false;
  *step = static_cast<int32_t>(hz / stepWidth_);
  return true;
}

uint32_t RadioTunerControl::SignalAt(int32_t /*step*/) {
  uint32_t hz = 0, present = 0;
  if (tuner_ == nullptr || tuner_->GetFrequency(&hz) != 0) return 0;
  return tuner_->GetRadioSignal(hz, &present) == 0 ? present : 0;
}

uint32_t RadioTunerControl::StepFrequency(int32_t step) {
  if (step < 0) return 0;
  const uint64_t hz = static_cast<uint64_t>(step) * stepWidth_;
  return hz > UINT32_MAX ? 0 : static_cast<uint32_t>(hz);
}

bool RadioTunerControl::ToggleMemory() {
  storing_ = !storing_;
  return storing_;
}

void RadioTunerControl::StationKey(int n) {
  CChannelTable* table = Table();
  if (table == nullptr || n < 0 || n >= kPresetCount) return;
  if (!storing_) {
    table->Select(n, true);
    Context().RefreshChannelDisplay();
    return;
  }
  int32_t current = -1;
  if (table->GetCurrent(&current)) {
    table->Swap(current, n);
    Context().RefreshChannelList();
    Context().RefreshChannelDisplay();
  }
  storing_ = false;
}
