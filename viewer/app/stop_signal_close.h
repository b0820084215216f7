// Ends the viewer on SIGTERM, SIGINT or SIGHUP the way its close button does: open dialogs
// are dismissed, and once their event loops have returned the main window closes, which
// stops a recording, saves the settings and channel lists and clears WinHandle. What goes
// wrong on that way out is written to the log, not asked about: nobody is there to answer.
#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <QTimer>
#include <memory>

class CViewerDlg;

class StopSignalClose : public QObject {
 public:
  // `window` must outlive this object. One made before the window has started only
  // dismisses dialogs until WindowStarted: the window is closed from the main loop of a
  // started viewer, never from a loop its start runs.
  explicit StopSignalClose(CViewerDlg& window, bool started = true);
  void WindowStarted() { started_ = true; }

 private:
  void OnSignal();
  void CloseWhenUnwound();

  CViewerDlg& window_;
  std::unique_ptr<QSocketNotifier> notifier_;
  QTimer retry_;
  bool started_;
};
