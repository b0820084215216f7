#include "vd/sheet/sheet_pages.h"

#include <algorithm>
#include <vector>

namespace vd {

namespace {

using P = SheetPageId;

// Rows by the stored number of the work mode: S-Video, composite, FM radio, TV.
const std::array<std::vector<SheetPageId>, kWorkModeCount> kRows = {{
    {P::kCapture, P::kFile, P::kColour, P::kDevice},
    {P::kCapture, P::kFile, P::kColour, P::kDevice},
    {P::kDevice, P::kStationSearch},
    {P::kColour, P::kCapture, P::kFile, P::kDevice, P::kStationSearch},
}};

}  // namespace

std::span<const SheetPageId> SheetPages::For(WorkMode workMode) {
  return kRows[static_cast<size_t>(StoredNumber(workMode))];
}

int32_t SheetPages::PositionOf(WorkMode workMode, SheetPageId page) {
  const auto row = For(workMode);
  const auto it = std::find(row.begin(), row.end(), page);
  return it == row.end() ? 0 : static_cast<int32_t>(it - row.begin());
}

int32_t SheetPages::StartPosition(WorkMode workMode, int32_t stored) {
  const auto count = static_cast<int32_t>(For(workMode).size());
  return stored >= 0 && stored < count ? stored : 0;
}

}  // namespace vd
