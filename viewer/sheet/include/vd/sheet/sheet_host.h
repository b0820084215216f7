// What the settings sheet needs from the main window: the work mode, the remembered page of
// that mode and the setter that stores it back, and the refresh after the sheet closes.
#pragma once

#include <cstdint>

#include "vd/view_modes.h"

namespace vd {

class SheetHost {
 public:
  virtual ~SheetHost() = default;
  virtual vd::WorkMode WorkMode() const = 0;
  // iToolPage_mode<WorkMode>: the position of the page last active in this mode's sheet.
  virtual int32_t ToolPage() const = 0;
  virtual void SetToolPage(int32_t position) = 0;
  virtual void RefreshMainWindow() = 0;
};

}  // namespace vd
