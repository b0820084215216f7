#include "vd/pages/engine_pages.h"

#include "capture_page.h"
#include "color_page.h"
#include "device_page.h"
#include "file_page.h"

namespace vd {

QWidget* EnginePages::CreatePage(SheetPageId id, QWidget* parent) {
  switch (id) {
    case SheetPageId::kCapture:
      return new CCapturePage(engine_, parent);
    case SheetPageId::kFile:
      return new CFilePage(engine_, parent);
    case SheetPageId::kDevice:
      return new CDevicePage(engine_, parent);
    case SheetPageId::kColour:
      return new CColorPage(engine_, parent);
    case SheetPageId::kStationSearch:
      break;
  }
  return nullptr;
}

}  // namespace vd
