#include "vd/layout/work_modes.h"

#include <array>
#include <cstddef>

#include "vd/layout/panel_ids.h"

namespace vd {

namespace {

// Indexed by the stored number of the work mode.
constexpr std::array<WorkModeInfo, kWorkModeCount> kModes = {{
    {WorkMode::kSVideo, 3, panel_id::kModeSVideo, "Brevant TV USB SVIDEO",
     panel_id::kIndicatorSVideo},
    {WorkMode::kComposite, 2, panel_id::kModeComposite, "Brevant TV USB",
     panel_id::kIndicatorComposite},
    {WorkMode::kRadio, 1, panel_id::kModeRadio, "Brevant TV USB Radio", panel_id::kIndicatorRadio},
    {WorkMode::kTv, 0, panel_id::kModeTv, "Brevant TV USB", panel_id::kIndicatorTv},
}};

}  // namespace

const WorkModeInfo& WorkModeInfoOf(WorkMode workMode) {
  return kModes[static_cast<std::size_t>(StoredNumber(WorkModeFromStored(StoredNumber(workMode))))];
}

int PanelInputOf(WorkMode workMode) {
  return WorkModeInfoOf(workMode).panelInput;
}

WorkMode WorkModeOfInput(int panelInput) {
  if (panelInput < 0 || panelInput >= kWorkModeCount) return WorkMode::kTv;
  return WorkModeFromStored(kWorkModeCount - 1 - panelInput);
}

}  // namespace vd
