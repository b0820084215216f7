#include "vd/skin/gen_bmp_btn.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QWidget>

#include "skin_events.h"
#include "skin_message.h"
#include "vd/skin/skin.h"

namespace {

using vd::Skin;
using vd::SkinMessage;

QImage Solid(QSize size, QColor color) {
  QImage image(size, QImage::Format_ARGB32_Premultiplied);
  image.fill(color);
  return image;
}

class GenBmpBtnTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Flat colours make the shown bitmap easy to tell from the others.
    skin_.Add("Max1", Solid({18, 18}, Qt::red));
    skin_.Add("MAX2", Solid({18, 18}, Qt::green));
    skin_.Add("max3", Solid({18, 18}, Qt::blue));
    skin_.Add("Max4", Solid({18, 18}, Qt::gray));
    skin_.Add("Min1", Solid({18, 18}, Qt::yellow));
    skin_.Add("Min2", Solid({18, 18}, Qt::cyan));
    skin_.Add("Wide1", Solid({34, 18}, Qt::magenta));
    previous_ = SkinMessage::SetHandler(
        [this](QWidget*, const QString& text) { messages_.push_back(text); });
    parent_.resize(200, 100);
  }
  void TearDown() override { SkinMessage::SetHandler(std::move(previous_)); }

  GenBmpBtn* MakeButton(int shape, QPoint at, const char* set = "Max") {
    auto* b = new GenBmpBtn(shape, skin_, &parent_);
    const QString s = QString::fromLatin1(set);
    EXPECT_TRUE(b->Create(QRect(at, QSize(18, 18)), 1144, &parent_));
    EXPECT_TRUE(b->LoadBitmaps(s + "1", s + "3", s + "2", s + "4"));
    b->show();
    return b;
  }

  QColor Shown(GenBmpBtn* b) { return b->grab().toImage().pixelColor(9, 9); }

  Skin skin_;
  QWidget parent_;
  std::vector<QString> messages_;
  SkinMessage::Handler previous_;
};

TEST_F(GenBmpBtnTest, ClickInTheTransparentCornerOfAnEllipseDoesNothing) {
  GenBmpBtn* b = MakeButton(8, {10, 10});
  QSignalSpy clicked(b, &QAbstractButton::clicked);
  vd::test::Press(b, {1, 1});
  EXPECT_FALSE(b->isDown());
  vd::test::Release(b, {1, 1});
  EXPECT_EQ(clicked.count(), 0);
  EXPECT_FALSE(b->mask().contains(QPoint(1, 1)));

  vd::test::Press(b, {9, 9});
  EXPECT_TRUE(b->isDown());
  vd::test::Release(b, {9, 9});
  EXPECT_EQ(clicked.count(), 1);
}

TEST_F(GenBmpBtnTest, RectangleShapeTakesClicksUpToItsCorner) {
  GenBmpBtn* b = MakeButton(0, {10, 10});
  QSignalSpy clicked(b, &QAbstractButton::clicked);
  vd::test::Click(b, {0, 0});
  EXPECT_EQ(clicked.count(), 1);
}

TEST_F(GenBmpBtnTest, DrawsPressedFocusedDisabledAndNormalInThatOrder) {
  GenBmpBtn* b = MakeButton(8, {10, 10});
  EXPECT_EQ(b->currentBitmapName(), "Max1");
  EXPECT_EQ(Shown(b), QColor(Qt::red));
  b->setDown(true);
  EXPECT_EQ(b->currentBitmapName(), "Max3");
  EXPECT_EQ(Shown(b), QColor(Qt::blue));
  b->setDown(false);
  b->setEnabled(false);
  EXPECT_EQ(b->currentBitmapName(), "Max4");
  EXPECT_EQ(Shown(b), QColor(Qt::gray));
  b->setEnabled(true);
  b->SetLatched(true);
  EXPECT_EQ(b->currentBitmapName(), "Max3");
  b->SetLatched(false);
  EXPECT_EQ(b->currentBitmapName(), "Max1");
}

TEST_F(GenBmpBtnTest, HoverTakesTheFocusAndShowsTheFocusedBitmap) {
  GenBmpBtn* first = MakeButton(8, {10, 10});
  GenBmpBtn* second = MakeButton(8, {40, 10});
  parent_.show();
  vd::test::Move(first, {9, 9});
  EXPECT_TRUE(first->hovering());
  EXPECT_EQ(parent_.focusWidget(), first);
  EXPECT_TRUE(first->currentBitmapName().endsWith('2'));
  EXPECT_EQ(Shown(first), QColor(Qt::green));

  // Moving on to the next button moves the look with the focus.
  vd::test::Leave(first);
  vd::test::Move(second, {9, 9});
  EXPECT_FALSE(first->hovering());
  EXPECT_EQ(parent_.focusWidget(), second);
  EXPECT_EQ(first->currentBitmapName(), "Max1");
  EXPECT_EQ(second->currentBitmapName(), "Max2");
}

TEST_F(GenBmpBtnTest, BitmapSetsChangeAtAnyTime) {
  GenBmpBtn* b = MakeButton(11, {10, 10});
  EXPECT_TRUE(b->LoadBitmaps("wide1", "wide3", "wide2", "wide4"));
  EXPECT_EQ(b->size(), QSize(34, 18));
  EXPECT_EQ(Shown(b), QColor(Qt::magenta));
  // A missing pressed look falls back to the normal one.
  b->setDown(true);
  EXPECT_EQ(b->currentBitmapName(), "wide1");
  b->setDown(false);
  // An unknown set is refused and the old one stays.
  EXPECT_FALSE(b->LoadBitmaps("Nothing1", "Nothing3", "Nothing2", "Nothing4"));
  EXPECT_EQ(b->currentBitmapName(), "wide1");
  EXPECT_TRUE(b->LoadBitmaps("Min1", "Min3", "Min2", "Min4"));
  EXPECT_EQ(b->size(), QSize(18, 18));
  EXPECT_EQ(Shown(b), QColor(Qt::yellow));
}

TEST_F(GenBmpBtnTest, ClickAreaIsClippedToTheBitmap) {
  // Shape 5 is a 24 x 24 circle; on a 18 x 18 bitmap the window clips it.
  GenBmpBtn* b = MakeButton(5, {10, 10});
  EXPECT_TRUE(QRect(0, 0, 18, 18).contains(b->mask().boundingRect()));
  EXPECT_FALSE(b->mask().contains(QPoint(0, 0)));
  EXPECT_TRUE(b->mask().contains(QPoint(17, 17)));
}

TEST_F(GenBmpBtnTest, ShapeOutsideTheTableFailsWithItsMessage) {
  GenBmpBtn b(14, skin_);
  EXPECT_FALSE(b.Create(QRect(0, 0, 18, 18), 1144, &parent_));
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0], "GenBmpBtn Load Errorr");
  GenBmpBtn negative(-1, skin_);
  EXPECT_FALSE(negative.Create(QRect(0, 0, 18, 18), 1144, &parent_));
  EXPECT_EQ(messages_.size(), 2u);
}

}  // namespace
