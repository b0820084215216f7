#include "vd/sheet/sheet_page_set.h"

#include "scan_page.h"

namespace vd {

QWidget* SheetPageSet::CreatePage(SheetPageId id, QWidget* parent) {
  if (id == SheetPageId::kStationSearch) return new CScanPage(host_, parent);
  return engine_ != nullptr ? engine_->CreatePage(id, parent) : nullptr;
}

}  // namespace vd
