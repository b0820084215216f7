// Makes the pages of the settings sheet. The pages that need the capture engine (capture,
// file, device, colour) come from the engine's factory; until it exists they are absent.
#pragma once

#include "sheet_pages.h"

class QWidget;

namespace vd {

class SheetPageFactory {
 public:
  virtual ~SheetPageFactory() = default;
  // A new page parented to `parent`, or null when this factory has no such page. A page that
  // also derives from vd::SheetPage takes part in OK, Cancel and closing.
  virtual QWidget* CreatePage(SheetPageId id, QWidget* parent) = 0;
};

}  // namespace vd
