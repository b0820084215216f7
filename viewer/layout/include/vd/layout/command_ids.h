// Command ids of the main window: what its menus, keys, toolbars, the panel's hooks and the
// remote send to CViewerDlg::OnCommand. Stored key tables and the remote's mapping use the
// numbers, so they never change.
#pragma once

namespace vd::command_id {

// Digits 0..9 of the channel entry are kDigit0 + digit; Enter ends the entry, Point starts
// the fractional part of a frequency.
inline constexpr int kDigit0 = 376;
inline constexpr int kDigit9 = 385;
inline constexpr int kEnter = 386;
inline constexpr int kPoint = 387;
// The capture device chosen from the devices menu: kDevice0 + its index.
inline constexpr int kDevice0 = 51;
inline constexpr int kDevice9 = 60;

inline constexpr int kEscape = 158;      // ends a capture, else full screen
inline constexpr int kCapturePad = 162;  // the panel's capture pad
inline constexpr int kPanel = 168;       // shows or hides the control panel
inline constexpr int kGallery = 1020;    // the album window, from the view-state strip
inline constexpr int kCapture = 1022;    // starts or ends a capture
inline constexpr int kSnapshot = 1024;   // takes a still

inline constexpr int kHelp = 32764;
inline constexpr int kAlbumWindow = 32765;
inline constexpr int kAbout = 32767;
inline constexpr int kSettings = 32799;
inline constexpr int kAlwaysOnTop = 32805;
inline constexpr int kForceRatio = 32806;  // toggles the 4:3 setting
inline constexpr int kApplyRatio = 32807;  // fits the window to 4:3 once
inline constexpr int kFullScreen = 32808;
inline constexpr int kTileWindows = 32809;
inline constexpr int kTilePanel = 32818;    // the panel follows the moved main window
inline constexpr int kFollowPanel = 32819;  // the main window follows the moved panel
inline constexpr int kTvFrame = 32820;
inline constexpr int kFullScreenKey = 32824;  // the F key: not in radio, not while capturing
inline constexpr int kTeletext = 32840;

}  // namespace vd::command_id
