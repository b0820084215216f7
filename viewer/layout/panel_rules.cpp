#include "vd/layout/panel_rules.h"

#include <initializer_list>

#include "vd/layout/panel_ids.h"
#include "vd/layout/work_modes.h"

namespace vd {

namespace pid = panel_id;

namespace {

bool IsInput(const PanelState& state, PanelInput input) {
  return state.input == static_cast<int>(input);
}

void Set(std::map<int, ControlState>& out, std::initializer_list<int> ids, bool visible,
         bool enabled) {
  for (int id : ids) out[id] = {visible, enabled};
}

void Disable(std::map<int, ControlState>& out, std::initializer_list<int> ids) {
  for (int id : ids) out[id].enabled = false;
}

void Hide(std::map<int, ControlState>& out, std::initializer_list<int> ids) {
  for (int id : ids) out[id].visible = false;
}

void SetKeypads(std::map<int, ControlState>& out, const PanelState& state, bool enabled) {
  const bool tv = ShowsTvKeypad(state);
  const bool fm = ShowsFmKeypad(state);
  for (int digit = 0; digit <= 9; ++digit) {
    out[pid::kKey0 + digit] = {tv, enabled};
    out[pid::kFmKey0 + digit] = {fm, enabled};
  }
  out[pid::kKeyEnter] = {tv, enabled};
  out[pid::kKeyRecall] = {tv, enabled};
  out[pid::kFmMemory] = {fm, enabled};
}

void SetIndicators(std::map<int, ControlState>& out, const PanelState& state) {
  const int shown = WorkModeInfoOf(WorkModeOfInput(state.input)).indicator;
  for (int id :
       {pid::kIndicatorSVideo, pid::kIndicatorComposite, pid::kIndicatorRadio, pid::kIndicatorTv}) {
    out[id] = {id == shown, true};
  }
  // While capturing the record lamp blinks (the main window's timer toggles it); otherwise
  // the live lamp is lit.
  const bool capturing = state.viewState == ViewState::kCapturing;
  out[pid::kIndicatorRecord] = {capturing, true};
  out[pid::kIndicatorCapture] = {capturing, true};
  out[pid::kIndicatorLive] = {!capturing, true};
  for (int n = 0; n < pid::kLevelCount; ++n) out[pid::kLevelFirst + n] = {true, true};
}

}  // namespace

int PanelLayoutOf(const PanelState& state) {
  if (IsInput(state, PanelInput::kRadio)) return 1;
  if (state.vcrPadOpen) return 2;
  return 0;
}

bool UsesKeypadBitmaps(const PanelState& state) {
  return state.keypadOpen &&
         (IsInput(state, PanelInput::kTv) || IsInput(state, PanelInput::kRadio));
}

bool ShowsTvKeypad(const PanelState& state) {
  return state.keypadOpen && IsInput(state, PanelInput::kTv);
}

bool ShowsFmKeypad(const PanelState& state) {
  return state.keypadOpen && IsInput(state, PanelInput::kRadio);
}

std::map<int, ControlState> ComputeControlStates(const PanelState& state) {
  std::map<int, ControlState> out;
  const int layout = PanelLayoutOf(state);
  const ViewState vs = state.viewState;
  const bool busy = IsRecordingView(vs);
  const bool clipOrStill = ShowsAlbumFile(vs);

  Set(out,
      {pid::kChannelUp, pid::kChannelDown, pid::kTools, pid::kInput, pid::kAlbum, pid::kSnapshot,
       pid::kCapture, pid::kAbout, pid::kSoundMode, pid::kMinimize, pid::kPower, pid::kLogo,
       pid::kVolumeSlider},
      true, true);
  out[pid::kMute] = {!state.muted, true};
  out[pid::kUnmute] = {state.muted, true};
  out[pid::kMaximize] = {!state.fullScreen, true};
  out[pid::kRestore] = {state.fullScreen, true};
  // The VCR pad covers the keypad button's place.
  out[pid::kKeypad] = {layout != 2, true};

  const bool pad = layout == 2;
  out[pid::kPlay] = {pad && !state.playing, clipOrStill};
  out[pid::kPause] = {pad && state.playing, vs == ViewState::kClipOpen};
  out[pid::kStop] = {pad, vs == ViewState::kCapturing || vs == ViewState::kClipOpen};
  out[pid::kRecord] = {pad && !clipOrStill, vs != ViewState::kFinishing};
  out[pid::kLive] = {pad && clipOrStill, true};

  SetKeypads(out, state, !busy);
  SetIndicators(out, state);

  if (busy) {
    // A running capture owns the tuner and the picture: nothing may retune, switch the input
    // or open another window over it; only Stop (and Record, which also stops) stay.
    Disable(out, {pid::kChannelUp, pid::kChannelDown, pid::kTools, pid::kInput, pid::kAlbum,
                  pid::kSnapshot, pid::kMaximize, pid::kSoundMode});
  }
  // A still picture may go full screen; a clip plays at its own size.
  if (clipOrStill) Disable(out, {pid::kSnapshot});
  if (vs == ViewState::kClipOpen) Disable(out, {pid::kMaximize});
  if (!state.audio) {
    Disable(out, {pid::kMute, pid::kUnmute, pid::kVolumeUp, pid::kVolumeDown, pid::kVolumeSlider});
  }
  if (!state.still) Disable(out, {pid::kSnapshot});

  if (IsExternalInput(state.workMode)) {
    Disable(out, {pid::kChannelUp, pid::kChannelDown, pid::kKeypad, pid::kSoundMode});
  } else if (state.workMode == WorkMode::kRadio) {
    Disable(out, {pid::kMaximize, pid::kAlbum, pid::kCapture, pid::kSnapshot});
    Hide(out, {pid::kRecord, pid::kLive});
  }
  if (state.isMts == -1) Disable(out, {pid::kSoundMode});
  return out;
}

}  // namespace vd
