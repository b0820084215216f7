// The tuning code's side of the main window: the settings it reads, the stored TV station,
// the questions and messages it puts to the user, the mute switch, the settling wait and the
// displays it refreshes. The window owns it and hands it to the capture engine. UI thread.
#pragma once

#include <cstdint>
#include <string>

#include "vd/tuning/tuning_context.h"

namespace vd {

struct MainSettings;
class SettingsStore;

class ViewerTuningContext : public TuningContext {
 public:
  // What the tuning code asks of the main window: the user, the sound and the displays.
  struct Owner {
    virtual bool AskYesNo(const std::string& caption, const std::string& text) = 0;
    virtual void ShowMessageBox(const std::string& caption, const std::string& text) = 0;
    virtual void Beep() = 0;
    virtual bool IsMuted() const = 0;
    virtual void SetMuted(bool muted) = 0;
    virtual void RefreshChannelDisplay() = 0;
    virtual void RefreshChannelList() = 0;

   protected:
    ~Owner() = default;
  };

  ViewerTuningContext(Owner& window, SettingsStore& store, MainSettings& settings)
      : window_(window), store_(store), settings_(settings) {}

  std::string DataFolder() const override;
  vd::WorkMode WorkMode() const override;
  int32_t Country() const override;
  int32_t Source() const override;
  int32_t Country1() const override;
  bool AutoScan() const override;
  void SwitchOffAutoScan() override;
  bool RemoteFmMemory() const override;
  int32_t TvStation() const override;
  int32_t TvOldStation() const override;
  void WriteTvStations(int32_t station, int32_t oldStation) override;
  bool AskYesNo(const std::string& caption, const std::string& text) override;
  void ShowMessage(const std::string& caption, const std::string& text) override;
  void RequestAutomaticScan() override { scanRequested_ = true; }
  void Beep(uint32_t kind) override;
  bool IsMuted() const override;
  void SetMuted(bool muted) override;
  void Wait(uint32_t milliseconds) override;
  void BeginWaitCursor() override;
  void EndWaitCursor() override;
  void RefreshChannelDisplay() override;
  // The open station lists (sheet page, automatic-scan dialog) show the table's change.
  void RefreshChannelList() override;

  // Inside Wait: a station change is letting the tuner settle.
  bool Waiting() const { return waits_ > 0; }
  // Whether the automatic search was asked for since the last call.
  bool TakeScanRequest();

 private:
  Owner& window_;
  SettingsStore& store_;
  MainSettings& settings_;
  int waits_ = 0;
  bool scanRequested_ = false;
};

}  // namespace vd
