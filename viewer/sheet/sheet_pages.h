// Which pages the settings sheet shows in each work mode, in which order, and which of them
// opens first.
#pragma once

#include <array>
#include <cstdint>
#include <span>

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
  static constexpr int kModeCount = 4;
  static constexpr int kMaxPages = 5;

  // The mode's pages in sheet order; empty for a work mode outside 0..3.
  static std::span<const SheetPageId> For(int32_t workMode);
  // Position of the page in the mode's row; 0 when the row lacks it.
  static int32_t PositionOf(int32_t workMode, SheetPageId page);
  // The position a stored value opens: the stored one when the row has it, else 0.
  static int32_t StartPosition(int32_t workMode, int32_t stored);
};

}  // namespace vd
