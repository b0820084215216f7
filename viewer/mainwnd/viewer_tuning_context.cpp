#include "vd/mainwnd/viewer_tuning_context.h"

#include <QApplication>
#include <QCoreApplication>
#include <QThread>
#include <chrono>

#include "vd/nested_loop.h"
#include "vd/settings/main_settings.h"
#include "vd/settings/settings_store.h"
#include "vd/settings/settings_table.h"

namespace vd {

std::string ViewerTuningContext::DataFolder() const {
  return settings_.path;
}

vd::WorkMode ViewerTuningContext::WorkMode() const {
  return settings_.workMode;
}

int32_t ViewerTuningContext::Country() const {
  return settings_.country;
}

int32_t ViewerTuningContext::Source() const {
  return settings_.source;
}

int32_t ViewerTuningContext::Country1() const {
  return store_.ReadDword(kSection, setting::kCountry1, 0);
}

bool ViewerTuningContext::AutoScan() const {
  return settings_.autoScan != 0;
}

void ViewerTuningContext::SwitchOffAutoScan() {
  settings_.autoScan = 0;
}

bool ViewerTuningContext::RemoteFmMemory() const {
  return settings_.remoteFmMemory != 0;
}

int32_t ViewerTuningContext::TvStation() const {
  return store_.ReadDword(kSection, setting::kTvStation, 0);
}

int32_t ViewerTuningContext::TvOldStation() const {
  return store_.ReadDword(kSection, setting::kTvOldStation, 0);
}

void ViewerTuningContext::WriteTvStations(int32_t station, int32_t oldStation) {
  store_.Update([&](SettingsStore::Batch& b) {
    b.WriteDword(kSection, setting::kTvStation, station);
    b.WriteDword(kSection, setting::kTvOldStation, oldStation);
  });
}

bool ViewerTuningContext::AskYesNo(const std::string& caption, const std::string& text) {
  return window_.AskYesNo(caption, text);
}

void ViewerTuningContext::ShowMessage(const std::string& caption, const std::string& text) {
  window_.ShowMessageBox(caption, text);
}

void ViewerTuningContext::Beep(uint32_t) {
  window_.Beep();
}

bool ViewerTuningContext::IsMuted() const {
  return window_.IsMuted();
}

void ViewerTuningContext::SetMuted(bool muted) {
  window_.SetMuted(muted);
}

void ViewerTuningContext::Wait(uint32_t milliseconds) {
  // The tuner settles while the loop keeps running, so that the frames keep arriving. The
  // station change that waits is still on the stack: the gate holds back every posted
  // command (a device removal, the remote's keys) until it is done.
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  NestedLoop settle(NestedLoop::Kind::kSettle);
  ++waits_;
  while (std::chrono::steady_clock::now() < until) {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 5);
    QThread::msleep(1);
  }
  --waits_;
}

void ViewerTuningContext::BeginWaitCursor() {
  QApplication::setOverrideCursor(Qt::WaitCursor);
}

void ViewerTuningContext::EndWaitCursor() {
  QApplication::restoreOverrideCursor();
}

void ViewerTuningContext::RefreshChannelDisplay() {
  window_.RefreshChannelDisplay();
}

void ViewerTuningContext::RefreshChannelList() {
  window_.RefreshChannelList();
}

bool ViewerTuningContext::TakeScanRequest() {
  const bool requested = scanRequested_;
  scanRequested_ = false;
  return requested;
}

}  // namespace vd
