// The tuning context of a program without a window (the command-line tool, headless capture,
// benchmarks, tests): the settings are plain fields, every question is answered No, nothing
// is shown, and the tuner settles by sleeping.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <thread>

#include "tuning_context.h"

namespace vd {

class UnattendedTuning : public TuningContext {
 public:
  std::string folder;
  vd::WorkMode workMode = vd::WorkMode::kTv;
  int32_t country = 49;
  int32_t source = 0;
  int32_t country1 = 0;
  bool autoScan = false;
  // "TV_Station" and "TV_OldStation" as stored; what is written back is not kept.
  int32_t tvStation = -1;
  bool muted = false;

  std::string DataFolder() const override { return folder; }
  vd::WorkMode WorkMode() const override { return workMode; }
  int32_t Country() const override { return country; }
  int32_t Source() const override { return source; }
  int32_t Country1() const override { return country1; }
  bool AutoScan() const override { return autoScan; }
  void SwitchOffAutoScan() override { autoScan = false; }
  bool RemoteFmMemory() const override { return false; }
  int32_t TvStation() const override { return tvStation; }
  int32_t TvOldStation() const override { return tvStation; }
  void WriteTvStations(int32_t, int32_t) override {}
  bool AskYesNo(const std::string&, const std::string&) override { return false; }
  void ShowMessage(const std::string&, const std::string&) override {}
  void RequestAutomaticScan() override {}
  void Beep(uint32_t) override {}
  bool IsMuted() const override { return muted; }
  void SetMuted(bool mute) override { muted = mute; }
  void Wait(uint32_t milliseconds) override {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
  }
  void BeginWaitCursor() override {}
  void EndWaitCursor() override {}
  void RefreshChannelDisplay() override {}
  void RefreshChannelList() override {}
};

}  // namespace vd
