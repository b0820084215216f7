#include "vd/layout/window_geometry.h"

#include <algorithm>

namespace vd {

namespace {

constexpr int kBaseMargin = 8;
constexpr int kMinVideoWidth = 48;
constexpr int kMinVideoHeight = 36;
constexpr int kRestoredInset = 3;
constexpr int kPanelOverlap = 8;
// The panel's keypad area lies left of its button area; centring ignores it.
constexpr int kPanelPadWidth = 64;

// A small picture gets a thinner border so that more of it stays visible; a large one a
// slightly wider one.
int MarginFor(int extent, int reference, int large) {
  if (extent <= 0) return 0;
  int margin = extent < reference ? kBaseMargin - (reference / extent + 1) : kBaseMargin;
  if (extent > large) ++margin;
  return std::max(margin, 0);
}

}  // namespace

VideoMargins ComputeVideoMargins(Size client, bool videoBorder) {
  if (!videoBorder) return {};
  int horizontal = MarginFor(client.width, 320, 400);
  int vertical = MarginFor(client.height, 240, 360);
  return {horizontal, vertical, horizontal, vertical};
}

Rect ComputeVideoRect(Size client, const VideoMargins& margins, int rightReserve,
                      int bottomReserve) {
  return {margins.left, margins.top, client.width - margins.right - rightReserve,
          client.height - margins.bottom - bottomReserve};
}

Size MinimumClientSize(const VideoMargins& margins, bool videoBorder) {
  if (!videoBorder) return {kMinVideoWidth, kMinVideoHeight};
  return {kMinVideoWidth + 2 * margins.left, kMinVideoHeight + 2 * margins.top};
}

RestoredLayout LayOutRestored(Size client, bool videoBorder, int rightReserve, int bottomReserve) {
  RestoredLayout out;
  out.margins = ComputeVideoMargins(client, videoBorder);
  Size minimum = MinimumClientSize(out.margins, videoBorder);
  if (client.width < minimum.width || client.height < minimum.height) {
    out.enlarged = true;
    out.client = {std::max(client.width, minimum.width), std::max(client.height, minimum.height)};
    out.video = {kRestoredInset, kRestoredInset, out.client.width - kRestoredInset,
                 out.client.height - kRestoredInset};
    return out;
  }
  out.client = client;
  out.video = ComputeVideoRect(client, out.margins, rightReserve, bottomReserve);
  return out;
}

Size WindowSizeForVideo(Size window, Size video, Size wanted) {
  return {wanted.width + window.width - video.width, wanted.height + window.height - video.height};
}

std::optional<Size> RatioCorrectedVideo(Size video) {
  int w = video.width;
  int h = video.height;
  if (w <= 0 || h <= 0 || 3 * w == 4 * h) return std::nullopt;
  if (h < w) {
    h -= h % 12;
    return Size{h * 4 / 3, h};
  }
  w -= w % 12;
  return Size{w, w * 3 / 4};
}

Point TilePanel(const Rect& mainWindow, const Rect& panel, const Rect& desktop) {
  int x = mainWindow.left + (mainWindow.Width() - panel.Width() - kPanelPadWidth) / 2;
  int y = mainWindow.bottom - kPanelOverlap;
  if (desktop.bottom < mainWindow.bottom + panel.Height()) {
    y = desktop.bottom - panel.Height() - kPanelOverlap;
  }
  return {x, y};
}

Point FollowPanel(const Rect& mainWindow, const Rect& panel) {
  return {panel.left - (mainWindow.Width() - panel.Width() - kPanelPadWidth) / 2,
          panel.top - mainWindow.Height() + kPanelOverlap};
}

std::optional<WindowPlacement> PlaceWindows(ViewState viewState, bool fullScreen,
                                            const Rect& mainWindow, Companion album,
                                            Companion panel, const Rect& desktop) {
  if (fullScreen || viewState == ViewState::kStillShown) return std::nullopt;
  Rect main = mainWindow;
  int width = main.Width();
  int height = main.Height();
  if (viewState == ViewState::kStartUp) {
    main.left = desktop.left + (desktop.Width() - width) / 2;
    main.top = desktop.top + (desktop.Height() - height) / 4;
  } else {
    int companion =
        std::max(album.shown ? album.size.width : 0, panel.shown ? panel.size.width : 0);
    int overshoot = main.right + companion - desktop.right;
    if (overshoot > 0) main.left = std::max(desktop.left, main.left - overshoot);
  }
  main.right = main.left + width;
  main.bottom = main.top + height;

  WindowPlacement out;
  out.mainWindow = {main.left, main.top};
  out.album = {main.right, std::max(main.top, 0)};
  out.panel = TilePanel(main, Rect{0, 0, panel.size.width, panel.size.height}, desktop);
  return out;
}

}  // namespace vd
