#include "vd/mixer/panel_volume.h"

#include <gtest/gtest.h>

#include "fake_mixer_host.h"
#include "vd/mixer/mixer_names.h"
#include "vd/mixer/virtual_mixer_backend.h"

namespace {

using vd::MixerControlKind;
using vd::PanelVolume;
using vd::VirtualMixerBackend;
using Values = std::vector<int32_t>;

// A panel over one typical card whose line-in runs 0..maximum, working on the line set
// (analogue sound, ControlMasterVolume 0).
class PanelVolumeTest : public ::testing::Test {
 protected:
  void Start(vd::SoundSettings stored, int32_t maximum = 100,
             std::vector<std::string> productNames = {"Onboard"}, int32_t minimum = 0) {
    auto backend = std::make_unique<VirtualMixerBackend>();
    for (const auto& name : productNames) {
      auto card = VirtualMixerBackend::TypicalCard(name);
      card.destinations[0].sources[1].minimum = minimum;
      card.destinations[0].sources[1].maximum = maximum;
      card.destinations[0].sources[1].volume = minimum;
      backend->AddCard(card);
    }
    cards = backend.get();
    mixer = std::make_unique<CMixer>(std::move(backend), host, 0);
    panel = std::make_unique<PanelVolume>(*mixer);
    opened = panel->Start(stored, false);
  }
  Values Line(MixerControlKind kind) const {
    return cards->Peek(*cards->OpenCard(), "Line In", kind).value_or(Values{});
  }

