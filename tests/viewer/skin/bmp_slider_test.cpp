#include "vd/skin/bmp_slider.h"

#include <gtest/gtest.h>

#include <QSignalSpy>

#include "skin_events.h"
#include "skin_message.h"
#include "vd/skin/skin.h"

namespace {

using vd::Skin;
using vd::SkinMessage;

class BmpSliderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto solid = [](int w, int h, QColor c) {
      QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
      image.fill(c);
      return image;
    };
    skin_.Add("VOL_BG", solid(16, 58, Qt::black));
    skin_.Add("IDB_SLIDER1", solid(15, 11, Qt::red));
    skin_.Add("IDB_SLIDER2", solid(15, 11, Qt::green));
    skin_.Add("IDB_SLIDER3", solid(15, 11, Qt::blue));
    previous_ = SkinMessage::SetHandler(
        [this](QWidget*, const QString& text) { messages_.push_back(text); });
  }
  void TearDown() override { SkinMessage::SetHandler(std::move(previous_)); }

  std::unique_ptr<BmpSlider> Make(int minimum, int maximum) {
    auto slider = std::make_unique<BmpSlider>(skin_);
    EXPECT_TRUE(slider->Create({229, 22}, 1116));
    slider->SetRange(minimum, maximum);
    return slider;
  }

  QPoint ThumbCentre(const BmpSlider& s) { return s.thumbRect().center(); }

  Skin skin_;
  std::vector<QString> messages_;
  SkinMessage::Handler previous_;
};

TEST_F(BmpSliderTest, SizesItselfToTheBackgroundAndCentresTheThumb) {
  auto s = Make(0, 100);
  EXPECT_EQ(s->geometry(), QRect(229, 22, 17, 59));
  // x = (17 - 15) / 2 + 1, y = (59 - 11) / 2
  EXPECT_EQ(s->centre(), QPoint(2, 24));
  EXPECT_EQ(s->thumbRect(), QRect(2, 24, 15, 11));
}

TEST_F(BmpSliderTest, DraggingPastTheEndsStopsAt22PixelsAndSendsTheEndValues) {
  auto s = Make(0, 65535);
  QSignalSpy sent(s.get(), &BmpSlider::PositionChanged);
  vd::test::Press(s.get(), ThumbCentre(*s));
  vd::test::Move(s.get(), {8, -40}, true);
  EXPECT_EQ(s->thumbRect().top(), 24 - 22);
  ASSERT_EQ(sent.count(), 1);
  EXPECT_EQ(sent.last().at(0).toInt(), 1116);
  EXPECT_EQ(sent.last().at(1).toInt(), 0);
  vd::test::Move(s.get(), {8, 500}, true);
  EXPECT_EQ(s->thumbRect().top(), 24 + 22);
  EXPECT_EQ(sent.last().at(1).toInt(), 65535);
  vd::test::Release(s.get(), {8, 500});
  ASSERT_EQ(sent.count(), 3);  // once more on release
  EXPECT_EQ(sent.last().at(1).toInt(), 65535);
  EXPECT_FALSE(s->dragging());
}

TEST_F(BmpSliderTest, ValuesCountFromTheMinimum) {
  auto s = Make(100, 1100);
  QSignalSpy sent(s.get(), &BmpSlider::PositionChanged);
  vd::test::Press(s.get(), ThumbCentre(*s));
  vd::test::Move(s.get(), {8, 1000}, true);
  EXPECT_EQ(sent.last().at(1).toInt(), 1000);  // maximum - minimum
  vd::test::Move(s.get(), {8, 24 - 22 + 11}, true);
  EXPECT_EQ(sent.last().at(1).toInt(), 11 * 1000 / 44);
}

TEST_F(BmpSliderTest, ReleaseWithoutMoveSendsNothing) {
  auto s = Make(0, 440);
  QSignalSpy sent(s.get(), &BmpSlider::PositionChanged);
  vd::test::Press(s.get(), ThumbCentre(*s));
  EXPECT_TRUE(s->dragging());
  vd::test::Release(s.get(), ThumbCentre(*s));
  EXPECT_EQ(sent.count(), 0);
  EXPECT_FALSE(s->dragging());
  // Nor does a press beside the thumb start a drag.
  vd::test::Press(s.get(), {8, 3});
  vd::test::Move(s.get(), {8, 50}, true);
  vd::test::Release(s.get(), {8, 50});
  EXPECT_EQ(sent.count(), 0);
  EXPECT_EQ(s->thumbRect().top(), 24);
}

TEST_F(BmpSliderTest, SetPositionPlacesTheThumb) {
  auto s = Make(0, 65535);
  s->SetPosition(0);
  EXPECT_EQ(s->thumbRect().top(), 2);
  EXPECT_EQ(s->Position(), 0);
  s->SetPosition(65535);
  EXPECT_EQ(s->thumbRect().top(), 46);
  EXPECT_EQ(s->Position(), 65535);
  // 32767 * 44 / 65535 = 21.9993 pixels, truncated; 32768 gives 22.0007: the centre.
  s->SetPosition(32767);
  EXPECT_EQ(s->thumbRect().top(), 2 + 21);
  s->SetPosition(32768);
  EXPECT_EQ(s->thumbRect().top(), 24);
  // Values outside the range stay on the travel.
  s->SetPosition(-5);
  EXPECT_EQ(s->thumbRect().top(), 2);
  s->SetPosition(1 << 30);
  EXPECT_EQ(s->thumbRect().top(), 46);
}

TEST_F(BmpSliderTest, EmptyRangeKeepsTheThumbAtTheTop) {
  auto s = Make(50, 50);
  s->SetPosition(50);
  EXPECT_EQ(s->thumbRect().top(), 2);
  EXPECT_EQ(s->Position(), 0);
}

TEST_F(BmpSliderTest, HoverAndLeave) {
  auto s = Make(0, 100);
  QSignalSpy focusBack(s.get(), &BmpSlider::FocusReturned);
  vd::test::Move(s.get(), {8, 3});
  EXPECT_TRUE(s->hovering());
  EXPECT_EQ(s->grab().toImage().pixelColor(ThumbCentre(*s)), QColor(Qt::green));
  vd::test::Leave(s.get());
  EXPECT_FALSE(s->hovering());
  EXPECT_EQ(focusBack.count(), 1);
  EXPECT_EQ(s->grab().toImage().pixelColor(ThumbCentre(*s)), QColor(Qt::red));
  vd::test::Press(s.get(), ThumbCentre(*s));
  EXPECT_EQ(s->grab().toImage().pixelColor(ThumbCentre(*s)), QColor(Qt::blue));
}

TEST_F(BmpSliderTest, MissingBitmapFailsWithItsMessage) {
  skin_.Remove("IDB_SLIDER2");
  BmpSlider s(skin_);
  EXPECT_FALSE(s.Create({0, 0}, 1116));
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0], "BmpSlider LoadBmp Error");
  skin_.Remove("VOL_BG");
  BmpSlider t(skin_);
  EXPECT_FALSE(t.Create({0, 0}, 1116));
  EXPECT_EQ(messages_.size(), 2u);
}

}  // namespace
