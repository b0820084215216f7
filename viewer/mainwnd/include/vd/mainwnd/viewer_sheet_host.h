// The settings sheet's and the station search's side of the main window: the tuner of the
// running mode, the settings they change and the panel they refresh.
#pragma once

#include <optional>

#include "vd/settings/main_settings.h"
#include "vd/sheet/scan_host.h"
#include "vd/sheet/sheet_host.h"

class CControlPanel;
class QString;
class QWidget;

namespace vd {

class SettingsStore;

class ViewerSheetHost : public ScanHost, public SheetHost {
 public:
  // What the sheet and the search ask of the main window.
  struct Owner {
    // The window the delayed re-tune runs on.
    virtual QWidget& Widget() = 0;
    virtual TunerControl* CurrentTuner() = 0;
    virtual CControlPanel* Panel() = 0;
    virtual vd::WorkMode WorkModeValue() const = 0;
    virtual MainSettings& Settings() = 0;
    virtual QString TeletextNetworkName() = 0;
    virtual bool InTuningWait() const = 0;
    virtual void RetuneStoredStation() = 0;
    virtual void SyncRemoteState() = 0;
    virtual void RefreshChannelDisplay() = 0;
    virtual void StoreChannelList() = 0;
    virtual void RefreshDeviceStatus() = 0;

   protected:
    ~Owner() = default;
  };

  ViewerSheetHost(Owner& window, SettingsStore& store) : window_(window), store_(store) {}

  // ScanHost
  TunerControl* Tuner() override;
  vd::WorkMode WorkMode() const override;
  std::string LanguageTag() const override;
  int32_t Country() const override;
  void SetCountry(int32_t code) override;
  int32_t Source() const override;
  void SetSource(int32_t source) override;
  int32_t Country1() const override;
  void SetCountry1(int32_t index) override;
  void SetIsMts(int32_t value) override;
  void EnableSoundModeButton(bool enable) override;
  void SetActiveBand(const ChannelBand* band) override;
  bool DeleteWarningOff() const override;
  void SwitchOffDeleteWarning() override;
  void ScanRunning(bool running) override;
  void RefreshChannelDisplay() override;
  void StoreChannelList() override;
  std::string TeletextName() const override;

  // SheetHost
  int32_t ToolPage() const override;
  void SetToolPage(int32_t position) override;
  void RefreshMainWindow() override;

  bool IsScanRunning() const { return scanRunning_; }
  // The settings sheet keeps its page for the mode it was opened in, even when the engine
  // forces another mode while it is open.
  void BeginSheet();
  void EndSheet() { sheetMode_.reset(); }

 private:
  // WM_USER+103: back to the stored TV station once the scan or the country change is over.
  void PostRetune();

  static constexpr int kRetuneDelayMs = 10;

  Owner& window_;
  SettingsStore& store_;
  bool scanRunning_ = false;
  std::optional<vd::WorkMode> sheetMode_;
};

}  // namespace vd
