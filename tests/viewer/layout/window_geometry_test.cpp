#include "vd/layout/window_geometry.h"

#include <gtest/gtest.h>

namespace {

using vd::Point;
using vd::Rect;
using vd::Size;

TEST(VideoMargins, FollowTheClientWidthAndHeight) {
  EXPECT_EQ(vd::ComputeVideoMargins({300, 240}, true).left, 6);
  EXPECT_EQ(vd::ComputeVideoMargins({640, 240}, true).left, 9);
  EXPECT_EQ(vd::ComputeVideoMargins({320, 240}, true).left, 8);
  EXPECT_EQ(vd::ComputeVideoMargins({401, 240}, true).right, 9);
  EXPECT_EQ(vd::ComputeVideoMargins({400, 240}, true).right, 8);
  // Heights use 240 and 360 as the widths use 320 and 400.
  EXPECT_EQ(vd::ComputeVideoMargins({320, 200}, true).top, 6);
  EXPECT_EQ(vd::ComputeVideoMargins({320, 100}, true).bottom, 5);
  EXPECT_EQ(vd::ComputeVideoMargins({320, 361}, true).top, 9);
  EXPECT_EQ(vd::ComputeVideoMargins({320, 360}, true).top, 8);
}

TEST(VideoMargins, AreZeroWithoutBorder) {
  EXPECT_EQ(vd::ComputeVideoMargins({300, 200}, false), vd::VideoMargins{});
}

TEST(VideoMargins, NeverTurnNegativeOrDivideByZero) {
  vd::VideoMargins tiny = vd::ComputeVideoMargins({10, 5}, true);
  EXPECT_EQ(tiny.left, 0);
  EXPECT_EQ(tiny.top, 0);
  EXPECT_EQ(vd::ComputeVideoMargins({0, 0}, true), vd::VideoMargins{});
}

TEST(VideoRect, LeavesMarginsAndReserves) {
  vd::VideoMargins m = vd::ComputeVideoMargins({640, 480}, true);
  EXPECT_EQ(vd::ComputeVideoRect({640, 480}, m, 30, 20), (Rect{9, 9, 640 - 9 - 30, 480 - 9 - 20}));
}

TEST(RestoredLayout, EnlargesATooSmallClientAndInsetsTheVideo) {
  vd::RestoredLayout small = vd::LayOutRestored({40, 30}, true, 30, 20);
  EXPECT_TRUE(small.enlarged);
  Size minimum = vd::MinimumClientSize(small.margins, true);
  EXPECT_EQ(small.client, minimum);
  EXPECT_EQ(small.video, (Rect{3, 3, minimum.width - 3, minimum.height - 3}));

  vd::RestoredLayout noBorder = vd::LayOutRestored({40, 30}, false, 0, 0);
  EXPECT_EQ(noBorder.client, (Size{48, 36}));

  vd::RestoredLayout fine = vd::LayOutRestored({640, 480}, true, 30, 20);
  EXPECT_FALSE(fine.enlarged);
  EXPECT_EQ(fine.client, (Size{640, 480}));
  EXPECT_EQ(fine.video, (Rect{9, 9, 601, 451}));
}

TEST(MinimumClientSize, AddsTwiceTheMarginsWithBorder) {
  EXPECT_EQ(vd::MinimumClientSize({6, 5, 6, 5}, true), (Size{60, 46}));
  EXPECT_EQ(vd::MinimumClientSize({6, 5, 6, 5}, false), (Size{48, 36}));
}

TEST(SetVideoSize, KeepsTheWindowFrame) {
  EXPECT_EQ(vd::WindowSizeForVideo({356, 300}, {320, 240}, {640, 480}), (Size{676, 540}));
  EXPECT_EQ(vd::WindowSizeForVideo({356, 300}, {320, 240}, {320, 240}), (Size{356, 300}));
}

TEST(RatioFourThree, CorrectsWideAndTallAreas) {
  EXPECT_EQ(vd::RatioCorrectedVideo({500, 300}), (Size{400, 300}));
  EXPECT_EQ(vd::RatioCorrectedVideo({310, 500}), (Size{300, 225}));
  // Rounded down to a multiple of 12 first so that the other side is whole.
  EXPECT_EQ(vd::RatioCorrectedVideo({500, 205}), (Size{272, 204}));
  EXPECT_EQ(vd::RatioCorrectedVideo({300, 300}), (Size{300, 225}));
}

TEST(RatioFourThree, LeavesFourThreeAndEmptyAreasAlone) {
  EXPECT_FALSE(vd::RatioCorrectedVideo({400, 300}));
  EXPECT_FALSE(vd::RatioCorrectedVideo({0, 300}));
  EXPECT_FALSE(vd::RatioCorrectedVideo({8, 0}));
}

TEST(Tiling, PutsThePanelUnderTheWindowOverlappingByEight) {
  Rect main{100, 100, 500, 400};
  Rect panel{0, 0, 384, 94};
  Rect desktop{0, 0, 1280, 1024};
  EXPECT_EQ(vd::TilePanel(main, panel, desktop), (Point{100 + (400 - 384 - 64) / 2, 392}));
}

TEST(Tiling, LiftsThePanelAboveTheBottomOfTheDesktop) {
  Rect main{100, 600, 500, 950};
  Rect panel{0, 0, 384, 94};
  Rect desktop{0, 0, 1280, 1000};
  Point at = vd::TilePanel(main, panel, desktop);
  EXPECT_EQ(at.y, 1000 - 94 - 8);
  EXPECT_LE(at.y + panel.Height(), desktop.bottom);
  // Exactly fitting is still "under".
  Rect fits{100, 600, 500, 906};
  EXPECT_EQ(vd::TilePanel(fits, panel, desktop).y, 898);
}

TEST(Tiling, FollowingThePanelUndoesTiling) {
  Rect main{137, 211, 137 + 656, 211 + 540};
  Rect desktop{0, 0, 1920, 1080};
  Point tiled = vd::TilePanel(main, Rect{0, 0, 384, 106}, desktop);
  Rect panel{tiled.x, tiled.y, tiled.x + 384, tiled.y + 106};
  EXPECT_EQ(vd::FollowPanel(main, panel), (Point{main.left, main.top}));
}

TEST(Placement, StaysPutInFullScreenAndWithAStill) {
  Rect main{0, 0, 400, 300};
  EXPECT_FALSE(vd::PlaceWindows(vd::ViewState::kLive, true, main, {300, 400}, {384, 94},
                                {0, 0, 1280, 1024}));
  EXPECT_FALSE(vd::PlaceWindows(vd::ViewState::kStillShown, false, main, {300, 400}, {384, 94},
                                {0, 0, 1280, 1024}));
}

TEST(Placement, CentresTheWindowAtStartUp) {
  auto placed = vd::PlaceWindows(vd::ViewState::kStartUp, false, {5, 5, 405, 305}, {300, 400},
                                 {384, 94}, {0, 0, 1280, 1024});
  ASSERT_TRUE(placed);
  EXPECT_EQ(placed->mainWindow, (Point{440, (1024 - 300) / 4}));
  EXPECT_EQ(placed->album, (Point{840, 181}));
  EXPECT_EQ(placed->panel, (Point{440 + (400 - 384 - 64) / 2, 181 + 300 - 8}));
}

TEST(Placement, MovesLeftToMakeRoomForTheWiderCompanion) {
  auto placed = vd::PlaceWindows(vd::ViewState::kLive, false, {900, -20, 1300, 280}, {300, 400},
                                 {384, 94}, {0, 0, 1280, 1024});
  ASSERT_TRUE(placed);
  EXPECT_EQ(placed->mainWindow.x, 1280 - 384 - 400);
  EXPECT_EQ(placed->mainWindow.y, -20);
  EXPECT_EQ(placed->album, (Point{1280 - 384, 0}));  // top clamped at 0

  auto roomy = vd::PlaceWindows(vd::ViewState::kLive, false, {100, 50, 500, 350}, {300, 400},
                                {384, 94}, {0, 0, 1280, 1024});
  ASSERT_TRUE(roomy);
  EXPECT_EQ(roomy->mainWindow, (Point{100, 50}));

  // A hidden companion needs no room: only the shown one's width counts.
  const Rect main{400, 50, 800, 350};
  const Rect desktop{0, 0, 1280, 1024};
  const vd::Size album{500, 400};
  const vd::Size panel{384, 94};
  auto both = vd::PlaceWindows(vd::ViewState::kLive, false, main, {album}, {panel}, desktop);
  ASSERT_TRUE(both);
  EXPECT_EQ(both->mainWindow.x, 380);
  auto albumHidden =
      vd::PlaceWindows(vd::ViewState::kLive, false, main, {album, false}, {panel}, desktop);
  ASSERT_TRUE(albumHidden);
  EXPECT_EQ(albumHidden->mainWindow, (Point{400, 50}));
  // Hidden, it still gets its place beside the window for when it is shown.
  EXPECT_EQ(albumHidden->album, (Point{800, 50}));
  auto panelHidden =
      vd::PlaceWindows(vd::ViewState::kLive, false, main, {album}, {panel, false}, desktop);
  ASSERT_TRUE(panelHidden);
  EXPECT_EQ(panelHidden->mainWindow.x, 380);
}

}  // namespace
