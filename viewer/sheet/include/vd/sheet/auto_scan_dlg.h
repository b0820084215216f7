// The automatic scan dialog: the station-search controls in a window of their own, opened
// from the start-up offer for an empty TV list. "Auto scan" set runs a full scan; cleared, a
// single seek to the next station that the dialog's close request cancels.
#pragma once

#include <QDialog>

#include "vd/tuning/scan_progress.h"

namespace vd {
class ScanForm;
class ScanHost;
}  // namespace vd

class CAutoScanDlg : public QDialog, public vd::ScanCancelSource {
  Q_OBJECT

 public:
  explicit CAutoScanDlg(vd::ScanHost& host, QWidget* parent = nullptr);
  ~CAutoScanDlg() override;

  // Opens the dialog (deleted when closed) and runs a full scan at once, as the start-up
  // offer does once the main window is up.
  static CAutoScanDlg* OpenAndScan(vd::ScanHost& host, QWidget* parent);

  vd::ScanForm* Form() const { return form_; }
  bool CancelRaised() const { return cancel_; }

  // ScanCancelSource: runs the event loop, then reads and clears the flag.
  bool TakeCancel() override;

  // While a scan runs, closing raises the cancel flag (and cancels the progress window of a
  // full scan) instead of closing.
  void done(int result) override;

 private:
  vd::ScanHost& host_;
  vd::ScanForm* form_ = nullptr;  // child
  bool cancel_ = false;
};
