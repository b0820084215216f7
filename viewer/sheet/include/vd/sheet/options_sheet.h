// The settings sheet: the pages of the work mode in their order, opened on the page last
// shown in that mode, which it hands back to the main window when it goes.
#pragma once

#include <QDialog>
#include <cstdint>
#include <vector>

#include "sheet_pages.h"

class QTabWidget;

namespace vd {
class SheetHost;
class SheetPageFactory;
}  // namespace vd

class COptionsSheet : public QDialog {
  Q_OBJECT

 public:
  COptionsSheet(vd::SheetHost& host, vd::SheetPageFactory& factory, QWidget* parent = nullptr);
  // Stores the recorded page position through the main window's setter and refreshes it.
  ~COptionsSheet() override;

  // The recorded position: the active page's place in the mode's row of the page table.
  int32_t ActivePosition() const { return activePosition_; }
  QTabWidget* Tabs() const { return tabs_; }
  // The page with that identifier, or null when the sheet does not show it.
  QWidget* Page(vd::SheetPageId id) const;
  std::vector<vd::SheetPageId> PageIds() const;

  // OK and Cancel pass through every page; neither closes the sheet while a page refuses.
  void done(int result) override;

 private:
  void OnPageActivated(int tab);

  struct Entry {
    vd::SheetPageId id;
    QWidget* widget;  // child of tabs_
  };

  vd::SheetHost& host_;
  vd::WorkMode workMode_;
  QTabWidget* tabs_ = nullptr;
  std::vector<Entry> pages_;
  int32_t activePosition_ = 0;
};
