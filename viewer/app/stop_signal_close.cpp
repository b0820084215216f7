#include "stop_signal_close.h"

#include <QApplication>
#include <QDialog>
#include <QThread>
#include <QWidget>

#include "vd/mainwnd/viewer_dlg.h"
#include "vd/stop_signals.h"

StopSignalClose::StopSignalClose(CViewerDlg& window, bool started)
    : window_(window), started_(started) {
  if (vd::StopSignals::ReadFd() < 0) return;
  notifier_ = std::make_unique<QSocketNotifier>(vd::StopSignals::ReadFd(), QSocketNotifier::Read);
  connect(notifier_.get(), &QSocketNotifier::activated, this, [this] { OnSignal(); });
  retry_.setInterval(20);
  connect(&retry_, &QTimer::timeout, this, [this] { CloseWhenUnwound(); });
}

void StopSignalClose::OnSignal() {
  window_.EndOnStopSignal(vd::StopSignals::Take());
  // A dialog's own event loop may be running below us; closing the window from inside it
  // would free what that dialog's caller still uses. Dismiss the dialogs, then close from
  // the main loop once they have returned.
  for (QWidget* top : QApplication::topLevelWidgets()) {
    if (auto* dialog = qobject_cast<QDialog*>(top); dialog != nullptr && dialog->isVisible())
      dialog->reject();
  }
  retry_.start();
}

void StopSignalClose::CloseWhenUnwound() {
  if (QWidget* modal = QApplication::activeModalWidget()) {
    modal->close();
    return;
  }
  if (!started_ || QThread::currentThread()->loopLevel() > 1) return;
  // The window may refuse (a station search still finishing): try again on the next tick.
  if (window_.close()) retry_.stop();
}
