// Geometry of the main window, the video area and the control panel beside it. Everything is
// in pixels; rectangles are half-open (right and bottom are one past the last pixel), as the
// window system hands them over.
#pragma once

#include <optional>

#include "vd/view_modes.h"

namespace vd {

struct Size {
  int width = 0;
  int height = 0;
  bool operator==(const Size&) const = default;
};

struct Point {
  int x = 0;
  int y = 0;
  bool operator==(const Point&) const = default;
};

struct Rect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool operator==(const Rect&) const = default;
};

// Space between the client edge and the video ("Video Border"), the same on opposite sides.
struct VideoMargins {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  bool operator==(const VideoMargins&) const = default;
};

// Margins for a client area of the given size; all zero when the border is off.
VideoMargins ComputeVideoMargins(Size client, bool videoBorder);

// The video rectangle in client coordinates. The reserves are the strips the view-state bar
// (right) and the status bar (bottom) occupy.
Rect ComputeVideoRect(Size client, const VideoMargins& margins, int rightReserve,
                      int bottomReserve);

// Smallest client the restored window may have: 48 x 36, plus twice the margins with a border.
Size MinimumClientSize(const VideoMargins& margins, bool videoBorder);

// What a restored resize leaves behind: the client size (enlarged when it was too small) and
// the video rectangle within it.
struct RestoredLayout {
  Size client;
  bool enlarged = false;
  VideoMargins margins;
  Rect video;
};
RestoredLayout LayOutRestored(Size client, bool videoBorder, int rightReserve, int bottomReserve);

// Window size that gives a video area of `wanted`, keeping the frame the window has now.
Size WindowSizeForVideo(Size window, Size video, Size wanted);

// The 4:3 correction of a video area, or nothing when it is already 4:3 (or empty).
std::optional<Size> RatioCorrectedVideo(Size video);

// Top-left of the panel tiled under the main window (it overlaps the window by 8 pixels), or
// lifted above the desktop's bottom edge when it would not fit below.
Point TilePanel(const Rect& mainWindow, const Rect& panel, const Rect& desktop);

// Top-left of the main window when it follows a moved panel.
Point FollowPanel(const Rect& mainWindow, const Rect& panel);

// Where the windows go when the panel is shown (Ctrl+T, Ctrl+C).
struct WindowPlacement {
  Point mainWindow;
  Point album;
  Point panel;
};
// The album window or the panel beside the main window. A hidden one is placed too, but
// needs no room on the desktop.
struct Companion {
  Size size;
  bool shown = true;
};
// Returns nothing when the windows stay where they are (full screen, a still on show).
std::optional<WindowPlacement> PlaceWindows(ViewState viewState, bool fullScreen,
                                            const Rect& mainWindow, Companion album,
                                            Companion panel, const Rect& desktop);

}  // namespace vd