  vd::testing::FakeMixerHost host;
  VirtualMixerBackend* cards = nullptr;
  std::unique_ptr<CMixer> mixer;
  std::unique_ptr<PanelVolume> panel;
  bool opened = false;
};

TEST_F(PanelVolumeTest, StartAppliesTheStoredVolumeAndMute) {
  Start({.mute = 1, .volume = 40});
  ASSERT_TRUE(opened);
  EXPECT_EQ(panel->Volume(), 40);
  EXPECT_EQ(panel->Position(), 60);  // maximum - volume
  EXPECT_TRUE(panel->Muted());
  EXPECT_EQ(Line(MixerControlKind::kVolume), (Values{40, 40}));
  EXPECT_EQ(Line(MixerControlKind::kMute), Values{1});
}

TEST_F(PanelVolumeTest, StoredVolumeAboveTheMaximumStartsAtHalf) {
  Start({.mute = 0, .volume = 32767}, 31);
  EXPECT_EQ(panel->Volume(), 15);
  EXPECT_EQ(panel->Position(), 16);
  EXPECT_EQ(Line(MixerControlKind::kVolume), (Values{15, 15}));
}

TEST_F(PanelVolumeTest, StartOpensTheSecondMixerWhenTheFirstIsTheTvBox) {
  Start({.mute = 0, .volume = 10}, 100, {std::string(vd::mixer_names::kTvBoxAudio), "Onboard"});
  ASSERT_TRUE(opened);
  EXPECT_EQ(cards->OpenCard(), 1u);
  EXPECT_EQ(Line(MixerControlKind::kVolume), (Values{10, 10}));
}

TEST_F(PanelVolumeTest, WithoutAMixerThePanelStillShowsTheStoredState) {
  Start({.mute = 1, .volume = 300}, 100, {std::string(vd::mixer_names::kTvBoxAudio)});
  EXPECT_FALSE(opened);
  EXPECT_TRUE(panel->Muted());
  EXPECT_EQ(panel->Volume(), 300);  // within the placeholder range 0..0x8000
  EXPECT_TRUE(host.beeps.empty());
}

TEST_F(PanelVolumeTest, VolumeKeysStepATwentiethOfTheRangeAndStopAtTheEnds) {
  Start({.mute = 0, .volume = 50});
  EXPECT_TRUE(panel->OnCommand(PanelVolume::kCommandLouder));
  EXPECT_EQ(panel->Position(), 45);
  EXPECT_EQ(Line(MixerControlKind::kVolume), (Values{55, 55}));
  EXPECT_TRUE(panel->OnCommand(PanelVolume::kCommandQuieter));
  EXPECT_TRUE(panel->OnCommand(PanelVolume::kCommandQuieter));
  EXPECT_EQ(Line(MixerControlKind::kVolume), (Values{45, 45}));
  for (int i = 0; i < 30; ++i) panel->OnCommand(PanelVolume::kCommandLouder);
  EXPECT_EQ(panel->Position(), 0);
  EXPECT_EQ(Line(MixerControlKind::kVolume), (Values{100, 100}));
  for (int i = 0; i < 30; ++i) panel->OnCommand(PanelVolume::kCommandQuieter);
  EXPECT_EQ(panel->Position(), 100);
  EXPECT_EQ(Line(MixerControlKind::kVolume), (Values{0, 0}));
  EXPECT_TRUE(host.beeps.empty());
}

TEST_F(PanelVolumeTest, SmallRangesStillMoveOneStepPerKey) {
  Start({.mute = 0, .volume = 7}, 15);
  panel->OnCommand(PanelVolume::kCommandLouder);
  EXPECT_EQ(Line(MixerControlKind::kVolume), (Values{8, 8}));
}

TEST_F(PanelVolumeTest, AnyVolumeChangeUnmutes) {
  Start({.mute = 1, .volume = 50});
  panel->OnCommand(PanelVolume::kCommandQuieter);
  EXPECT_FALSE(panel->Muted());
  EXPECT_EQ(Line(MixerControlKind::kMute), Values{0});

  panel->OnCommand(PanelVolume::kCommandMute);
  EXPECT_EQ(Line(MixerControlKind::kMute), Values{1});
  panel->OnSliderMoved(30);
  EXPECT_FALSE(panel->Muted());
  EXPECT_EQ(Line(MixerControlKind::kMute), Values{0});
  EXPECT_EQ(Line(MixerControlKind::kVolume), (Values{70, 70}));
}

TEST_F(PanelVolumeTest, DraggingBeyondTheEndsIsClamped) {
  Start({.mute = 0, .volume = 50});
  panel->OnSliderMoved(-20);
  EXPECT_EQ(panel->Position(), 0);
  EXPECT_EQ(Line(MixerControlKind::kVolume), (Values{100, 100}));
  panel->OnSliderMoved(250);
  EXPECT_EQ(panel->Position(), 100);
  EXPECT_EQ(Line(MixerControlKind::kVolume), (Values{0, 0}));
}

// A control that does not start at 0: the slider's top is still full volume, its bottom
// the minimum, and a thumb left where it is sends the volume it shows.
TEST_F(PanelVolumeTest, ARangeAbove0ReachesBothEndsWithoutAJump) {
  Start({.mute = 0, .volume = 100}, 100, {"Onboard"}, 10);
  ASSERT_EQ(panel->Minimum(), 10);
  EXPECT_EQ(panel->Volume(), 100);
  EXPECT_EQ(panel->Position(), 10);
  EXPECT_EQ(Line(MixerControlKind::kVolume), (Values{100, 100}));
  // The slider sends offsets from the minimum: the top is 0, the bottom 90.
  panel->OnSliderMoved(0);
  EXPECT_EQ(Line(MixerControlKind::kVolume), (Values{100, 100}));
  panel->OnSliderMoved(panel->Position() - panel->Minimum());
  EXPECT_EQ(panel->Volume(), 100) << "a thumb let go where it was moved the volume";
  panel->OnSliderMoved(90);
  EXPECT_EQ(panel->Position(), 100);
  EXPECT_EQ(Line(MixerControlKind::kVolume), (Values{10, 10}));
  for (int i = 0; i < 30; ++i) panel->OnCommand(PanelVolume::kCommandLouder);
  EXPECT_EQ(Line(MixerControlKind::kVolume), (Values{100, 100}));
  panel->OnCommand(PanelVolume::kCommandQuieter);
  EXPECT_EQ(panel->Position(), 14);
  EXPECT_EQ(Line(MixerControlKind::kVolume), (Values{96, 96}));
  mixer->HandleEvents();
  cards->ChangeFromOutside(0, "Line In", MixerControlKind::kVolume, {30, 30});
  mixer->HandleEvents();
  panel->Refresh();
  EXPECT_EQ(panel->Volume(), 30);
  EXPECT_EQ(panel->Position(), 80);
}

TEST_F(PanelVolumeTest, MuteButtonsToggle) {
  Start({.mute = 0, .volume = 50});
  EXPECT_TRUE(panel->OnCommand(PanelVolume::kCommandMute));
  EXPECT_TRUE(panel->Muted());
  EXPECT_EQ(Line(MixerControlKind::kMute), Values{1});
  EXPECT_TRUE(panel->OnCommand(PanelVolume::kCommandUnmute));
  EXPECT_FALSE(panel->Muted());
  EXPECT_EQ(Line(MixerControlKind::kMute), Values{0});
  EXPECT_FALSE(panel->OnCommand(1131));
}

// The card refuses the mute: the lamp keeps showing the sound that still plays, the beep says
// why, and the next press tries the same mute again rather than the opposite.
TEST_F(PanelVolumeTest, ARefusedMuteLeavesTheLampOnTheCardsState) {
  Start({.mute = 0, .volume = 50});
  ASSERT_TRUE(opened);
  cards->FailCalls(VirtualMixerBackend::Call::kSetValues);
  EXPECT_TRUE(panel->OnCommand(PanelVolume::kCommandMute));
  EXPECT_FALSE(panel->Muted()) << "the lamp shows a mute the card never made";
  EXPECT_EQ(Line(MixerControlKind::kMute), Values{0});
  EXPECT_EQ(host.beeps.size(), 1u);

  cards->FailCalls(VirtualMixerBackend::Call::kSetValues, false);
  EXPECT_TRUE(panel->OnCommand(PanelVolume::kCommandMute));
  EXPECT_TRUE(panel->Muted());
  EXPECT_EQ(Line(MixerControlKind::kMute), Values{1});
}

// A refused volume change leaves the slider on the card's volume, read back (another program
// may have moved it unseen); a control that has gone leaves it on the last volume known.
TEST_F(PanelVolumeTest, ARefusedVolumeLeavesTheSliderOnTheCardsVolume) {
  Start({.mute = 0, .volume = 50});
  ASSERT_TRUE(opened);
  cards->ChangeFromOutside(0, "Line In", MixerControlKind::kVolume, {30, 30});
  cards->FailCalls(VirtualMixerBackend::Call::kSetValues);
  panel->OnCommand(PanelVolume::kCommandLouder);
  EXPECT_EQ(panel->Volume(), 30);
  EXPECT_EQ(panel->Position(), 70);
  EXPECT_EQ(host.beeps.size(), 1u);
  cards->FailCalls(VirtualMixerBackend::Call::kSetValues, false);

  cards->FailControl(*cards->ControlIdOf(0, "Line In", MixerControlKind::kVolume));
  panel->OnSliderMoved(0);
  EXPECT_EQ(panel->Volume(), 30);
  EXPECT_EQ(panel->Position(), 70);
  EXPECT_EQ(host.beeps.size(), 2u);
}

TEST_F(PanelVolumeTest, OutsideChangeMovesTheSlider) {
  Start({.mute = 0, .volume = 50});
  mixer->HandleEvents();
  cards->ChangeFromOutside(0, "Line In", MixerControlKind::kVolume, {20, 80});
  mixer->HandleEvents();
  panel->Refresh();
  EXPECT_EQ(panel->Volume(), 80);
  EXPECT_EQ(panel->Position(), 20);
}

}  // namespace
