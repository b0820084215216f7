// Which pages the settings sheet shows in each work mode, in which order, and which of them
// opens first.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "vd/view_modes.h"

namespace vd {

enum class SheetPageId : int32_t {
  kCapture = 0,
  kFile = 1,
  kDevice = 2,
  kStationSearch = 3,
  kColour = 4,
};

class SheetPages {
 public:
  static constexpr int kMaxPages = 5;

  // The mode's pages in sheet order.
  static std::span<const SheetPageId> For(WorkMode workMode);
  // Position of the page in the mode's row; 0 when the row lacks it.
  static int32_t PositionOf(WorkMode workMode, SheetPageId page);
  // The position a stored value opens: the stored one when the row has it, else 0.
  static int32_t StartPosition(WorkMode workMode, int32_t stored);
};

}  // namespace vd
