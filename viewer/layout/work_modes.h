// The four work modes and how the panel names them. `WorkMode` runs 3 TV, 2 FM radio,
// 1 composite, 0 S-Video; the panel's input index runs the other way round.
#pragma once

namespace vd {

enum class PanelInput { kTv = 0, kRadio = 1, kComposite = 2, kSVideo = 3 };

inline constexpr int kWorkModeSVideo = 0;
inline constexpr int kWorkModeComposite = 1;
inline constexpr int kWorkModeRadio = 2;
inline constexpr int kWorkModeTv = 3;

struct WorkModeInfo {
  int workMode;
  int panelInput;
  int command;        // panel command that selects the mode
  const char* title;  // main window title
  int indicator;      // the panel's input indicator shown in this mode
};

// The entry for a work mode 0..3; out-of-range values are treated as TV, the default mode.
const WorkModeInfo& WorkModeInfoOf(int workMode);

int PanelInputOf(int workMode);
int WorkModeOfInput(int panelInput);

}  // namespace vd
