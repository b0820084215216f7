#include "vd/skin/skin.h"

#include <gtest/gtest.h>

#include <QSet>
#include <QString>

#include "vd/skin/button_shape.h"

namespace {

using vd::ButtonShape;
using vd::Skin;

TEST(SkinLookup, IgnoresCase) {
  Skin skin;
  QImage image(4, 3, QImage::Format_ARGB32);
  image.fill(Qt::red);
  skin.Add("Album4", image);
  EXPECT_FALSE(skin.Find("album4").isNull());
  EXPECT_FALSE(skin.Find("ALBUM4").isNull());
  EXPECT_EQ(skin.Find("aLbUm4").size(), QSize(4, 3));
  EXPECT_TRUE(skin.Find("album3").isNull());
  EXPECT_TRUE(skin.Names().contains("Album4"));
  EXPECT_TRUE(skin.Remove("ALBUM4"));
  EXPECT_FALSE(skin.Contains("Album4"));
  EXPECT_FALSE(skin.Remove("ALBUM4"));
}

// Every key the panel uses: normal name, width, height (0 = keypad key, size chosen by us).
struct KeyUse {
  const char* normal;
  int width;
  int height;
};

const KeyUse kPanelKeys[] = {
    {"CH_UP1", 22, 23},   {"CH_DOWN1", 22, 24},    {"tools1", 21, 23},      {"input1", 21, 24},
    {"Mute1", 12, 13},    {"unMute1", 12, 13},     {"album1", 39, 19},      {"snapshot1", 39, 19},
    {"capture1", 39, 19}, {"K_album1", 39, 19},    {"K_snapshot1", 39, 19}, {"K_capture1", 39, 19},
    {"About1", 14, 14},   {"Max1", 18, 18},        {"Min1", 18, 18},        {"Power1", 20, 20},
    {"Ardmoor1", 48, 14}, {"KEYPAD1", 13, 12},     {"PLAY_1", 34, 18},      {"PAUSE_1", 34, 18},
    {"STOP_1", 34, 18},   {"RECORD_1", 34, 18},    {"LIVE_1", 34, 18},      {"KEY_EN1", 18, 17},
    {"KEY_RCL1", 18, 17}, {"FM_KEY_MEM1", 18, 18},
};

TEST(SkinArtwork, HasFourDistinctLooksOfEveryPanelKeyAtItsSize) {
  const Skin& skin = Skin::Shared();
  std::vector<KeyUse> keys(std::begin(kPanelKeys), std::end(kPanelKeys));
  static const char* const kDigits[] = {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"};
  std::vector<QByteArray> names;
  for (const char* d : kDigits) {
    names.push_back(QByteArray("KEY") + d + "1");
    names.push_back(QByteArray("FM_KEY") + d + "1");
  }
  for (size_t i = 0; i < names.size(); i += 2) {
    keys.push_back({names[i].constData(), 18, 17});
    keys.push_back({names[i + 1].constData(), 18, 18});
  }
  for (const KeyUse& key : keys) {
    const QString normal = QString::fromLatin1(key.normal);
    const QString stem = normal.left(normal.size() - 1);
    QSet<QByteArray> looks;
    for (int state = 1; state <= 4; ++state) {
      QImage image = skin.Find(stem + QString::number(state));
      ASSERT_FALSE(image.isNull()) << key.normal << " state " << state;
      EXPECT_EQ(image.size(), QSize(key.width, key.height)) << key.normal;
      looks.insert(QByteArray(reinterpret_cast<const char*>(image.constBits()),
                              static_cast<int>(image.sizeInBytes())));
    }
    EXPECT_EQ(looks.size(), 4) << key.normal << ": states must look different";
  }
}

TEST(SkinArtwork, HasTheSoundKeyTheSliderAndTheLamps) {
  const Skin& skin = Skin::Shared();
  for (const char* name : {"MTS-1", "MTS-2", "MTS-3", "MTS-d"}) {
    EXPECT_EQ(skin.Find(name).size(), QSize(14, 14)) << name;
  }
  EXPECT_NE(skin.Find("MTS-1"), skin.Find("MTS-d"));
  EXPECT_EQ(skin.Find("VOL_BG").size(), QSize(16, 58));
  for (const char* name : {"IDB_SLIDER1", "IDB_SLIDER2", "IDB_SLIDER3"}) {
    EXPECT_EQ(skin.Find(name).size(), QSize(15, 11)) << name;
  }
  EXPECT_NE(skin.Find("IDB_SLIDER1"), skin.Find("IDB_SLIDER3"));
  EXPECT_EQ(skin.Find("IND_TV").size(), QSize(18, 15));
  EXPECT_EQ(skin.Find("IND_SV").size(), QSize(19, 14));
  EXPECT_EQ(skin.Find("LAMP_REC").size(), QSize(28, 9));
  EXPECT_EQ(skin.Find("LED_ON").size(), QSize(6, 9));
}

TEST(SkinArtwork, KeysAreOpaqueInsideTheirShape) {
  // The click area shows exactly the bitmap: no see-through pixels inside the shape.
  const QImage key = Skin::Shared().Find("Max1");
  const QRegion region = *ButtonShape::Region(8);
  for (int y = 0; y < key.height(); ++y) {
    for (int x = 0; x < key.width(); ++x) {
      if (region.contains(QPoint(x, y))) {
        EXPECT_EQ(qAlpha(key.pixel(x, y)), 255) << x << "," << y;
      }
    }
  }
}

TEST(ButtonShapes, BuildForEveryIndexAndOnlyThose) {
  for (int shape = 0; shape < ButtonShape::kCount; ++shape) {
    ASSERT_TRUE(ButtonShape::Region(shape)) << shape;
    EXPECT_FALSE(ButtonShape::Region(shape)->isEmpty()) << shape;
    EXPECT_TRUE(ButtonShape::Path(shape)) << shape;
  }
  EXPECT_FALSE(ButtonShape::Region(-1));
  EXPECT_FALSE(ButtonShape::Region(14));
  EXPECT_FALSE(ButtonShape::Path(14));
}

TEST(ButtonShapes, MatchTheirOutlines) {
  EXPECT_EQ(ButtonShape::Region(0)->boundingRect(), QRect(0, 0, 48, 14));
  EXPECT_EQ(ButtonShape::Box(11), QSize(34, 18));
  EXPECT_EQ(ButtonShape::Box(10), QSize(13, 12));
  EXPECT_EQ(ButtonShape::Box(13), QSize(18, 17));
  // Ellipses leave their corners out.
  for (int shape = 4; shape < ButtonShape::kCount; ++shape) {
    QRegion region = *ButtonShape::Region(shape);
    QSize box = ButtonShape::Box(shape);
    EXPECT_FALSE(region.contains(QPoint(0, 0))) << shape;
    EXPECT_FALSE(region.contains(QPoint(box.width() - 1, box.height() - 1))) << shape;
    EXPECT_TRUE(region.contains(QPoint(box.width() / 2, box.height() / 2))) << shape;
  }
  // Channel up: a roof; its top corners are cut off.
  QRegion up = *ButtonShape::Region(1);
  EXPECT_FALSE(up.contains(QPoint(1, 1)));
  EXPECT_FALSE(up.contains(QPoint(20, 1)));
  EXPECT_TRUE(up.contains(QPoint(11, 2)));
  EXPECT_TRUE(up.contains(QPoint(1, 25)));
  // Channel down: its bottom corners are cut off.
  QRegion down = *ButtonShape::Region(2);
  EXPECT_TRUE(down.contains(QPoint(1, 1)));
  EXPECT_FALSE(down.contains(QPoint(1, 25)));
  EXPECT_TRUE(down.contains(QPoint(11, 25)));
  // The tab: its right point.
  QRegion tab = *ButtonShape::Region(3);
  EXPECT_TRUE(tab.contains(QPoint(42, 11)));
  EXPECT_FALSE(tab.contains(QPoint(42, 2)));
  EXPECT_FALSE(tab.contains(QPoint(40, 21)));
}

}  // namespace
