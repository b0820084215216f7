#include "vd/layout/panel_rules.h"

#include <gtest/gtest.h>

#include "vd/layout/panel_ids.h"

namespace {

namespace pid = vd::panel_id;
using vd::PanelState;

using vd::ViewState;

// workMode: the stored number, which the panel's input mirrors.
PanelState Live(int workMode) {
  PanelState s;
  s.viewState = ViewState::kLive;
  s.workMode = vd::WorkModeFromStored(workMode);
  s.input = 3 - workMode;
  s.isMts = 1;
  return s;
}

bool Enabled(const PanelState& s, int id) {
  return vd::ComputeControlStates(s).at(id).enabled;
}
bool Visible(const PanelState& s, int id) {
  return vd::ComputeControlStates(s).at(id).visible;
}

TEST(PanelLayoutChoice, RadioFirstThenVcrPad) {
  PanelState s = Live(3);
  EXPECT_EQ(vd::PanelLayoutOf(s), 0);
  s.vcrPadOpen = true;
  EXPECT_EQ(vd::PanelLayoutOf(s), 2);
  PanelState radio = Live(2);
  EXPECT_EQ(vd::PanelLayoutOf(radio), 1);
  radio.vcrPadOpen = true;
  EXPECT_EQ(vd::PanelLayoutOf(radio), 1);
}

TEST(PanelControls, EveryKnownControlHasAState) {
  auto states = vd::ComputeControlStates(Live(3));
  for (int id : {1131, 1133, 1139, 1140, 1135, 1149, 1136, 1138, 1137, 1146, 1178, 1144, 1179,
                 1145, 1143, 1147, 1148, 1150, 1151, 1153, 1152, 1154, 550,  559,  560,  561,
                 570,  579,  580,  1116, 193,  192,  194,  195,  199,  196,  198,  1155, 1162}) {
    EXPECT_TRUE(states.count(id)) << id;
  }
}

TEST(PanelControls, SwapsMuteAndMaximiseButtons) {
  PanelState s = Live(3);
  EXPECT_TRUE(Visible(s, pid::kMute));
  EXPECT_FALSE(Visible(s, pid::kUnmute));
  EXPECT_TRUE(Visible(s, pid::kMaximize));
  EXPECT_FALSE(Visible(s, pid::kRestore));
  s.muted = true;
  s.fullScreen = true;
  EXPECT_FALSE(Visible(s, pid::kMute));
  EXPECT_TRUE(Visible(s, pid::kUnmute));
  EXPECT_FALSE(Visible(s, pid::kMaximize));
  EXPECT_TRUE(Visible(s, pid::kRestore));
}

TEST(PanelControls, ExternalVideoDisablesChannelKeypadAndSoundButtons) {
  for (int mode : {0, 1}) {
    PanelState s = Live(mode);
    for (int id : {pid::kChannelUp, pid::kChannelDown, pid::kKeypad, pid::kSoundMode}) {
      EXPECT_FALSE(Enabled(s, id)) << "mode " << mode << " id " << id;
    }
    for (int id : {pid::kAlbum, pid::kSnapshot, pid::kCapture, pid::kMaximize, pid::kInput}) {
      EXPECT_TRUE(Enabled(s, id)) << "mode " << mode << " id " << id;
    }
  }
  PanelState tv = Live(3);
  EXPECT_TRUE(Enabled(tv, pid::kChannelUp));
  EXPECT_TRUE(Enabled(tv, pid::kKeypad));
  EXPECT_TRUE(Enabled(tv, pid::kSoundMode));
}

TEST(PanelControls, RadioDisablesPictureButtonsAndHidesRecordAndLive) {
  PanelState s = Live(2);
  for (int id : {pid::kMaximize, pid::kAlbum, pid::kCapture, pid::kSnapshot}) {
    EXPECT_FALSE(Enabled(s, id)) << id;
  }
  EXPECT_TRUE(Enabled(s, pid::kChannelUp));
  // Even with the pad open and a clip on show, Record and Live stay hidden in radio.
  s.vcrPadOpen = true;
  s.input = 0;
  EXPECT_FALSE(Visible(s, pid::kRecord));
  s.viewState = ViewState::kClipOpen;
  EXPECT_FALSE(Visible(s, pid::kLive));
}

TEST(PanelControls, UnknownSoundSystemDisablesTheSoundButton) {
  PanelState s = Live(3);
  s.isMts = -1;
  EXPECT_FALSE(Enabled(s, pid::kSoundMode));
  s.isMts = 0;
  EXPECT_TRUE(Enabled(s, pid::kSoundMode));
}

TEST(PanelControls, VcrPadFollowsTheViewState) {
  PanelState s = Live(3);
  EXPECT_FALSE(Visible(s, pid::kPlay));
  EXPECT_FALSE(Visible(s, pid::kStop));
  s.vcrPadOpen = true;
  EXPECT_TRUE(Visible(s, pid::kPlay));
  EXPECT_FALSE(Enabled(s, pid::kPlay));  // nothing to play in live video
  EXPECT_FALSE(Enabled(s, pid::kStop));
  EXPECT_TRUE(Visible(s, pid::kRecord));
  EXPECT_FALSE(Visible(s, pid::kLive));
  EXPECT_FALSE(Visible(s, pid::kKeypad));  // the pad covers its place

  s.viewState = ViewState::kClipOpen;
  EXPECT_TRUE(Enabled(s, pid::kPlay));
  EXPECT_TRUE(Enabled(s, pid::kStop));
  EXPECT_FALSE(Visible(s, pid::kRecord));
  EXPECT_TRUE(Visible(s, pid::kLive));
  EXPECT_FALSE(Enabled(s, pid::kSnapshot));
  s.playing = true;
  EXPECT_FALSE(Visible(s, pid::kPlay));
  EXPECT_TRUE(Visible(s, pid::kPause));

  s.viewState = ViewState::kStillShown;
  s.playing = false;
  EXPECT_TRUE(Enabled(s, pid::kPlay));
  EXPECT_FALSE(Enabled(s, pid::kStop));
  EXPECT_TRUE(Visible(s, pid::kLive));
}

TEST(PanelControls, CapturingLocksEverythingButStop) {
  PanelState s = Live(3);
  s.viewState = ViewState::kCapturing;
  s.vcrPadOpen = true;
  s.keypadOpen = true;
  for (int id : {pid::kChannelUp, pid::kChannelDown, pid::kInput, pid::kTools, pid::kAlbum,
                 pid::kSnapshot, pid::kMaximize, pid::kKey0 + 5, pid::kKeyEnter}) {
    EXPECT_FALSE(Enabled(s, id)) << id;
  }
  EXPECT_TRUE(Enabled(s, pid::kStop));
  EXPECT_TRUE(Enabled(s, pid::kRecord));
  EXPECT_TRUE(Enabled(s, pid::kMute));
  EXPECT_TRUE(Enabled(s, pid::kVolumeSlider));
  EXPECT_TRUE(Visible(s, pid::kIndicatorRecord));
  EXPECT_FALSE(Visible(s, pid::kIndicatorLive));
  s.viewState = ViewState::kFinishing;
  EXPECT_FALSE(Enabled(s, pid::kStop));
  EXPECT_FALSE(Enabled(s, pid::kRecord));
  EXPECT_FALSE(Visible(s, pid::kIndicatorRecord));
  EXPECT_FALSE(Visible(s, pid::kIndicatorCapture));
  EXPECT_TRUE(Visible(s, pid::kIndicatorLive));
}

TEST(PanelControls, KeypadsAndKSetsFollowTheInput) {
  PanelState s = Live(3);
  EXPECT_FALSE(Visible(s, pid::kKey0 + 1));
  EXPECT_FALSE(vd::UsesKeypadBitmaps(s));
  s.keypadOpen = true;
  EXPECT_TRUE(vd::UsesKeypadBitmaps(s));
  EXPECT_TRUE(vd::ShowsTvKeypad(s));
  for (int id = pid::kKey0; id <= pid::kKeyRecall; ++id) EXPECT_TRUE(Visible(s, id)) << id;
  for (int id = pid::kFmKey0; id <= pid::kFmMemory; ++id) EXPECT_FALSE(Visible(s, id)) << id;

  PanelState radio = Live(2);
  radio.keypadOpen = true;
  EXPECT_TRUE(vd::UsesKeypadBitmaps(radio));
  EXPECT_FALSE(vd::ShowsTvKeypad(radio));
  for (int id = pid::kFmKey0; id <= pid::kFmMemory; ++id) EXPECT_TRUE(Visible(radio, id)) << id;
  EXPECT_FALSE(Visible(radio, pid::kKey0 + 7));

  PanelState composite = Live(1);
  composite.keypadOpen = true;
  EXPECT_FALSE(vd::UsesKeypadBitmaps(composite));
  EXPECT_FALSE(Visible(composite, pid::kKey0 + 7));
  EXPECT_FALSE(Visible(composite, pid::kFmKey0 + 7));
}

TEST(PanelControls, ExactlyTheInputsIndicatorIsShown) {
  const std::pair<int, int> expected[] = {{0, 195}, {1, 194}, {2, 192}, {3, 193}};
  for (auto [input, indicator] : expected) {
    PanelState s = Live(3 - input);
    for (int id : {193, 192, 194, 195}) {
      EXPECT_EQ(Visible(s, id), id == indicator) << "input " << input << " id " << id;
    }
  }
}

}  // namespace

namespace {

TEST(PanelControls, TheDeviceFlagsGateSoundAndSnapshotAndAStillMayGoFullScreen) {
  PanelState s = Live(3);
  s.audio = false;
  for (int id : {pid::kMute, pid::kVolumeUp, pid::kVolumeDown, pid::kVolumeSlider}) {
    EXPECT_FALSE(Enabled(s, id)) << id;
  }
  EXPECT_TRUE(Enabled(s, pid::kSnapshot));
  s = Live(3);
  s.still = false;
  EXPECT_FALSE(Enabled(s, pid::kSnapshot));
  EXPECT_TRUE(Enabled(s, pid::kMute));
  s = Live(3);
  s.viewState = ViewState::kStillShown;
  EXPECT_TRUE(Enabled(s, pid::kMaximize));
  EXPECT_FALSE(Enabled(s, pid::kSnapshot));
  s.viewState = ViewState::kClipOpen;
  EXPECT_FALSE(Enabled(s, pid::kMaximize));
}

}  // namespace
