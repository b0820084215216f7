#include "vd/sheet/auto_scan_dlg.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QVBoxLayout>
#include <utility>

#include "scan_form.h"
#include "scan_progress_wnd.h"
#include "vd/nested_loop.h"
#include "vd/sheet/scan_host.h"

CAutoScanDlg::CAutoScanDlg(vd::ScanHost& host, QWidget* parent) : QDialog(parent), host_(host) {
  setWindowTitle(QStringLiteral("Channel Search"));
  form_ = new vd::ScanForm(host, vd::ScanForm::Role::kAutoScanDialog, this);
  form_->SetCancelSource(this);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(form_, 1);
  layout->addWidget(buttons);
  // A flag raised before this scan began must not stop it on its first step.
  connect(form_->ScanButton(), &QPushButton::pressed, this, [this] { cancel_ = false; });
}

CAutoScanDlg::~CAutoScanDlg() = default;

CAutoScanDlg* CAutoScanDlg::OpenAndScan(vd::ScanHost& host, QWidget* parent) {
  auto* dialog = new CAutoScanDlg(host, parent);  // owned by parent; deleted on close
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->show();
  dialog->cancel_ = false;
  dialog->form_->RunFullScan();
  return dialog;
}

bool CAutoScanDlg::TakeCancel() {
  vd::NestedLoop modal(vd::NestedLoop::Kind::kModal);
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  return std::exchange(cancel_, false);
}

void CAutoScanDlg::done(int result) {
  if (form_->Scanning()) {
    cancel_ = true;
    form_->ProgressWindow()->Cancel();
    return;
  }
  // Deletions and new names in its list are kept on disk as the scans are.
  host_.StoreChannelList();
  QDialog::done(result);
}
