#include "vd/mixer/mixer.h"

#include <gtest/gtest.h>

#include <optional>

#include "fake_mixer_host.h"
#include "vd/mixer/mixer_names.h"
#include "vd/mixer/virtual_mixer_backend.h"

namespace {

using vd::BeepKind;
using vd::MixerComponent;
using vd::MixerControlKind;
using vd::VirtualMixerBackend;
using Card = VirtualMixerBackend::CardSpec;
using Call = VirtualMixerBackend::Call;
using Values = std::vector<int32_t>;

constexpr char kNoMixers[] = "There are no mixer devices installed. Sound control is useless!";

class MixerTest : public ::testing::Test {
 protected:
  // Builds the mixer over the cards given; `cards` keeps access to the simulator.
  CMixer& Make(std::vector<Card> specs, int32_t controlMasterVolume = 1) {
    auto backend = std::make_unique<VirtualMixerBackend>();
    for (auto& spec : specs) backend->AddCard(std::move(spec));
    cards = backend.get();
    mixer = std::make_unique<CMixer>(std::move(backend), host, controlMasterVolume);
    return *mixer;
  }
  CMixer& MakeTypical(int32_t controlMasterVolume = 1) {
    return Make({VirtualMixerBackend::TypicalCard("Sound Blaster")}, controlMasterVolume);
  }
  Values Peek(std::string_view line, MixerControlKind kind, unsigned card = 0) const {
    return cards->Peek(card, line, kind).value_or(Values{});
  }

