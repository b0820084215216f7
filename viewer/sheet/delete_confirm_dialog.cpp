#include "delete_confirm_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QStyle>
#include <QVBoxLayout>

CDeleteConfirmDlg::CDeleteConfirmDlg(const QString& question, QWidget* parent) : QDialog(parent) {
  setWindowTitle(tr("Delete channel"));
  auto* icon = new QLabel(this);
  const int size = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
  icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxQuestion).pixmap(size, size));
  auto* text = new QLabel(question, this);
  text->setWordWrap(true);
  dontAsk_ = new QCheckBox(tr("Do not ask again"), this);
  dontAsk_->setProperty("controlId", kDontAskId);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* top = new QHBoxLayout;
  top->addWidget(icon, 0, Qt::AlignTop);
  top->addWidget(text, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(dontAsk_);
  layout->addWidget(buttons);
}

QString CDeleteConfirmDlg::Question(const QString& stationName) {
  return QStringLiteral("Confirm that you would like to delete ") + stationName +
         QStringLiteral("?");
}

bool CDeleteConfirmDlg::DontAskAgain() const {
  return dontAsk_->isChecked();
}
