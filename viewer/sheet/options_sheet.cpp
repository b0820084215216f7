#include "vd/sheet/options_sheet.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include "vd/sheet/sheet_host.h"
#include "vd/sheet/sheet_page.h"
#include "vd/sheet/sheet_page_factory.h"

namespace {

constexpr const char* kTitle = "Settings";  // string 143

QString TabTitle(vd::SheetPageId id) {
  switch (id) {
    case vd::SheetPageId::kCapture:
      return QStringLiteral("Capture");
    case vd::SheetPageId::kFile:
      return QStringLiteral("File");
    case vd::SheetPageId::kDevice:
      return QStringLiteral("Device");
    case vd::SheetPageId::kStationSearch:
      return QStringLiteral("Channel Search");
    case vd::SheetPageId::kColour:
      return QStringLiteral("Color");
  }
  return {};
}

}  // namespace

COptionsSheet::COptionsSheet(vd::SheetHost& host, vd::SheetPageFactory& factory, QWidget* parent)
    : QDialog(parent), host_(host), workMode_(host.WorkMode()) {
  setWindowTitle(QString::fromLatin1(kTitle));
  setModal(true);
  tabs_ = new QTabWidget(this);
  // Apply and Help have no meaning here: the pages apply on OK, and help is the panel's.
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tabs_);
  layout->addWidget(buttons);

  for (vd::SheetPageId id : vd::SheetPages::For(workMode_)) {
    QWidget* page = factory.CreatePage(id, tabs_);
    if (page == nullptr) continue;
    pages_.push_back({id, page});
    tabs_->addTab(page, TabTitle(id));
  }

  // The stored value is a place in the mode's row; with pages missing the tab may differ.
  const int32_t start = vd::SheetPages::StartPosition(workMode_, host_.ToolPage());
  const vd::SheetPageId startId = vd::SheetPages::For(workMode_).empty()
                                      ? vd::SheetPageId::kCapture
                                      : vd::SheetPages::For(workMode_)[start];
  int startTab = 0;
  for (size_t i = 0; i < pages_.size(); ++i) {
    if (pages_[i].id == startId) startTab = static_cast<int>(i);
  }
  tabs_->setCurrentIndex(startTab);
  OnPageActivated(tabs_->currentIndex());
  connect(tabs_, &QTabWidget::currentChanged, this, &COptionsSheet::OnPageActivated);
}

COptionsSheet::~COptionsSheet() {
  host_.SetToolPage(activePosition_);
  host_.RefreshMainWindow();
}

QWidget* COptionsSheet::Page(vd::SheetPageId id) const {
  for (const Entry& entry : pages_) {
    if (entry.id == id) return entry.widget;
  }
  return nullptr;
}

std::vector<vd::SheetPageId> COptionsSheet::PageIds() const {
  std::vector<vd::SheetPageId> ids;
  for (const Entry& entry : pages_) ids.push_back(entry.id);
  return ids;
}

void COptionsSheet::OnPageActivated(int tab) {
  if (tab < 0 || static_cast<size_t>(tab) >= pages_.size()) return;
  activePosition_ = vd::SheetPages::PositionOf(workMode_, pages_[static_cast<size_t>(tab)].id);
}

void COptionsSheet::done(int result) {
  for (const Entry& entry : pages_) {
    auto* page = dynamic_cast<vd::SheetPage*>(entry.widget);
    // A scan pumps events; closing under it would pull the page away from the running scan.
    if (page != nullptr && !page->CanClose()) {
      QApplication::beep();
      return;
    }
  }
  for (const Entry& entry : pages_) {
    if (auto* page = dynamic_cast<vd::SheetPage*>(entry.widget)) {
      if (result == QDialog::Accepted) {
        page->OnOk();
      } else {
        page->OnCancel();
      }
    }
  }
  QDialog::done(result);
}