  vd::testing::FakeMixerHost host;
  VirtualMixerBackend* cards = nullptr;
  std::unique_ptr<CMixer> mixer;
};

TEST_F(MixerTest, OpenUnmutesLineSelectsItForRecordingAndCentresWave) {
  Card card = VirtualMixerBackend::TypicalCard("Sound Blaster");
  card.destinations[0].sources[0].volume = 100;  // Wave
  card.destinations[0].sources[0].muted = true;
  card.destinations[0].sources[1].volume = 0x1000;  // Line In
  Make({card});
  cards->ChangeFromOutside(0, "Line In", MixerControlKind::kVolume, {1000, 3001});

  EXPECT_NE(mixer->Open(0), 0u);
  EXPECT_EQ(Peek("Line In", MixerControlKind::kMute), Values{0});
  EXPECT_EQ(cards->SelectedRecordingItem(0), "Line In");
  EXPECT_EQ(Peek("Wave", MixerControlKind::kMute), Values{0});
  EXPECT_EQ(Peek("Wave", MixerControlKind::kVolume), (Values{32767, 32767}));
  EXPECT_EQ(mixer->ActiveSet(), CMixer::ControlSet::kLine);
  EXPECT_EQ(mixer->Volume(), 2000);  // the average of the two channels
  EXPECT_TRUE(host.beeps.empty());
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(MixerTest, OpeningTwiceGivesZeroTheSecondTime) {
  MakeTypical();
  const vd::MixerHandle first = mixer->Open(0);
  EXPECT_NE(first, 0u);
  EXPECT_EQ(mixer->Open(0), 0u);
  EXPECT_EQ(mixer->Handle(), first);
}

TEST_F(MixerTest, TheTvBoxOwnAudioDeviceIsSkipped) {
  Make({VirtualMixerBackend::TypicalCard(std::string(vd::mixer_names::kTvBoxAudio)),
        VirtualMixerBackend::TypicalCard("Onboard Audio")});
  EXPECT_EQ(mixer->Open(0), 0u);
  EXPECT_FALSE(cards->OpenCard());
  EXPECT_NE(mixer->Open(1), 0u);
  EXPECT_EQ(cards->OpenCard(), 1u);
  EXPECT_EQ(Peek("Line In", MixerControlKind::kMute, 0), Values{1});  // untouched
  EXPECT_EQ(Peek("Line In", MixerControlKind::kMute, 1), Values{0});
}

TEST_F(MixerTest, NoMixerDevicesIsToldOnce) {
  Make({});
  EXPECT_EQ(mixer->Open(0), 0u);
  EXPECT_EQ(mixer->Open(1), 0u);
  EXPECT_EQ(host.messages, std::vector<std::string>{kNoMixers});
}

// The window's retry timer fires inside the message box's own loop and opens again.
TEST(MixerReentry, NoMixerDevicesIsToldOnceWhenOpenRunsWhileTheMessageIsShown) {
  struct ReenteringHost : vd::testing::FakeMixerHost {
    CMixer* mixer = nullptr;
    void ShowMessage(const std::string& text) override {
      FakeMixerHost::ShowMessage(text);
      // Bounded: a mixer that tells again would go on opening and telling without end.
      if (messages.size() < 4) {
        EXPECT_EQ(mixer->Open(0), 0u);
      }
    }
  } host;
  CMixer mixer(std::make_unique<VirtualMixerBackend>(), host, 1);
  host.mixer = &mixer;
  EXPECT_EQ(mixer.Open(0), 0u);
  EXPECT_EQ(mixer.Open(1), 0u);
  EXPECT_EQ(host.messages, std::vector<std::string>{kNoMixers});
}

// The retry after an unplug opens the card that went, once it is back, and leaves the other
// card's line, recording source and wave alone meanwhile.
TEST_F(MixerTest, AfterTheCardIsLostOnlyThatCardIsOpenedAgain) {
  Make({VirtualMixerBackend::TypicalCard("USB Headset"),
        VirtualMixerBackend::TypicalCard("Onboard Audio")});
  ASSERT_NE(mixer->Open(0), 0u);
  cards->RemoveCard(0);
  mixer->HandleEvents();
  ASSERT_TRUE(mixer->CardLost());
  mixer->Forget();

  EXPECT_EQ(mixer->Open(0), 0u);
  EXPECT_EQ(mixer->Open(1), 0u) << "another card taken for the lost one";
  EXPECT_FALSE(cards->OpenCard());
  EXPECT_EQ(Peek("Line In", MixerControlKind::kMute, 1), Values{1});

  cards->RemoveCard(0, false);
  EXPECT_NE(mixer->Open(0), 0u);
  EXPECT_EQ(cards->OpenCard(), 0u);
  // Back once, it is an ordinary card again: a plain close lets the other one be opened.
  mixer->Close();
  EXPECT_NE(mixer->Open(1), 0u);
}

TEST_F(MixerTest, AFailingCapabilityQueryOrOpenGivesZeroQuietly) {
  MakeTypical();
  EXPECT_EQ(mixer->Open(3), 0u);
  cards->FailCalls(Call::kOpen);
  EXPECT_EQ(mixer->Open(0), 0u);
  EXPECT_TRUE(host.beeps.empty());
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(MixerTest, DisabledVolumeControlIsReportedAndTheMixerStillOpens) {
  Card card = VirtualMixerBackend::TypicalCard("Sound Blaster");
  card.destinations[0].sources[1].volumeDisabled = true;
  Make({card});
  EXPECT_NE(mixer->Open(0), 0u);
  EXPECT_EQ(host.messages, std::vector<std::string>{"This volume control is disabled !"});
}

// A card without line-in whose auxiliary input goes by its old spelling and has no type.
Card AuxCard() {
  Card card;
  card.productName = "ESS AudioDrive";
  VirtualMixerBackend::DestinationSpec speakers;
  speakers.line = {.shortName = "Volume", .component = MixerComponent::kSpeakers};
  speakers.sources = {{.shortName = "Wave", .component = MixerComponent::kWaveOut},
                      {.shortName = "CD Audio"},
                      {.shortName = "AUXILLIARY", .maximum = 100, .volume = 10, .muted = true}};
  VirtualMixerBackend::DestinationSpec recording;
  recording.line = {.shortName = "Record", .component = MixerComponent::kWaveIn};
  recording.recordingItems = {"Microphone", "CD Audio", "AUXILLIARY"};
  card.destinations = {speakers, recording};
  return card;
}

TEST_F(MixerTest, AuxiliaryStandsInForAMissingLineIn) {
  Make({AuxCard()}, 0);
  ASSERT_NE(mixer->Open(0), 0u);
  EXPECT_EQ(cards->SelectedRecordingItem(0), "AUXILLIARY");
  EXPECT_EQ(Peek("AUXILLIARY", MixerControlKind::kMute), Values{0});
  mixer->SelectControls(0, {.mute = 0, .volume = 70}, false);
  EXPECT_EQ(mixer->ActiveSet(), CMixer::ControlSet::kLine);
  EXPECT_TRUE(mixer->SetVolume(70));
  EXPECT_EQ(Peek("AUXILLIARY", MixerControlKind::kVolume), (Values{70, 70}));
  EXPECT_TRUE(host.beeps.empty());
}

TEST_F(MixerTest, SourcesAreSearchedByNameUnderTheVolumeDestination) {
  Card card;
  card.productName = "Old Card";
  VirtualMixerBackend::DestinationSpec recording;
  recording.line = {.shortName = "Recording", .component = MixerComponent::kWaveIn};
  recording.sources = {{.shortName = "Line"}, {.shortName = "Wave Out"}};
  recording.recordingItems = {"Line"};
  VirtualMixerBackend::DestinationSpec volume;
  volume.line = {.shortName = "Volume Control", .component = MixerComponent::kSpeakers};
  volume.sources = {{.shortName = "WaveOut"}, {.shortName = "Line In"}};
  card.destinations = {recording, volume};
  Make({card}, 0);
  ASSERT_NE(mixer->Open(0), 0u);
  mixer->SelectControls(0, {.mute = 0, .volume = 500}, false);
  ASSERT_TRUE(mixer->SetVolume(500));
  EXPECT_EQ(Peek("Line In", MixerControlKind::kVolume), (Values{500, 500}));
  EXPECT_NE(Peek("Line", MixerControlKind::kVolume), (Values{500, 500}));
  EXPECT_EQ(Peek("WaveOut", MixerControlKind::kVolume), (Values{32767, 32767}));
  EXPECT_NE(Peek("Wave Out", MixerControlKind::kVolume), (Values{32767, 32767}));
}

TEST_F(MixerTest, AnalogueSoundMovesMasterOrLineByControlMasterVolume) {
  for (int32_t controlMaster : {0, 1}) {
    SCOPED_TRACE(controlMaster);
    MakeTypical(controlMaster);
    const Values masterBefore = Peek("Volume Control", MixerControlKind::kVolume);
    const Values lineBefore = Peek("Line In", MixerControlKind::kVolume);
    ASSERT_NE(mixer->Open(0), 0u);
    mixer->SelectControls(0, {.mute = 0, .volume = 4242}, false);
    ASSERT_TRUE(mixer->SetVolume(4242));
    const Values moved = {4242, 4242};
    if (controlMaster != 0) {
      EXPECT_EQ(mixer->ActiveSet(), CMixer::ControlSet::kMaster);
      EXPECT_EQ(Peek("Volume Control", MixerControlKind::kVolume), moved);
      EXPECT_EQ(Peek("Line In", MixerControlKind::kVolume), lineBefore);
    } else {
      EXPECT_EQ(mixer->ActiveSet(), CMixer::ControlSet::kLine);
      EXPECT_EQ(Peek("Line In", MixerControlKind::kVolume), moved);
      EXPECT_EQ(Peek("Volume Control", MixerControlKind::kVolume), masterBefore);
    }
  }
}

TEST_F(MixerTest, SoundOverUsbMovesTheWaveSource) {
  MakeTypical(1);
  ASSERT_NE(mixer->Open(0), 0u);
  mixer->SelectControls(0, {.mute = 1, .volume = 1234}, true);
  EXPECT_EQ(mixer->ActiveSet(), CMixer::ControlSet::kWave);
  EXPECT_TRUE(mixer->Mute());
  EXPECT_EQ(mixer->Volume(), 1234);
  ASSERT_TRUE(mixer->SetMute(true));
  EXPECT_EQ(Peek("Wave", MixerControlKind::kMute), Values{1});
  EXPECT_EQ(Peek("Volume Control", MixerControlKind::kMute), Values{0});
}

TEST_F(MixerTest, StoredVolumeOutsideTheRangeBecomesHalfTheMaximum) {
  Card card = VirtualMixerBackend::TypicalCard("Onboard");
  card.destinations[0].sources[1].maximum = 31;
  card.destinations[0].sources[1].volume = 3;
  Make({card}, 0);
  ASSERT_NE(mixer->Open(0), 0u);
  mixer->SelectControls(0, {.mute = 0, .volume = 32767}, false);
  EXPECT_EQ(mixer->Volume(), 15);
  mixer->SelectControls(0, {.mute = 0, .volume = -1}, false);
  EXPECT_EQ(mixer->Volume(), 15);
  mixer->SelectControls(0, {.mute = 0, .volume = 31}, false);
  EXPECT_EQ(mixer->Volume(), 31);
  mixer->SelectControls(0, {.mute = 0, .volume = 0}, false);
  EXPECT_EQ(mixer->Volume(), 0);
}

TEST_F(MixerTest, SetVolumeClampsToTheActiveRangeAndWritesBothChannelsEqual) {
  Card card = VirtualMixerBackend::TypicalCard("Onboard");
  card.destinations[0].sources[1].maximum = 31;
  Make({card}, 0);
  ASSERT_NE(mixer->Open(0), 0u);
  mixer->SelectControls(0, {}, false);
  const int refreshesBefore = host.refreshes;
  EXPECT_TRUE(mixer->SetVolume(40000));
  EXPECT_EQ(Peek("Line In", MixerControlKind::kVolume), (Values{31, 31}));
  EXPECT_EQ(mixer->Volume(), 31);
  EXPECT_EQ(host.refreshes, refreshesBefore + 1);
  EXPECT_TRUE(mixer->SetVolume(-5));
  EXPECT_EQ(Peek("Line In", MixerControlKind::kVolume), (Values{0, 0}));
}

TEST_F(MixerTest, OwnChangeIsNotEchoedButAnOutsideChangeIsReflected) {
  MakeTypical(0);
  ASSERT_NE(mixer->Open(0), 0u);
  mixer->SelectControls(0, {}, false);
  mixer->HandleEvents();  // what opening the mixer stirred up
  const auto volumeId = *cards->ControlIdOf(0, "Line In", MixerControlKind::kVolume);

  ASSERT_TRUE(mixer->SetVolume(9000));
  const int afterOwn = host.refreshes;
  mixer->HandleEvents();
  EXPECT_EQ(host.refreshes, afterOwn);
  EXPECT_EQ(mixer->Volume(), 9000);

  cards->ChangeFromOutside(0, "Line In", MixerControlKind::kVolume, {100, 700});
  mixer->HandleEvents();
  EXPECT_EQ(host.refreshes, afterOwn + 1);
  EXPECT_EQ(mixer->Volume(), 700);

  cards->ChangeFromOutside(0, "Line In", MixerControlKind::kMute, {1});
  mixer->HandleEvents();
  EXPECT_EQ(host.refreshes, afterOwn + 2);
  EXPECT_TRUE(mixer->Mute());

  // Exactly one notification is swallowed per own change.
  ASSERT_TRUE(mixer->SetMute(false));
  EXPECT_FALSE(mixer->OnControlChange(mixer->Handle(), volumeId));
  EXPECT_TRUE(mixer->OnControlChange(mixer->Handle(), volumeId));
}

TEST_F(MixerTest, ChangesElsewhereDoNotRefreshThePanel) {
  MakeTypical(0);
  ASSERT_NE(mixer->Open(0), 0u);
  mixer->SelectControls(0, {}, false);
  mixer->HandleEvents();
  const int before = host.refreshes;
  cards->ChangeFromOutside(0, "CD Audio", MixerControlKind::kVolume, {1, 1});
  cards->ChangeFromOutside(0, "Volume Control", MixerControlKind::kMute, {1});
  mixer->HandleEvents();
  EXPECT_EQ(host.refreshes, before);
  const auto volumeId = *cards->ControlIdOf(0, "Line In", MixerControlKind::kVolume);
  EXPECT_FALSE(mixer->OnControlChange(mixer->Handle() + 1, volumeId));
}

TEST_F(MixerTest, FailingChangeBeepsAndKeepsTheVolume) {
  MakeTypical(0);
  ASSERT_NE(mixer->Open(0), 0u);
  mixer->SelectControls(0, {.mute = 0, .volume = 500}, false);
  ASSERT_TRUE(mixer->SetVolume(500));  // on the card, where a refused change reads it back
  host.beeps.clear();
  cards->FailCalls(Call::kSetValues);
  const int refreshes = host.refreshes;
  EXPECT_FALSE(mixer->SetVolume(800));
  EXPECT_FALSE(mixer->SetMute(true));
  EXPECT_EQ(mixer->Volume(), 500);
  EXPECT_FALSE(mixer->Mute());
  EXPECT_EQ(host.refreshes, refreshes);
  EXPECT_EQ(host.beeps, (std::vector<BeepKind>{BeepKind::kDefault, BeepKind::kDefault}));
}

TEST_F(MixerTest, ReadStateTakesTheLargerChannelAndRemembersIt) {
  MakeTypical(1);
  ASSERT_NE(mixer->Open(0), 0u);
  mixer->SelectControls(0, {}, false);
  cards->ChangeFromOutside(0, "Volume Control", MixerControlKind::kVolume, {800, 300});
  cards->ChangeFromOutside(0, "Volume Control", MixerControlKind::kMute, {1});
  int32_t mute = -1, volume = -1;
  EXPECT_TRUE(mixer->ReadState(mute, volume));
  EXPECT_EQ(mute, 1);
  EXPECT_EQ(volume, 800);

  // Over USB a non-zero selection takes the remembered values instead of reading.
  cards->ChangeFromOutside(0, "Wave", MixerControlKind::kVolume, {5, 5});
  mixer->SelectControls(1, {}, true);
  EXPECT_EQ(mixer->ActiveSet(), CMixer::ControlSet::kMaster);
  EXPECT_EQ(mixer->Volume(), 800);
  EXPECT_TRUE(mixer->Mute());
}

TEST_F(MixerTest, ReadStateFailureBeepsAndKeepsTheLastValues) {
  MakeTypical(0);
  ASSERT_NE(mixer->Open(0), 0u);
  mixer->SelectControls(0, {.mute = 0, .volume = 600}, false);
  cards->FailCalls(Call::kValues);
  int32_t mute = -1, volume = -1;
  EXPECT_FALSE(mixer->ReadState(mute, volume));
  EXPECT_EQ(mute, 0);
  EXPECT_EQ(volume, 600);
  EXPECT_EQ(host.beeps, std::vector<BeepKind>{BeepKind::kDefault});
}

TEST_F(MixerTest, NonZeroSelectionUnmutesLineWithAnalogueSoundAndReadsTheState) {
  MakeTypical(0);
  ASSERT_NE(mixer->Open(0), 0u);
  cards->ChangeFromOutside(0, "Line In", MixerControlKind::kMute, {1});
  cards->ChangeFromOutside(0, "Wave", MixerControlKind::kVolume, {222, 111});
  mixer->SelectControls(1, {}, false);
  EXPECT_EQ(Peek("Line In", MixerControlKind::kMute), Values{0});
  EXPECT_EQ(mixer->ActiveSet(), CMixer::ControlSet::kWave);
  EXPECT_EQ(mixer->Volume(), 222);
  // A mute set now is remembered and is what the USB path takes later.
  ASSERT_TRUE(mixer->SetMute(true));
  mixer->SelectControls(1, {}, true);
  EXPECT_TRUE(mixer->Mute());
}

TEST_F(MixerTest, CloseRestoresTheLineMuteFoundAtOpen) {
  MakeTypical(0);  // the typical card's line-in starts muted
  ASSERT_NE(mixer->Open(0), 0u);
  EXPECT_EQ(Peek("Line In", MixerControlKind::kMute), Values{0});
  mixer->Close();
  EXPECT_EQ(Peek("Line In", MixerControlKind::kMute), Values{1});
  EXPECT_FALSE(mixer->IsOpen());
  EXPECT_FALSE(cards->OpenCard());
  EXPECT_TRUE(host.beeps.empty());
}

TEST_F(MixerTest, CloseLeavesAnUnmutedLineAloneAndMutesFirstAfterANonZeroSelection) {
  Card card = VirtualMixerBackend::TypicalCard("Onboard");
  card.destinations[0].sources[1].muted = false;
  Make({card}, 1);
  ASSERT_NE(mixer->Open(0), 0u);
  mixer->SelectControls(1, {}, false);
  mixer->Close();
  EXPECT_EQ(Peek("Volume Control", MixerControlKind::kMute), Values{1});
  EXPECT_EQ(Peek("Line In", MixerControlKind::kMute), Values{0});
}

// Records the line-in mute at the moment the mixer closes the card, since the card dies with
// the mixer that owns it.
class CloseProbe : public VirtualMixerBackend {
 public:
  explicit CloseProbe(std::optional<std::vector<int32_t>>& lineMuteAtClose)
      : seen_(lineMuteAtClose) {}
  bool Close() override {
    seen_ = Peek(0, "Line In", MixerControlKind::kMute);
    return VirtualMixerBackend::Close();
  }

 private:
  std::optional<std::vector<int32_t>>& seen_;
};

TEST(MixerLifetime, DestroyingAnOpenMixerRestoresTheLineAndCloses) {
  std::optional<Values> lineMuteAtClose;
  auto probe = std::make_unique<CloseProbe>(lineMuteAtClose);
  probe->AddCard(VirtualMixerBackend::TypicalCard("Onboard"));
  vd::testing::FakeMixerHost host;
  {
    CMixer mixer(std::move(probe), host, 0);
    ASSERT_NE(mixer.Open(0), 0u);
    EXPECT_FALSE(lineMuteAtClose);
  }
  EXPECT_EQ(lineMuteAtClose, Values{1});
}

TEST_F(MixerTest, FailingCloseSoundsThePlainBeep) {
  MakeTypical(0);
  ASSERT_NE(mixer->Open(0), 0u);
  cards->FailCalls(Call::kClose);
  mixer->Close();
  EXPECT_EQ(host.beeps, std::vector<BeepKind>{BeepKind::kSimple});
  EXPECT_FALSE(mixer->IsOpen());
}

TEST_F(MixerTest, FailingQueriesBeepAndNeverTouchAnotherControl) {
  MakeTypical(1);
  cards->FailCalls(Call::kLineControl);
  ASSERT_NE(mixer->Open(0), 0u);
  EXPECT_FALSE(host.beeps.empty());
  for (BeepKind kind : host.beeps) EXPECT_EQ(kind, BeepKind::kDefault);
  const Values masterBefore = Peek("Volume Control", MixerControlKind::kVolume);
  const Values lineBefore = Peek("Line In", MixerControlKind::kVolume);
  const Values waveBefore = Peek("Wave", MixerControlKind::kVolume);
  host.beeps.clear();
  mixer->SelectControls(0, {.mute = 0, .volume = 100}, false);
  EXPECT_FALSE(mixer->SetVolume(100));
  EXPECT_EQ(host.beeps, std::vector<BeepKind>{BeepKind::kDefault});
  EXPECT_EQ(Peek("Volume Control", MixerControlKind::kVolume), masterBefore);
  EXPECT_EQ(Peek("Line In", MixerControlKind::kVolume), lineBefore);
  EXPECT_EQ(Peek("Wave", MixerControlKind::kVolume), waveBefore);
}

TEST_F(MixerTest, LinesWithoutMuteSwitchesOpenWithoutBeeping) {
  Card card = VirtualMixerBackend::TypicalCard("Onboard");
  card.destinations[0].sources[0].hasMute = false;  // Wave
  card.destinations[0].sources[1].hasMute = false;  // Line In
  Make({card}, 0);
  ASSERT_NE(mixer->Open(0), 0u);
  EXPECT_TRUE(host.beeps.empty());
  mixer->SelectControls(0, {}, false);
  // A line that cannot be muted is silenced by the master switch.
  EXPECT_TRUE(mixer->SetMute(true));
  EXPECT_EQ(Peek("Volume Control", MixerControlKind::kMute), Values{1});
  EXPECT_TRUE(mixer->SetVolume(10));
  // A non-zero selection has no line switch to turn back on.
  mixer->SelectControls(1, {}, false);
  mixer->Close();
  EXPECT_TRUE(host.beeps.empty());

  // Only when the master cannot be muted either is it a failure the user hears.
  card.destinations[0].line.hasMute = false;
  Make({card}, 0);
  ASSERT_NE(mixer->Open(0), 0u);
  mixer->SelectControls(0, {}, true);
  EXPECT_FALSE(mixer->SetMute(true));
  EXPECT_EQ(host.beeps, std::vector<BeepKind>{BeepKind::kDefault});
}

// A line without a switch borrows the master's. Close puts the master back as it was found,
// unless the user has set it in the desktop's mixer since the viewer last wrote it.
TEST_F(MixerTest, CloseRestoresABorrowedMasterSwitchOnlyWhileItHoldsTheViewersState) {
  Card card = VirtualMixerBackend::TypicalCard("Onboard");
  card.destinations[0].sources[1].hasMute = false;  // Line In
  Make({card}, 0);
  ASSERT_NE(mixer->Open(0), 0u);
  mixer->SelectControls(0, {}, false);
  ASSERT_TRUE(mixer->SetMute(true));
  ASSERT_EQ(Peek("Volume Control", MixerControlKind::kMute), Values{1});
  mixer->Close();
  EXPECT_EQ(Peek("Volume Control", MixerControlKind::kMute), Values{0});

  ASSERT_NE(mixer->Open(0), 0u);
  mixer->SelectControls(0, {}, false);
  cards->ChangeFromOutside(0, "Volume Control", MixerControlKind::kMute, {1});
  mixer->HandleEvents();
  mixer->Close();
  EXPECT_EQ(Peek("Volume Control", MixerControlKind::kMute), Values{1}) << "untouched by us";

  cards->ChangeFromOutside(0, "Volume Control", MixerControlKind::kMute, {0});
  ASSERT_NE(mixer->Open(0), 0u);
  mixer->SelectControls(0, {}, false);
  ASSERT_TRUE(mixer->SetMute(true));
  ASSERT_TRUE(mixer->SetMute(false));
  cards->ChangeFromOutside(0, "Volume Control", MixerControlKind::kMute, {1});
  mixer->HandleEvents();
  mixer->Close();
  EXPECT_EQ(Peek("Volume Control", MixerControlKind::kMute), Values{1}) << "after our writes";
  EXPECT_TRUE(host.beeps.empty());
}

TEST_F(MixerTest, ReopeningForgetsTheControlsOfTheCardBefore) {
  Card bare;
  bare.productName = "Bare";
  VirtualMixerBackend::DestinationSpec speakers;
  speakers.line = {.shortName = "Speakers", .component = MixerComponent::kSpeakers};
  bare.destinations = {speakers};
  Card onboard = VirtualMixerBackend::TypicalCard("Onboard");
  onboard.destinations[0].sources[1].maximum = 100;
  Make({onboard, bare}, 0);
  ASSERT_NE(mixer->Open(0), 0u);
  mixer->Close();
  ASSERT_NE(mixer->Open(1), 0u);
  mixer->SelectControls(0, {.mute = 0, .volume = 10}, false);
  // The bare card has no line: the line set is the placeholder, not the first card's line.
  EXPECT_EQ(mixer->Maximum(), 0x8000);
  host.beeps.clear();
  EXPECT_FALSE(mixer->SetVolume(10));
  EXPECT_EQ(host.beeps, std::vector<BeepKind>{BeepKind::kDefault});
}

TEST_F(MixerTest, RecordingFollowsTheControlledInputWhenTheListHasSeveral) {
  Card card = VirtualMixerBackend::TypicalCard("Onboard");
  card.destinations[1].recordingItems = {"Microphone", "Aux", "Line In"};
  Make({card});
  ASSERT_NE(mixer->Open(0), 0u);
  EXPECT_EQ(cards->SelectedRecordingItem(0), "Line In");
}

TEST_F(MixerTest, RecordingSourceIsLeftAloneWithoutALineOrAuxItem) {
  Card card = VirtualMixerBackend::TypicalCard("Onboard");
  card.destinations[1].recordingItems = {"Microphone", "CD Audio"};
  card.destinations[1].selectedItem = 1;
  Make({card});
  ASSERT_NE(mixer->Open(0), 0u);
  EXPECT_EQ(cards->SelectedRecordingItem(0), "CD Audio");
  EXPECT_TRUE(host.beeps.empty());
}

TEST_F(MixerTest, WithoutAMixerTheStoredStateIsKeptAndNothingBeeps) {
  Make({VirtualMixerBackend::TypicalCard(std::string(vd::mixer_names::kTvBoxAudio))}, 1);
  EXPECT_EQ(mixer->Open(0), 0u);
  mixer->SelectControls(0, {.mute = 1, .volume = 5000}, false);
  EXPECT_FALSE(mixer->SetMute(true));
  EXPECT_FALSE(mixer->SetVolume(5000));
  int32_t mute = 0, volume = 0;
  EXPECT_FALSE(mixer->ReadState(mute, volume));
  EXPECT_EQ(mute, 1);
  EXPECT_EQ(volume, 5000);
  EXPECT_TRUE(host.beeps.empty());
  EXPECT_EQ(host.refreshes, 0);
  mixer->Close();
  EXPECT_TRUE(host.beeps.empty());
}

}  // namespace
