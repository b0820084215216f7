// The factory the main window plugs into the settings sheet for the pages that need the
// capture engine: capture, file, device and colour.
#pragma once

#include "pages_engine.h"
#include "vd/sheet/sheet_page_factory.h"

namespace vd {

class EnginePages : public SheetPageFactory {
 public:
  explicit EnginePages(PagesEngine& engine) : engine_(engine) {}

  // Null for the station-search page, which the sheet's own page set makes.
  QWidget* CreatePage(SheetPageId id, QWidget* parent) override;

 private:
  PagesEngine& engine_;
};

}  // namespace vd
