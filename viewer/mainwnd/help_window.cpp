#include "help_window.h"

#include <QDialogButtonBox>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace vd {

HelpWindow::HelpWindow(const QString& file, QWidget* parent)
    : QDialog(parent), browser_(new QTextBrowser(this)) {
  // Not modal: the viewer stays usable beside its help, as it does beside a browser.
  setWindowFlag(Qt::WindowMinMaxButtonsHint);
  setSizeGripEnabled(true);
  // Links leaving the page go to the desktop's opener; those within it stay here.
  browser_->setOpenExternalLinks(true);
  connect(browser_, &QTextBrowser::sourceChanged, this, [this] {
    const QString title = browser_->documentTitle();
    setWindowTitle(title.isEmpty() ? QStringLiteral("Help") : title);
  });
  browser_->setSource(QUrl::fromLocalFile(file));
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(browser_);
  layout->addWidget(buttons);
  resize(760, 640);
}

}  // namespace vd
