// What the capture engine asks of the window that hosts it: the one message routine, the
// timers, the capture-statistics bar, the status display and the main window's reactions.
// The viewer's main window implements it; vdtool and the tests implement it without a window.
// Threads: the engine calls every operation on the UI thread (the thread running the default
// GLib main context).
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "vd/view_modes.h"

namespace vd {

struct CopyControl;

// The fields of the capture-statistics bar; blanks after a reset.
struct StatisticsText {
  std::string captured;  // "%ld"
  std::string seconds;   // "%.1f Secs"
  std::string dropped;   // "%ld"
  std::string fps;       // "%.1f fps"
  std::string rate;      // "%.1f mb\sec"
  std::string disk;      // the recording time left on the disk (DiskBudget::TextOf)
};

// A hardware card that the setting Only_Corvalen_Devices rules out while no card of the
// product's is there to use instead.
struct CardOffer {
  std::string name;
  std::string driver;
  std::string busPath;
  // No device is left without it: the engine then ends with "Sorry, ...".
  bool nothingElse = false;
};

class CaptureHost {
 public:
  // The engine's failure routine: a task-modal warning owned by the video window, no
  // caption. Tests capture the texts.
  virtual void ShowMessage(const std::string& text) = 0;
  // A plain message box with a caption ("Error", "ERROR") or none (empty caption).
  virtual void ShowMessageBox(const std::string& caption, const std::string& text) = 0;

  // Whether to use `card` after all; yes switches the setting off. Asked at the start,
  // before any message about missing hardware, and never again for a card declined once.
  virtual bool OfferCard(const CardOffer& card) = 0;

  // Main-window timers; the host calls CaptureGraph::OnTimer(id) on each expiry.
  virtual void SetTimer(uint32_t id, uint32_t milliseconds) = 0;
  virtual void KillTimer(uint32_t id) = 0;

  virtual void ShowStatistics(const StatisticsText& text) = 0;
  // The main window's status display during a capture.
  virtual void ShowCaptureProgress(double seconds, int64_t bytes) = 0;
  // One line in the status strip for what the user should know but need not answer (a card
  // without sound): it would be a box at every start.
  virtual void ShowStatusNote(const std::string& text) = 0;

  // The engine had to change the work mode (a device without a tuner runs in mode 1).
  virtual void OnWorkModeForced(vd::WorkMode mode) = 0;
  // The capture device went away (the main window closes or disables itself); called once
  // for each loss, by whichever of the recording and the enumerator notices it first.
  virtual void OnDeviceLost() = 0;
  // After every handled device change: enable or disable the commands.
  virtual void RefreshControls() = 0;
  // A capture ended on its own (write failure, unplug); the main window leaves its capture
  // state and returns to live view.
  virtual void OnCaptureAborted() = 0;
  // The time limit was reached: run the main window's capture command, which ends it.
  virtual void RunCaptureCommand() = 0;
  // A film was saved into the album folder.
  virtual void MarkAlbumForRefresh() = 0;
  // Resize the video area to width x height (no z-order change).
  virtual void ResizeVideoArea(int32_t width, int32_t height) = 0;
  // A save copies the capture file on a worker thread, which may take minutes: the host
  // shows how far it is and lets the user stop it (control.cancel). It returns only once
  // `finished` says so; the engine refuses a new recording until then.
  virtual void WaitForCopy(CopyControl& control, const std::function<bool()>& finished) = 0;

 protected:
  ~CaptureHost() = default;
};

}  // namespace vd
