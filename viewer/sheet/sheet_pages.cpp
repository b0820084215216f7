#include "sheet_pages.h"

#include <algorithm>
#include <vector>

namespace vd {

namespace {

using P = SheetPageId;

// Rows by WorkMode: 0 S-Video, 1 composite, 2 FM radio, 3 TV.
const std::array<std::vector<SheetPageId>, SheetPages::kModeCount> kRows = {{
    {P::kCapture, P::kFile, P::kColour, P::kDevice},
    {P::kCapture, P::kFile, P::kColour, P::kDevice},
    {P::kDevice, P::kStationSearch},
    {P::kColour, P::kCapture, P::kFile, P::kDevice, P::kStationSearch},
}};

}  // namespace

std::span<const SheetPageId> SheetPages::For(int32_t workMode) {
  if (workMode < 0 || workMode >= kModeCount) return {};
  return kRows[static_cast<size_t>(workMode)];
}

int32_t SheetPages::PositionOf(int32_t workMode, SheetPageId page) {
  const auto row = For(workMode);
  const auto it = std::find(row.begin(), row.end(), page);
  return it == row.end() ? 0 : static_cast<int32_t>(it - row.begin());
}

int32_t SheetPages::StartPosition(int32_t workMode, int32_t stored) {
  const auto count = static_cast<int32_t>(For(workMode).size());
  return stored >= 0 && stored < count ? stored : 0;
}

}  // namespace vd
