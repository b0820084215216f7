#include "panel_layout.h"

#include <gtest/gtest.h>

#include <QRegion>
#include <set>

#include "vd/layout/panel_ids.h"
#include "vd/skin/button_shape.h"
#include "vd/skin/skin.h"

namespace {

using vd::PanelLayout;

TEST(PanelLayoutData, HasEveryButtonOnceWithItsShape) {
  std::set<int> ids;
  for (const vd::PanelButtonEntry& entry : PanelLayout::Buttons()) {
    EXPECT_TRUE(ids.insert(entry.id).second) << entry.id;
    EXPECT_TRUE(vd::ButtonShape::Region(entry.shape)) << entry.id;
  }
  // 22 buttons, 12 TV keypad keys, 11 FM keys.
  EXPECT_EQ(ids.size(), 22u + 12u + 11u);
}

TEST(PanelLayoutData, KeypadsSitWhereTheTableSays) {
  const vd::PanelButtonEntry* five = PanelLayout::Button(555);
  ASSERT_NE(five, nullptr);
  EXPECT_STREQ(five->bitmap, "KEY51");
  EXPECT_EQ(PanelLayout::PanelPosition(*five), QPoint(25, 31));  // keypad area: no offset
  const vd::PanelButtonEntry* nine = PanelLayout::Button(559);
  EXPECT_EQ(PanelLayout::PanelPosition(*nine), QPoint(45, 49));
  EXPECT_EQ(PanelLayout::PanelPosition(*PanelLayout::Button(561)), QPoint(5, 67));
  EXPECT_EQ(PanelLayout::PanelPosition(*PanelLayout::Button(560)), QPoint(45, 67));
  EXPECT_EQ(PanelLayout::PanelPosition(*PanelLayout::Button(571)), QPoint(64 + 49, 80));
  EXPECT_EQ(PanelLayout::PanelPosition(*PanelLayout::Button(579)), QPoint(64 + 161, 80));
  EXPECT_EQ(PanelLayout::PanelPosition(*PanelLayout::Button(570)), QPoint(64 + 175, 80));
  EXPECT_EQ(PanelLayout::PanelPosition(*PanelLayout::Button(580)), QPoint(64 + 24, 80));
  EXPECT_EQ(PanelLayout::PanelPosition(*PanelLayout::Button(1131)), QPoint(64 + 249, 33));
}

TEST(PanelLayoutData, NamesTheFourStatesAndTheKeypadSets) {
  EXPECT_EQ(PanelLayout::StateName("album1", 3), "album3");
  EXPECT_EQ(PanelLayout::StateName("PLAY_1", 2), "PLAY_2");
  EXPECT_EQ(PanelLayout::StateName("MTS-1", 4), "MTS-d");
  EXPECT_EQ(PanelLayout::StateName("MTS-1", 3), "MTS-3");
  EXPECT_EQ(PanelLayout::KeypadSetName("album1"), "K_album1");
  EXPECT_EQ(PanelLayout::KeypadSetName("capture1"), "K_capture1");
  EXPECT_EQ(PanelLayout::KeypadSetName("tools1"), "tools1");
}

TEST(PanelLayoutData, EveryButtonLiesInsideTheOutlineOfALayoutThatShowsIt) {
  namespace pid = vd::panel_id;
  for (int layout = 0; layout < PanelLayout::kLayoutCount; ++layout) {
    QRegion outline;
    for (const QPolygon& p : PanelLayout::Outline(layout)) {
      outline = outline.united(QRegion(p, Qt::WindingFill));
    }
    outline = outline.united(QRegion(PanelLayout::KeypadPadOutline(), Qt::WindingFill));
    if (layout == 1)
      outline = outline.united(QRegion(PanelLayout::FmPadOutline(), Qt::WindingFill));
    for (const vd::PanelButtonEntry& entry : PanelLayout::Buttons()) {
      const bool vcr = entry.id >= pid::kPlay && entry.id <= pid::kLive;
      const bool fm = entry.id >= pid::kFmKey0 && entry.id <= pid::kFmMemory;
      if ((vcr && layout != 2) || (fm && layout != 1)) continue;
      QSize size(entry.width, entry.height);
      if (size.isEmpty()) size = vd::ButtonShape::Box(entry.shape);
      QRegion key = vd::ButtonShape::Region(entry.shape)->intersected(QRect(QPoint(), size));
      key.translate(PanelLayout::PanelPosition(entry));
      EXPECT_TRUE(key.subtracted(outline).isEmpty()) << "layout " << layout << " id " << entry.id;
    }
    // And inside the window.
    EXPECT_TRUE(QRect(QPoint(), PanelLayout::LayoutSize(layout)).contains(outline.boundingRect()))
        << layout;
  }
}

TEST(PanelLayoutData, TooltipsUseTheStringTable) {
  EXPECT_EQ(PanelLayout::Tooltip(1131), "Channel Up");
  EXPECT_EQ(PanelLayout::Tooltip(1149), "UnMute");
  EXPECT_EQ(PanelLayout::Tooltip(1147), "About Ardmoor...");
  EXPECT_EQ(PanelLayout::Tooltip(1152), "Capturing Video !");
  EXPECT_EQ(PanelLayout::Tooltip(1154), "Live View");
  EXPECT_EQ(PanelLayout::Tooltip(1142), "LiveView");
  EXPECT_EQ(PanelLayout::Tooltip(1116), "Volume Control");
  EXPECT_TRUE(PanelLayout::Tooltip(555).isEmpty());
}

}  // namespace
