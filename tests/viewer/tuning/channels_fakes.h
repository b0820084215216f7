// Test doubles for the tuning code: a viewer context that records what it was asked, a
// simulated tuner module object and a property set.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "kxtuner.h"
#include "vd/tuning/tuner_control.h"
#include "vd/tuning/tuning_context.h"

namespace vd::test {

// Shared journal, so tests can check the order of calls across objects.
using Journal = std::vector<std::string>;

class FakeContext : public TuningContext {
 public:
  explicit FakeContext(std::string folder, Journal* journal = nullptr)
      : folder(std::move(folder)), journal(journal) {}

  std::string DataFolder() const override { return folder; }
  vd::WorkMode WorkMode() const override { return workMode; }
  int32_t Country() const override { return country; }
  int32_t Source() const override { return source; }
  int32_t Country1() const override { return country1; }
  bool AutoScan() const override { return autoScan; }
  void SwitchOffAutoScan() override { autoScan = false; }
  bool RemoteFmMemory() const override { return fmMemory; }
  int32_t TvStation() const override { return tvStation; }
  int32_t TvOldStation() const override { return tvOldStation; }
  void WriteTvStations(int32_t station, int32_t old) override;
  bool AskYesNo(const std::string& caption, const std::string& text) override;
  void ShowMessage(const std::string& caption, const std::string& text) override;
  void RequestAutomaticScan() override { ++scanRequests; }
  void Beep(uint32_t kind) override { beeps.push_back(kind); }
  bool IsMuted() const override { return muted; }
  void SetMuted(bool m) override;
  void Wait(uint32_t ms) override;
  void BeginWaitCursor() override { ++cursorDepth; }
  void EndWaitCursor() override { --cursorDepth; }
  void RefreshChannelDisplay() override { ++displayRefreshes; }
  void RefreshChannelList() override { ++listRefreshes; }

  std::string folder;
  Journal* journal;
  vd::WorkMode workMode = vd::WorkMode::kTv;
  int32_t country = 49;
  int32_t source = 0;
  int32_t country1 = 0;
  bool autoScan = false;
  bool fmMemory = false;
  int32_t tvStation = 0;
  int32_t tvOldStation = 0;
  bool answerYes = false;
  bool muted = false;
  std::vector<std::string> questions;
  std::vector<std::string> messages;
  std::vector<uint32_t> beeps;
  std::vector<uint32_t> waits;
  int scanRequests = 0;
  int cursorDepth = 0;
  int displayRefreshes = 0;
  int listRefreshes = 0;
};

// What the simulated tuner offers.
struct TunerSetup {
  uint32_t caps = 3;
  uint32_t kind = 1;
  std::vector<uint32_t> channels;  // TV channel index -> Hz; 0 = SetChannel fails
  std::set<uint32_t> tvStations;   // indices with a signal
  uint32_t tvMin = 40000000, tvMax = 900000000;
  uint32_t radioMin = 87500000, radioMax = 108000000, radioStep = 50000;
  std::set<uint32_t> radioStations;  // Hz with a signal
  bool radioInfoFails = false;
};

class FakeTuner : public KXTuner {
 public:
  FakeTuner(TunerSetup setup, Journal* journal) : setup(std::move(setup)), journal(journal) {}
  virtual ~FakeTuner() = default;

  void Destroy(uint32_t flag) override;
  int32_t GetTunerCaps(uint32_t* caps) override;
  int32_t GetModeInfo(uint32_t mode, uint32_t* min, uint32_t* max, uint32_t* step, uint32_t* a,
                      uint32_t* b) override;
  int32_t SetTunerMode(uint32_t mode) override;
  int32_t GetTunerKind(uint32_t* kind) override;
  int32_t SetFrequency(uint32_t hz) override;
  int32_t GetFrequency(uint32_t* hz) override;
  int32_t Reserved7() override { return -1; }
  int32_t GetRadioSignal(uint32_t hz, uint32_t* present) override;
  int32_t GetChannelCount(uint32_t* last) override;
  int32_t SetChannel(uint32_t index) override;
  int32_t GetChannel(uint32_t* index) override;
  int32_t GetChannelSignal(uint32_t index, uint32_t* present) override;

  TunerSetup setup;
  Journal* journal;
  bool logAll = true;  // scans switch the per-call journal off
  uint32_t mode = 0;
  uint32_t frequency = 0;
  uint32_t channel = 0;
  std::map<uint32_t, int> signalQueries;  // step or Hz -> how often its signal was asked

 private:
  void Log(const std::string& call);
};

// A factory creating a FakeTuner; *created points at it while it lives.
TunerFactory MakeFactory(TunerSetup setup, Journal* journal, FakeTuner** created);

class FakePropertySet : public KsPropertySet {
 public:
  explicit FakePropertySet(Journal* journal) : journal(journal) {}
  void AddRef() override {}
  void Release() override;
  HResult Get(const Guid&, uint32_t, const void*, uint32_t, void*, uint32_t, uint32_t*) override {
    return kEFail;
  }
  HResult Set(const Guid&, uint32_t, const void*, uint32_t, const void*, uint32_t) override {
    return kEFail;
  }
  HResult QuerySupported(const Guid&, uint32_t, uint32_t*) override { return kEFail; }

  Journal* journal;
  int releases = 0;
};

// A fresh folder under the test's temporary directory, removed afterwards.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  const std::string& Path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// A TV or radio tuner control on a simulated tuner, with its files in a fresh folder.
struct Rig {
  // startEmpty: the first start answers No to the automatic scan, so the table starts empty
  // instead of filled with the default list.
  Rig(bool radio, TunerSetup setup, const ChannelBand* band = nullptr, bool startEmpty = true);
  ~Rig();
  // Ends the mode and starts it again, as a change of work mode and back does.
  void Restart();
  CChannelTable& Table();

  TempFolder folder;
  Journal journal;
  FakeContext context;
  TunerSetup setup;
  const ChannelBand* band;
  bool radio;
  FakeTuner* tuner = nullptr;
  std::unique_ptr<TunerControl> control;
  // Installed on the next control's files before it activates.
  std::function<bool(std::string_view)> stepHook;
};

std::vector<uint8_t> ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);
bool FileExists(const std::string& path);

}  // namespace vd::test
