// What fine tuning and digit entry need from the main window and the control panel. All of
// it runs on the UI thread.
#pragma once

#include <cstdint>
#include <string>

#include "vd/view_modes.h"

namespace vd {

class EntryHost {
 public:
  // Arguments of RefreshDisplay with a meaning of their own (otherwise n >= 0 is a TV
  // channel number to show and remember while the list is empty).
  static constexpr int kShowRemembered = -1;
  static constexpr int kRedrawOnly = -1000;
  static constexpr uint32_t kEntryTimerId = 213;
  static constexpr uint32_t kEntryTimeoutMs = 2000;

  virtual ~EntryHost() = default;

  virtual vd::WorkMode WorkMode() const = 0;
  // The capture engine is writing a capture.
  virtual bool IsCapturing() const = 0;

  // Timer 213; when it fires the host calls DigitEntry::OnTimer.
  virtual void StartEntryTimer(uint32_t milliseconds) = 0;
  virtual void StopEntryTimer() = 0;

  // Puts text in the panel's number field until the next refresh.
  virtual void ShowText(const std::string& text) = 0;
  // The panel's display refresh with argument n.
  virtual void RefreshDisplay(int n) = 0;
  // Refreshes the scan window's station list when that window is open.
  virtual void RefreshScanWindow() = 0;
  // The system beep of this kind (vd::kBeepQuestion, vd::kBeepDefault).
  virtual void Beep(uint32_t kind) = 0;
};

}  // namespace vd
