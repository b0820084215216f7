// Which of the control panel's controls are shown and usable in each situation: view state,
// work mode, open pads, mute and full screen. The panel applies the result as it stands.
#pragma once

#include <map>

#include "vd/view_modes.h"

namespace vd {

struct PanelState {
  ViewState viewState = ViewState::kStartUp;
  WorkMode workMode = WorkMode::kTv;
  int input = 0;  // panel input: 0 TV, 1 Radio, 2 composite, 3 S-Video
  bool keypadOpen = false;
  bool vcrPadOpen = false;
  bool muted = false;
  bool fullScreen = false;
  bool playing = false;  // the open clip is playing (Pause replaces Play)
  int isMts = -1;        // sound-system flag; -1 leaves the sound-mode button without use
  bool audio = true;     // the device has sound: the volume and mute controls work
  bool still = true;     // the device can take a still picture
};

struct ControlState {
  bool visible = true;
  bool enabled = true;
  bool operator==(const ControlState&) const = default;
};

// 0 the normal panel, 1 the radio panel with the preset strip, 2 the panel with the VCR pad.
int PanelLayoutOf(const PanelState& state);

// The album, snapshot and capture buttons use their K_ bitmap sets.
bool UsesKeypadBitmaps(const PanelState& state);

// The TV keypad's area on the left of the panel is part of the window.
bool ShowsTvKeypad(const PanelState& state);
bool ShowsFmKeypad(const PanelState& state);

// State of every button and indicator of the panel, by control id.
std::map<int, ControlState> ComputeControlStates(const PanelState& state);

}  // namespace vd
