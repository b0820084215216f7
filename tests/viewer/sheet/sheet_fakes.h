// Test doubles for the sheet and the scan windows: a main window that records what it was
// told, a scripted answerer for the message function, and a TV or radio rig with stations.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "channels_fakes.h"
#include "country_table.h"
#include "sheet_message.h"
#include "vd/sheet/scan_host.h"

namespace vd::test {

class FakeScanHost : public ScanHost {
 public:
  TunerControl* Tuner() override { return tuner; }
  vd::WorkMode WorkMode() const override { return workMode; }
  std::string LanguageTag() const override { return languageTag; }
  int32_t Country() const override { return country; }
  void SetCountry(int32_t code) override { country = code; }
  int32_t Source() const override { return source; }
  void SetSource(int32_t s) override { source = s; }
  int32_t Country1() const override { return country1; }
  void SetCountry1(int32_t index) override {
    country1 = index;
    ++country1Writes;
  }
  void SetIsMts(int32_t value) override { isMts.push_back(value); }
  void EnableSoundModeButton(bool enable) override { soundButton.push_back(enable); }
  void SetActiveBand(const ChannelBand* b) override { bands.push_back(b); }
  bool DeleteWarningOff() const override { return deleteWarningOff; }
  void SwitchOffDeleteWarning() override { deleteWarningOff = true; }
  void ScanRunning(bool running) override { scanStates.push_back(running); }
  void RefreshChannelDisplay() override;
  void StoreChannelList() override { ++listStores; }
  std::string TeletextName() const override { return teletextName; }

  TunerControl* tuner = nullptr;
  vd::WorkMode workMode = vd::WorkMode::kTv;
  std::string languageTag = "English";
  int32_t country = 49;
  int32_t source = 0;
  int32_t country1 = 0;
  int country1Writes = 0;
  std::vector<int32_t> isMts;
  std::vector<bool> soundButton;
  std::vector<const ChannelBand*> bands;
  bool deleteWarningOff = false;
  std::vector<bool> scanStates;
  int displayRefreshes = 0;
  int listStores = 0;
  std::string teletextName;
  // Called on every display refresh (the scan's per-station hook).
  std::function<void()> onRefresh;
};

// Answers the message function from a queue (No/Cancel when it runs dry) and keeps the
// questions; restores the real dialogs when it goes.
class MessageScript {
 public:
  MessageScript();
  ~MessageScript();
  void Answer(bool accepted, bool dontAskAgain = false) {
    answers.push_back({accepted, dontAskAgain});
  }

  std::vector<MessageRequest> asked;
  std::deque<MessageAnswer> answers;

 private:
  SheetMessage::Handler previous_;
};

// Ten TV channel indices 50, 60, ... 140 MHz; the band names indices 0..7 channels 1..8.
struct TvStations {
  explicit TvStations(std::set<uint32_t> stations, bool radio = false);
  CChannelTable& Table() { return rig->Table(); }
  std::vector<std::string> Names();

  uint32_t bandHz[8];
  ChannelBand band;
  std::unique_ptr<Rig> rig;
  FakeScanHost host;
};

// Keeps the English country names in force after a test that switched the language.
struct EnglishNamesAfter {
  ~EnglishNamesAfter() { CountryTable::ApplyLanguage("English"); }
};

}  // namespace vd::test
