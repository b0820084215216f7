#include "work_modes.h"

#include <array>
#include <cstddef>

#include "panel_ids.h"

namespace vd {

namespace {

// Indexed by WorkMode.
constexpr std::array<WorkModeInfo, 4> kModes = {{
    {kWorkModeSVideo, 3, panel_id::kModeSVideo, "Brevant TV USB SVIDEO",
     panel_id::kIndicatorSVideo},
    {kWorkModeComposite, 2, panel_id::kModeComposite, "Brevant TV USB",
     panel_id::kIndicatorComposite},
    {kWorkModeRadio, 1, panel_id::kModeRadio, "Brevant TV USB Radio", panel_id::kIndicatorRadio},
    {kWorkModeTv, 0, panel_id::kModeTv, "Brevant TV USB", panel_id::kIndicatorTv},
}};

}  // namespace

const WorkModeInfo& WorkModeInfoOf(int workMode) {
  if (workMode < 0 || workMode > 3) workMode = kWorkModeTv;
  return kModes[static_cast<std::size_t>(workMode)];
}

int PanelInputOf(int workMode) {
  return WorkModeInfoOf(workMode).panelInput;
}

int WorkModeOfInput(int panelInput) {
  if (panelInput < 0 || panelInput > 3) return kWorkModeTv;
  return 3 - panelInput;
}

}  // namespace vd
