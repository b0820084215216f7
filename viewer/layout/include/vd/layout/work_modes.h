// How the panel names the four work modes. The panel's input index runs the other way round
// from the work mode: 0 TV, 1 FM radio, 2 composite, 3 S-Video.
#pragma once

#include "vd/view_modes.h"

namespace vd {

enum class PanelInput { kTv = 0, kRadio = 1, kComposite = 2, kSVideo = 3 };

struct WorkModeInfo {
  WorkMode workMode;
  int panelInput;
  int command;        // panel command that selects the mode
  const char* title;  // main window title
  int indicator;      // the panel's input indicator shown in this mode
};

const WorkModeInfo& WorkModeInfoOf(WorkMode workMode);

int PanelInputOf(WorkMode workMode);
// Out-of-range inputs are treated as TV, the default mode.
WorkMode WorkModeOfInput(int panelInput);

}  // namespace vd
