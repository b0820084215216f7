#include "vd/panel/control_panel.h"

#include <gtest/gtest.h>

#include <QPointer>
#include <QSignalSpy>

#include "panel_layout.h"
#include "skin_events.h"
#include "skin_message.h"
#include "vd/layout/panel_ids.h"
#include "vd/skin/bmp_slider.h"
#include "vd/skin/gen_bmp_btn.h"
#include "vd/skin/skin.h"

namespace {

namespace pid = vd::panel_id;
using vd::PanelLayout;

class ControlPanelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = vd::SkinMessage::SetHandler(
        [this](QWidget*, const QString& text) { messages_.push_back(text); });
    panel_ = std::make_unique<CControlPanel>(vd::Skin::Shared());
    panel_->SetSoundMode({1, 0, 0});
    panel_->SetViewState(vd::ViewState::kLive);
    panel_->show();
  }
  void TearDown() override {
    panel_.reset();
    vd::SkinMessage::SetHandler(std::move(previous_));
  }

  bool Shown(int id) { return !panel_->Controls().Control(id)->isHidden(); }
  bool Usable(int id) { return panel_->Controls().Control(id)->isEnabled(); }
  void ClickButton(int id) {
    GenBmpBtn* b = panel_->Controls().Button(id);
    ASSERT_NE(b, nullptr) << id;
    vd::test::Click(b, QPoint(b->width() / 2, b->height() / 2));
  }
  std::vector<int> Commands(const QSignalSpy& spy) {
    std::vector<int> ids;
    for (const QList<QVariant>& call : spy) ids.push_back(call.at(0).toInt());
    return ids;
  }

  std::unique_ptr<CControlPanel> panel_;
  std::vector<QString> messages_;
  vd::SkinMessage::Handler previous_;
};

TEST_F(ControlPanelTest, BuildsEveryButtonAtItsPlace) {
  EXPECT_TRUE(panel_->isComplete());
  EXPECT_TRUE(messages_.empty());
  for (const vd::PanelButtonEntry& entry : PanelLayout::Buttons()) {
    GenBmpBtn* b = panel_->Controls().Button(entry.id);
    ASSERT_NE(b, nullptr) << entry.id;
    EXPECT_EQ(b->pos(), PanelLayout::PanelPosition(entry)) << entry.id;
    if (entry.width > 0) {
      EXPECT_EQ(b->size(), QSize(entry.width, entry.height)) << entry.id;
    }
    EXPECT_EQ(b->id(), entry.id);
    EXPECT_EQ(b->shape(), entry.shape);
  }
  EXPECT_EQ(panel_->Controls().Button(555)->size(), QSize(18, 17));
  EXPECT_EQ(panel_->Controls().Button(575)->size(), QSize(18, 18));
  // No placeholder is left behind.
  for (const vd::PanelButtonEntry& entry : PanelLayout::Buttons()) {
    EXPECT_EQ(CControlPanel::ControlsPart::FindControl(panel_.get(), entry.id),
              panel_->Controls().Button(entry.id));
  }
  EXPECT_EQ(panel_->Volume().Slider()->pos(), QPoint(64 + 229, 22));
  EXPECT_EQ(panel_->Controls().Control(pid::kIndicatorTv)->geometry(), QRect(64 + 200, 30, 18, 15));
  EXPECT_EQ(panel_->Controls().Control(1162)->geometry(), QRect(64 + 62 + 42, 63, 6, 9));
}

TEST_F(ControlPanelTest, ButtonsCarryTheirTooltips) {
  EXPECT_EQ(panel_->Controls().Button(pid::kChannelUp)->toolTip(), "Channel Up");
  EXPECT_EQ(panel_->Controls().Button(pid::kPower)->toolTip(), "Exit");
  EXPECT_EQ(panel_->Controls().Button(pid::kRestore)->toolTip(), "Restore");
  EXPECT_EQ(panel_->Volume().Slider()->toolTip(), "Volume Control");
}

TEST(ControlPanelCreateButton, ReplacesThePlaceholder) {
  QWidget parent;
  QPointer<QWidget> placeholder = new QWidget(&parent);
  placeholder->setProperty("vdControlId", 1145);
  auto* button = new GenBmpBtn(8, vd::Skin::Shared(), &parent);
  EXPECT_TRUE(CControlPanel::ControlsPart::CreateButton(button, 270, 2, 18, 18, 1145, &parent,
                                                        "Min1", "Min3", "Min2", "Min4"));
  EXPECT_TRUE(placeholder.isNull());
  EXPECT_EQ(CControlPanel::ControlsPart::FindControl(&parent, 1145), button);
  EXPECT_EQ(button->geometry(), QRect(270, 2, 18, 18));
  EXPECT_FALSE(button->isHidden());
}

