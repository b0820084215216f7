// Control and command ids of the control panel. The ids are shared with the main window's
// command routing and the remote-control mapping, so they never change.
#pragma once

namespace vd::panel_id {

// Buttons of the button area.
inline constexpr int kChannelUp = 1131;
inline constexpr int kChannelDown = 1133;
inline constexpr int kTools = 1139;
inline constexpr int kInput = 1140;
inline constexpr int kMute = 1135;
inline constexpr int kUnmute = 1149;
inline constexpr int kAlbum = 1136;
inline constexpr int kSnapshot = 1138;
inline constexpr int kCapture = 1137;
inline constexpr int kAbout = 1146;
inline constexpr int kSoundMode = 1178;
inline constexpr int kMaximize = 1144;
inline constexpr int kRestore = 1179;
inline constexpr int kMinimize = 1145;
inline constexpr int kPower = 1143;
inline constexpr int kLogo = 1147;
inline constexpr int kKeypad = 1148;

// The VCR pad.
inline constexpr int kPlay = 1150;
inline constexpr int kPause = 1151;
inline constexpr int kStop = 1153;
inline constexpr int kRecord = 1152;
inline constexpr int kLive = 1154;
// Other commands that act as the Capture button.
inline constexpr int kCaptureStop = 1141;
inline constexpr int kCaptureLive = 1142;

// TV keypad: digits 0..9 are kKey0 + digit.
inline constexpr int kKey0 = 550;
inline constexpr int kKeyEnter = 560;
inline constexpr int kKeyRecall = 561;
// FM keypad: presets 0..9 are kFmKey0 + preset.
inline constexpr int kFmKey0 = 570;
inline constexpr int kFmMemory = 580;

// Work-mode commands.
inline constexpr int kModeTv = 1112;
inline constexpr int kModeRadio = 1113;
inline constexpr int kModeComposite = 1114;
inline constexpr int kModeSVideo = 1118;
// Volume steps (louder, quieter).
inline constexpr int kVolumeUp = 1177;
inline constexpr int kVolumeDown = 1176;

// Other controls.
inline constexpr int kVolumeSlider = 1116;
inline constexpr int kStationName = 1122;
inline constexpr int kStationNumber = 1092;
inline constexpr int kIndicatorCapture = 199;
inline constexpr int kIndicatorRecord = 196;
inline constexpr int kIndicatorLive = 198;
inline constexpr int kIndicatorSVideo = 193;
inline constexpr int kIndicatorComposite = 192;
inline constexpr int kIndicatorRadio = 194;
inline constexpr int kIndicatorTv = 195;
inline constexpr int kLevelFirst = 1155;  // eight level lamps 1155..1162
inline constexpr int kLevelCount = 8;

}  // namespace vd::panel_id
