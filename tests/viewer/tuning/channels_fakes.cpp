#include "channels_fakes.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "vd/tuning/channel_table.h"
#include "vd/tuning/radio_tuner_control.h"
#include "vd/tuning/tv_tuner_control.h"

namespace vd::test {

void FakeContext::WriteTvStations(int32_t station, int32_t old) {
  tvStation = station;
  tvOldStation = old;
  if (journal) journal->push_back("WriteTvStations");
}

bool FakeContext::AskYesNo(const std::string& caption, const std::string& text) {
  questions.push_back(caption + "|" + text);
  return answerYes;
}

void FakeContext::ShowMessage(const std::string& caption, const std::string& text) {
  messages.push_back(caption + "|" + text);
}

void FakeContext::SetMuted(bool m) {
  muted = m;
  if (journal) journal->push_back(m ? "mute" : "unmute");
}

void FakeContext::Wait(uint32_t ms) {
  waits.push_back(ms);
  if (journal) journal->push_back("wait " + std::to_string(ms));
}

void FakeTuner::Log(const std::string& call) {
  if (journal && logAll) journal->push_back(call);
}

void FakeTuner::Destroy(uint32_t flag) {
  if (journal) journal->push_back("Destroy " + std::to_string(flag));
  if (flag & 1) delete this;
}

int32_t FakeTuner::GetTunerCaps(uint32_t* caps) {
  Log("GetTunerCaps");
  *caps = setup.caps;
  return 0;
}

int32_t FakeTuner::GetModeInfo(uint32_t mode, uint32_t* min, uint32_t* max, uint32_t* step,
                               uint32_t* a, uint32_t* b) {
  Log("GetModeInfo " + std::to_string(mode));
  *a = *b = 0;
  if (mode == 2) {
    if (setup.radioInfoFails) return -1;
    *min = setup.radioMin;
    *max = setup.radioMax;
    *step = setup.radioStep;
  } else {
    *min = setup.tvMin;
    *max = setup.tvMax;
    *step = 62500;
  }
  return 0;
}

int32_t FakeTuner::SetTunerMode(uint32_t mode) {
  Log("SetTunerMode " + std::to_string(mode));
  this->mode = mode;
  return 0;
}

int32_t FakeTuner::GetTunerKind(uint32_t* kind) {
  Log("GetTunerKind");
  *kind = mode == 2 ? 0 : setup.kind;  // radio steps are not channel numbers
  return 0;
}

int32_t FakeTuner::SetFrequency(uint32_t hz) {
  Log("SetFrequency " + std::to_string(hz));
  frequency = hz;
  return 0;
}

int32_t FakeTuner::GetFrequency(uint32_t* hz) {
  *hz = frequency;
  return 0;
}

int32_t FakeTuner::GetRadioSignal(uint32_t hz, uint32_t* present) {
  ++signalQueries[hz];
  *present = setup.radioStations.count(hz);
  return 0;
}

int32_t FakeTuner::GetChannelCount(uint32_t* last) {
  Log("GetChannelCount");
  *last = setup.channels.empty() ? 0 : static_cast<uint32_t>(setup.channels.size() - 1);
  return 0;
}

int32_t FakeTuner::SetChannel(uint32_t index) {
  Log("SetChannel " + std::to_string(index));
  if (index >= setup.channels.size() || setup.channels[index] == 0) return -1;
  channel = index;
  frequency = setup.channels[index];
  return 0;
}

int32_t FakeTuner::GetChannel(uint32_t* index) {
  *index = channel;
  return 0;
}

int32_t FakeTuner::GetChannelSignal(uint32_t index, uint32_t* present) {
  ++signalQueries[index];
  *present = setup.tvStations.count(index);
  return 0;
}

TunerFactory MakeFactory(TunerSetup setup, Journal* journal, FakeTuner** created) {
  return [setup, journal, created](KsPropertySet*, KXTuner** tuner) -> int32_t {
    auto* fake = new FakeTuner(setup, journal);  // freed by Destroy(1), as module objects are
    if (created) *created = fake;
    *tuner = fake;
    return 0;
  };
}

void FakePropertySet::Release() {
  ++releases;
  if (journal) journal->push_back("Release");
}

TempFolder::TempFolder() {
  std::string pattern = std::filesystem::temp_directory_path() / "vd_channels_XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) std::abort();
  path_ = pattern;
}

TempFolder::~TempFolder() {
  std::filesystem::remove_all(path_);
}

Rig::Rig(bool radio, TunerSetup setup, const ChannelBand* band, bool startEmpty)
    : context(folder.Path(), &journal), setup(std::move(setup)), band(band), radio(radio) {
  context.autoScan = startEmpty;
  context.workMode = radio ? vd::WorkMode::kRadio : vd::WorkMode::kTv;
  Restart();
}

Rig::~Rig() {
  control.reset();
}

void Rig::Restart() {
  control.reset();
  tuner = nullptr;
  auto factory = MakeFactory(setup, &journal, &tuner);
  if (radio) {
    control = std::make_unique<RadioTunerControl>(nullptr, context, factory);
  } else {
    const ChannelBand* b = band;
    control = std::make_unique<TvTunerControl>(nullptr, context, factory,
                                               [b](int32_t, int32_t, uint32_t) { return b; });
  }
  if (stepHook) control->Files().SetStepHook(stepHook);
  EXPECT_TRUE(control->Activate());
}

CChannelTable& Rig::Table() {
  return *control->Table();
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

bool FileExists(const std::string& path) {
  return std::filesystem::exists(path);
}

}  // namespace vd::test