TEST(ControlPanelCreateButton, FailureLeavesThePlaceholderHidden) {
  std::vector<QString> messages;
  auto previous =
      vd::SkinMessage::SetHandler([&](QWidget*, const QString& text) { messages.push_back(text); });
  QWidget parent;
  QPointer<QWidget> placeholder = new QWidget(&parent);
  placeholder->setProperty("vdControlId", 1145);
  GenBmpBtn badShape(20, vd::Skin::Shared());
  EXPECT_FALSE(CControlPanel::ControlsPart::CreateButton(&badShape, 270, 2, 18, 18, 1145, &parent,
                                                         "Min1", "Min3", "Min2", "Min4"));
  ASSERT_FALSE(placeholder.isNull());
  EXPECT_TRUE(placeholder->isHidden());
  EXPECT_EQ(messages, std::vector<QString>{"GenBmpBtn Load Errorr"});

  placeholder->show();
  GenBmpBtn noBitmap(8, vd::Skin::Shared());
  EXPECT_FALSE(CControlPanel::ControlsPart::CreateButton(&noBitmap, 270, 2, 18, 18, 1145, &parent,
                                                         "Nope1", "Nope3", "Nope2", "Nope4"));
  ASSERT_FALSE(placeholder.isNull());
  EXPECT_TRUE(placeholder->isHidden());
  vd::SkinMessage::SetHandler(std::move(previous));
}

TEST_F(ControlPanelTest, LayoutFollowsInputAndVcrPad) {
  EXPECT_EQ(panel_->Controls().LayoutIndex(), 0);
  EXPECT_EQ(panel_->size(), PanelLayout::LayoutSize(0));
  panel_->SetVcrPadOpen(true);
  EXPECT_EQ(panel_->Controls().LayoutIndex(), 2);
  EXPECT_EQ(panel_->size(), PanelLayout::LayoutSize(2));
  EXPECT_TRUE(Shown(pid::kRecord));
  EXPECT_TRUE(Shown(pid::kPlay));
  const QPoint underPad(64 + 60, 99);  // below the main body, inside the VCR pad's strip
  EXPECT_TRUE(panel_->mask().contains(underPad));
  panel_->SetVcrPadOpen(false);
  EXPECT_FALSE(Shown(pid::kRecord));
  EXPECT_FALSE(panel_->mask().contains(underPad));
  panel_->SetInput(1);
  panel_->SetWorkMode(vd::WorkMode::kRadio);
  EXPECT_EQ(panel_->Controls().LayoutIndex(), 1);
  EXPECT_EQ(panel_->size(), PanelLayout::LayoutSize(1));
}

TEST_F(ControlPanelTest, KeypadOpensWithTvAndRadioAndSwitchesToKSets) {
  const QPoint padPoint(20, 40);
  EXPECT_FALSE(panel_->mask().contains(padPoint));
  EXPECT_EQ(panel_->Controls().Button(pid::kAlbum)->bitmapName(GenBmpBtn::kNormal), "album1");
  ClickButton(pid::kKeypad);
  EXPECT_TRUE(panel_->state().keypadOpen);
  EXPECT_TRUE(panel_->mask().contains(padPoint));
  EXPECT_EQ(panel_->Controls().Button(pid::kAlbum)->bitmapName(GenBmpBtn::kNormal), "K_album1");
  EXPECT_EQ(panel_->Controls().Button(pid::kAlbum)->bitmapName(GenBmpBtn::kFocused), "K_album2");
  EXPECT_EQ(panel_->Controls().Button(pid::kSnapshot)->bitmapName(GenBmpBtn::kNormal),
            "K_snapshot1");
  EXPECT_EQ(panel_->Controls().Button(pid::kCapture)->bitmapName(GenBmpBtn::kDisabled),
            "K_capture4");
  EXPECT_TRUE(Shown(555));
  EXPECT_TRUE(Shown(pid::kKeyRecall));
  EXPECT_FALSE(Shown(575));

  const QPoint presetStrip(64 + 30, 102);
  EXPECT_FALSE(panel_->mask().contains(presetStrip));
  panel_->SetInput(1);
  panel_->SetWorkMode(vd::WorkMode::kRadio);
  EXPECT_FALSE(panel_->mask().contains(padPoint));
  EXPECT_TRUE(panel_->mask().contains(presetStrip));
  EXPECT_EQ(panel_->Controls().Button(pid::kAlbum)->bitmapName(GenBmpBtn::kNormal), "K_album1");
  EXPECT_FALSE(Shown(555));
  EXPECT_TRUE(Shown(575));
  EXPECT_TRUE(Shown(pid::kFmMemory));

  panel_->SetInput(2);
  panel_->SetWorkMode(vd::WorkMode::kComposite);
  EXPECT_EQ(panel_->Controls().Button(pid::kAlbum)->bitmapName(GenBmpBtn::kNormal), "album1");
  EXPECT_FALSE(Shown(555));
  EXPECT_FALSE(Shown(575));
}

