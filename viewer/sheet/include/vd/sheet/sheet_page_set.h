// The sheet's page factory as the viewer uses it: the station-search page from here, every
// other page from the capture engine's factory once there is one.
#pragma once

#include "sheet_page_factory.h"

namespace vd {

class ScanHost;

class SheetPageSet : public SheetPageFactory {
 public:
  // enginePages may be null: then the sheet shows only the station-search page.
  SheetPageSet(ScanHost& host, SheetPageFactory* enginePages) : host_(host), engine_(enginePages) {}

  QWidget* CreatePage(SheetPageId id, QWidget* parent) override;

 private:
  ScanHost& host_;
  SheetPageFactory* engine_;
};

}  // namespace vd
