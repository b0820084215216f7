// Test doubles for the UI side of the remote commands: a host that records what it was
// asked, and a plain station list and tuner for cases the real table makes awkward.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "country_table.h"
#include "vd/remote/entry_host.h"
#include "vd/remote/station_list.h"
#include "vd/remote/tuner_port.h"

namespace vd::test {

class FakeHost : public EntryHost {
 public:
  vd::WorkMode WorkMode() const override { return workMode; }
  bool IsCapturing() const override { return capturing; }
  void StartEntryTimer(uint32_t ms) override { timer.push_back("start " + std::to_string(ms)); }
  void StopEntryTimer() override { timer.push_back("stop"); }
  void ShowText(const std::string& text) override { texts.push_back(text); }
  void RefreshDisplay(int n) override { refreshes.push_back(n); }
  void RefreshScanWindow() override { ++scanRefreshes; }
  void Beep(uint32_t kind) override { beeps.push_back(kind); }

  vd::WorkMode workMode = vd::WorkMode::kTv;
  bool capturing = false;
  std::vector<std::string> timer;
  std::vector<std::string> texts;
  std::vector<int> refreshes;
  std::vector<uint32_t> beeps;
  int scanRefreshes = 0;
};

struct FakeStation {
  uint32_t hz;
  std::string name;
};

class FakeStations : public StationList, public TunerPort {
 public:
  int32_t Count() const override { return static_cast<int32_t>(stations.size()); }
  int32_t Current() const override { return current; }
  uint32_t FrequencyAt(int32_t i) const override { return stations.at(i).hz; }
  int32_t IndexOfFrequency(uint32_t hz) const override;
  void SetFrequencyAt(int32_t i, uint32_t hz) override { stations.at(i).hz = hz; }
  void Rename(int32_t i, const std::string& name) override { stations.at(i).name = name; }
  void Select(int32_t i) override;
  bool AddByFrequency(uint32_t hz) override;

  void SetFrequency(uint32_t hz) override { tuned.push_back(hz); }
  bool GetTvLimits(uint32_t* min, uint32_t* max) override;
  const ChannelBand* ActiveBand() const override { return band; }

  std::vector<FakeStation> stations;
  int32_t current = -1;
  std::vector<uint32_t> tuned;
  std::vector<int32_t> selected;
  bool limitsKnown = true;
  uint32_t tvMin = 44000000;
  uint32_t tvMax = 860000000;
  const ChannelBand* band = nullptr;
};

}  // namespace vd::test
