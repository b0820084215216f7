#include "vd/mainwnd/viewer_sheet_host.h"

#include <QMetaObject>
#include <QString>
#include <QTimer>
#include <QWidget>

#include "vd/panel/control_panel.h"
#include "vd/settings/locale_ids.h"
#include "vd/settings/settings_store.h"
#include "vd/settings/settings_table.h"
#include "vd/tuning/tuner_control.h"

namespace vd {

TunerControl* ViewerSheetHost::Tuner() {
  return window_.CurrentTuner();
}

std::string ViewerSheetHost::LanguageTag() const {
  return std::string(SystemInterfaceLanguageTag());
}

vd::WorkMode ViewerSheetHost::WorkMode() const {
  return window_.WorkModeValue();
}

int32_t ViewerSheetHost::Country() const {
  return window_.Settings().country;
}

void ViewerSheetHost::SetCountry(int32_t code) {
  const bool changed = window_.Settings().country != code;
  window_.Settings().country = code;
  // The remote's sound-mode key depends on the country.
  window_.SyncRemoteState();
  if (changed) PostRetune();
}

void ViewerSheetHost::PostRetune() {
  // Queued, as the page asks from inside its own handlers: the re-tune runs once they are done.
  // A station change waits for the tuner with the loop running; a re-tune arriving inside
  // that wait would be overtaken by the selection still under way, so it comes again later.
  QMetaObject::invokeMethod(
      &window_.Widget(),
      [this] {
        if (window_.InTuningWait()) {
          QTimer::singleShot(kRetuneDelayMs, &window_.Widget(), [this] { PostRetune(); });
        } else {
          window_.RetuneStoredStation();
        }
      },
      Qt::QueuedConnection);
}

int32_t ViewerSheetHost::Source() const {
  return window_.Settings().source;
}

void ViewerSheetHost::SetSource(int32_t source) {
  window_.Settings().source = source;
}

int32_t ViewerSheetHost::Country1() const {
  return store_.ReadDword(kSection, setting::kCountry1, 0);
}

void ViewerSheetHost::SetCountry1(int32_t index) {
  store_.WriteDword(kSection, setting::kCountry1, index);
}

void ViewerSheetHost::SetIsMts(int32_t value) {
  window_.Settings().isMts = value;
}

void ViewerSheetHost::EnableSoundModeButton(bool) {
  MainSettings& s = window_.Settings();
  if (window_.Panel() != nullptr) window_.Panel()->SetSoundMode({s.isMts, s.mtsMode, s.mtsPalMode});
}

void ViewerSheetHost::SetActiveBand(const ChannelBand* band) {
  if (TunerControl* tuner = Tuner()) tuner->SetActiveBand(band);
}

bool ViewerSheetHost::DeleteWarningOff() const {
  return window_.Settings().delChWarning != 0;
}

void ViewerSheetHost::SwitchOffDeleteWarning() {
  window_.Settings().delChWarning = 1;
}

void ViewerSheetHost::ScanRunning(bool running) {
  scanRunning_ = running;
  // The panel refuses mode changes and the window refuses to close meanwhile.
  if (window_.Panel() != nullptr) window_.Panel()->setProperty("scanRunning", running);
  if (!running) PostRetune();
}

std::string ViewerSheetHost::TeletextName() const {
  return window_.TeletextNetworkName().toStdString();
}

void ViewerSheetHost::RefreshChannelDisplay() {
  window_.RefreshChannelDisplay();
}

void ViewerSheetHost::StoreChannelList() {
  window_.StoreChannelList();
}

void ViewerSheetHost::BeginSheet() {
  sheetMode_ = window_.WorkModeValue();
}

int32_t ViewerSheetHost::ToolPage() const {
  const vd::WorkMode mode = sheetMode_.value_or(window_.WorkModeValue());
  return window_.Settings().toolPage[vd::StoredNumber(mode)];
}

void ViewerSheetHost::SetToolPage(int32_t position) {
  const vd::WorkMode mode = sheetMode_.value_or(window_.WorkModeValue());
  window_.Settings().toolPage[vd::StoredNumber(mode)] = position;
}

void ViewerSheetHost::RefreshMainWindow() {
  window_.RefreshDeviceStatus();
}

}  // namespace vd