TEST_F(ControlPanelTest, ViewStatesAndWorkModesEnableTheRightButtons) {
  panel_->SetWorkMode(vd::WorkMode::kComposite);
  panel_->SetInput(2);
  EXPECT_FALSE(Usable(pid::kChannelUp));
  EXPECT_FALSE(Usable(pid::kKeypad));
  EXPECT_FALSE(Usable(pid::kSoundMode));
  EXPECT_EQ(panel_->Controls().Button(pid::kSoundMode)->currentBitmapName(), "MTS-d");
  EXPECT_TRUE(Usable(pid::kSnapshot));
  EXPECT_TRUE(Shown(pid::kIndicatorComposite));
  EXPECT_FALSE(Shown(pid::kIndicatorTv));

  panel_->SetWorkMode(vd::WorkMode::kTv);
  panel_->SetInput(0);
  panel_->SetViewState(vd::ViewState::kCapturing);
  EXPECT_FALSE(Usable(pid::kInput));
  EXPECT_FALSE(Usable(pid::kChannelUp));
  EXPECT_TRUE(Shown(pid::kIndicatorRecord));
  EXPECT_FALSE(Shown(pid::kIndicatorLive));
  panel_->SetRecordLampVisible(false);
  EXPECT_FALSE(Shown(pid::kIndicatorRecord));

  panel_->SetViewState(vd::ViewState::kClipOpen);
  EXPECT_TRUE(panel_->state().vcrPadOpen);  // a clip opens the VCR pad
  EXPECT_TRUE(Shown(pid::kLive));
  EXPECT_FALSE(Shown(pid::kRecord));
  EXPECT_TRUE(Usable(pid::kPlay));
  EXPECT_TRUE(Shown(pid::kIndicatorLive));

  panel_->SetViewState(vd::ViewState::kLive);
  panel_->SetWorkMode(vd::WorkMode::kRadio);
  panel_->SetInput(1);
  EXPECT_FALSE(Usable(pid::kMaximize));
  EXPECT_FALSE(Usable(pid::kAlbum));
  EXPECT_FALSE(Usable(pid::kCapture));
  EXPECT_TRUE(Usable(pid::kChannelUp));
  EXPECT_TRUE(Shown(pid::kIndicatorRadio));
}

TEST_F(ControlPanelTest, ButtonsSendTheirCommands) {
  QSignalSpy commands(panel_.get(), &CControlPanel::Command);
  ClickButton(pid::kChannelUp);
  ClickButton(pid::kTools);
  ClickButton(pid::kPower);
  EXPECT_EQ(Commands(commands), (std::vector<int>{1131, 1139, 1143}));
}

TEST_F(ControlPanelTest, TransparentCornerOfARoundButtonSendsNothing) {
  QSignalSpy commands(panel_.get(), &CControlPanel::Command);
  GenBmpBtn* power = panel_->Controls().Button(pid::kPower);
  vd::test::Click(power, {0, 0});
  EXPECT_TRUE(commands.isEmpty());
  vd::test::Click(power, {10, 10});
  EXPECT_EQ(Commands(commands), std::vector<int>{1143});
}

TEST_F(ControlPanelTest, MuteAndVcrButtonsSwap) {
  QSignalSpy commands(panel_.get(), &CControlPanel::Command);
  ClickButton(pid::kMute);
  EXPECT_FALSE(Shown(pid::kMute));
  EXPECT_TRUE(Shown(pid::kUnmute));
  ClickButton(pid::kUnmute);
  EXPECT_TRUE(Shown(pid::kMute));

  panel_->SetFullScreen(true);
  EXPECT_FALSE(Shown(pid::kMaximize));
  EXPECT_TRUE(Shown(pid::kRestore));
  panel_->SetFullScreen(false);

  ClickButton(pid::kCapture);
  EXPECT_EQ(panel_->Controls().LayoutIndex(), 2);
  panel_->SetViewState(vd::ViewState::kClipOpen);
  ClickButton(pid::kPlay);
  EXPECT_TRUE(Shown(pid::kPause));
  EXPECT_FALSE(Shown(pid::kPlay));
  ClickButton(pid::kStop);
  EXPECT_TRUE(Shown(pid::kPlay));
  // While a clip is open the Capture button cannot close the pad.
  ClickButton(pid::kCapture);
  EXPECT_EQ(panel_->Controls().LayoutIndex(), 2);
  EXPECT_EQ(Commands(commands), (std::vector<int>{1135, 1149, 1137, 1150, 1153, 1137}));
}

TEST_F(ControlPanelTest, InputCyclesAndSkipsRadioWhenDisabled) {
  panel_->SetFmDisabled(true);
  QSignalSpy commands(panel_.get(), &CControlPanel::Command);
  ClickButton(pid::kInput);
  EXPECT_EQ(panel_->input(), 1);
  EXPECT_EQ(Commands(commands), std::vector<int>{1140});
  ClickButton(pid::kInput);
  EXPECT_EQ(panel_->input(), 2);
  EXPECT_EQ(Commands(commands), (std::vector<int>{1140, 1140, 1114}));
  ClickButton(pid::kInput);
  EXPECT_EQ(Commands(commands).back(), 1118);
  panel_->RevertInput();
  EXPECT_EQ(panel_->input(), 3);
}

TEST_F(ControlPanelTest, FmMemoryKeyLatchesUntilAPresetIsStored) {
  panel_->SetInput(1);
  panel_->SetWorkMode(vd::WorkMode::kRadio);
  panel_->SetKeypadOpen(true);
  std::vector<std::pair<int, bool>> seen;
  QObject::connect(panel_.get(), &CControlPanel::Command,
                   [&](int id) { seen.emplace_back(id, panel_->Display().FmMemoryMode()); });
  ClickButton(pid::kFmMemory);
  EXPECT_TRUE(panel_->Display().FmMemoryMode());
  EXPECT_EQ(panel_->Controls().Button(pid::kFmMemory)->currentBitmapName(), "FM_KEY_MEM3");
  ClickButton(573);
  EXPECT_FALSE(panel_->Display().FmMemoryMode());
  EXPECT_NE(panel_->Controls().Button(pid::kFmMemory)->currentBitmapName(), "FM_KEY_MEM3");
  ClickButton(574);
  EXPECT_EQ(seen, (std::vector<std::pair<int, bool>>{{580, true}, {573, true}, {574, false}}));
}

TEST_F(ControlPanelTest, DisplayShowsStationTexts) {
  panel_->SetInput(1);
  panel_->Display().SetStation(vd::PanelStation{"Klassik", 98100000, 2});
  panel_->Display().Refresh(0);
  EXPECT_EQ(panel_->Display().Number(), " 98.1  # 3");
  EXPECT_EQ(panel_->Display().Caption(), "Radio Klassik");
  panel_->Display().Refresh(-100);
  EXPECT_EQ(panel_->Display().Caption(), "STEREO");
  panel_->SetInput(0);
  panel_->Display().SetStation(std::nullopt);
  panel_->Display().Refresh(7);
  EXPECT_EQ(panel_->Display().Number(), "7");
  EXPECT_EQ(panel_->Display().Caption(), "Channel");
  panel_->Display().ShowText("", "Memory ON");
  EXPECT_EQ(panel_->Display().Caption(), "Memory ON");
  // The caption never runs under the number.
  panel_->Display().ShowText("101.7  # 10", "Radio A very long station name");
  EXPECT_GT(panel_->Controls().Control(pid::kStationName)->x(),
            panel_->Controls().Control(pid::kStationNumber)->x());
}

TEST_F(ControlPanelTest, SliderDragsReachTheMainWindow) {
  QSignalSpy moved(panel_.get(), &CControlPanel::SliderMoved);
  QSignalSpy focus(panel_.get(), &CControlPanel::FocusToMainWindow);
  panel_->Volume().SetRange(0, 65535);
  panel_->Volume().SetPosition(0);
  BmpSlider* s = panel_->Volume().Slider();
  vd::test::Press(s, s->thumbRect().center());
  vd::test::Move(s, {8, 200}, true);
  vd::test::Release(s, {8, 200});
  ASSERT_EQ(moved.count(), 2);
  EXPECT_EQ(moved.last().at(0).toInt(), 1116);
  EXPECT_EQ(moved.last().at(1).toInt(), 65535);
  vd::test::Leave(s);
  EXPECT_EQ(focus.count(), 1);
}

TEST_F(ControlPanelTest, DraggingTheBackgroundMovesThePanel) {
  panel_->move(100, 100);
  const QPoint start = panel_->pos();
  const QPoint grip(64 + 150, 85);
  vd::test::Press(panel_.get(), grip);
  vd::test::SendMouse(panel_.get(), QEvent::MouseMove, grip + QPoint(30, -20), Qt::NoButton,
                      Qt::LeftButton);
  vd::test::Release(panel_.get(), grip + QPoint(30, -20));
  EXPECT_EQ(panel_->pos(), start + QPoint(30, -20));

  // A press on the slider's groove belongs to the slider, not to the panel.
  vd::test::Press(panel_->Volume().Slider(), {8, 3});
  vd::test::SendMouse(panel_.get(), QEvent::MouseMove, grip + QPoint(90, 40), Qt::NoButton,
                      Qt::LeftButton);
  EXPECT_EQ(panel_->pos(), start + QPoint(30, -20));
}

}  // namespace
