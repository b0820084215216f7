// The remote procedure: busy filtering, the held-key rule and the request each key makes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "remote_test_actions.h"
#include "vd/remote/remote_procedure.h"

namespace vd::test {
namespace {

using Posted = std::vector<std::string>;

// Codes of one key in its two toggle forms.
struct Key {
  uint32_t a;
  uint32_t b;
};
constexpr Key kDigit1{0x6AAAAA4, 0x6AAAA94};
constexpr Key kDigit2{0x1AAAAA4, 0x1AAAA94};
constexpr Key kEnter{0x19AAAA4, 0x19AAA94};
constexpr Key kPower{0x25AAAA4, 0x25AAA94};
constexpr Key kSource{0x15AAAA4, 0x15AAA94};
constexpr Key kVolUp{0x2A6AAA4, 0x2A6AA94};
constexpr Key kVolDown{0x6A6AAA4, 0x6A6AA94};
constexpr Key kSound{0x1A6AAA4, 0x1A6AA94};
constexpr Key kFineDown{0x266AAA4, 0x266AA94};
constexpr Key kRecall{0x166AAA4, 0x166AA94};
constexpr Key kFineUp{0x256AAA4, 0x256AA94};
constexpr Key kPanel{0x156AAA4, 0x156AA94};
constexpr Key kChUp{0x2A9AAA4, 0x2A9AA94};
constexpr Key kChDown{0x6A9AAA4, 0x6A9AA94};
constexpr Key kSnap{0x1A9AAA4, 0x1A9AA94};
constexpr Key kMute{0x269AAA4, 0x269AA94};
constexpr Key kFull{0x159AAA4, 0x159AA94};
constexpr Key kTvRadio{0x295AAA4, 0x295AA94};
constexpr Key kMemory{0x155AAA4, 0x155AA94};

class RemoteProcedureTest : public ::testing::Test {
 protected:
  // Each press uses the other toggle form, as a real remote does.
  int32_t Press(const Key& key) {
    flip_ = !flip_;
    return procedure.OnCode(flip_ ? key.a : key.b);
  }
  Posted PressAndTake(const Key& key) {
    Press(key);
    return actions.Take();
  }

  uint32_t now = 1000;
  RemoteState state;
  RecordingActions actions;
  RemoteProcedure procedure{state, actions, [this] { return now; }};

 private:
  bool flip_ = false;
};

TEST_F(RemoteProcedureTest, EachKeyPostsItsRequest) {
  state.SetCountry(886);
  EXPECT_EQ(PressAndTake(kDigit1), Posted{"main 377"});
  EXPECT_EQ(PressAndTake(kDigit2), Posted{"main 378"});
  EXPECT_EQ(PressAndTake(kEnter), Posted{"main 386"});
  EXPECT_EQ(PressAndTake(kPower), Posted{"panel 1143"});
  EXPECT_EQ(PressAndTake(kSource), Posted{"video source"});
  EXPECT_EQ(PressAndTake(kVolUp), Posted{"panel 1177"});
  EXPECT_EQ(PressAndTake(kVolDown), Posted{"panel 1176"});
  EXPECT_EQ(PressAndTake(kSound), Posted{"panel 1178"});
  EXPECT_EQ(PressAndTake(kFineDown), Posted{"fine -50000"});
  EXPECT_EQ(PressAndTake(kFineUp), Posted{"fine 50000"});
  EXPECT_EQ(PressAndTake(kRecall), Posted{"panel 561"});
  EXPECT_EQ(PressAndTake(kPanel), Posted{"main 168"});
  EXPECT_EQ(PressAndTake(kChUp), Posted{"panel 1131"});
  EXPECT_EQ(PressAndTake(kChDown), Posted{"panel 1133"});
  EXPECT_EQ(PressAndTake(kSnap), Posted{"main 1024"});
  EXPECT_EQ(PressAndTake(kMute), Posted{"mute"});
  EXPECT_EQ(PressAndTake(kFull), Posted{"main 32808"});
  EXPECT_EQ(PressAndTake(kTvRadio), Posted{"tv/radio"});
  state.SetPanelInput(1);
  EXPECT_EQ(PressAndTake(kMemory), Posted{"fm memory"});
}

TEST_F(RemoteProcedureTest, AllTenDigitsAreMainCommands376To385) {
  const uint32_t digits[] = {0x2AAAAA4, 0x6AAAAA4, 0x1AAAAA4, 0x5AAAAA4, 0x26AAAA4,
                             0x66AAAA4, 0x16AAAA4, 0x56AAAA4, 0x29AAAA4, 0x69AAAA4};
  for (int d = 0; d < 10; ++d) {
    EXPECT_EQ(procedure.OnCode(digits[d]), RemoteProcedure::kActed);
    EXPECT_EQ(actions.Take(), Posted{"main " + std::to_string(376 + d)});
  }
}

TEST_F(RemoteProcedureTest, UnknownCodesAreIgnored) {
  EXPECT_EQ(procedure.OnCode(0x12345678), RemoteProcedure::kIgnored);
  EXPECT_EQ(procedure.OnCode(0x2AAAAB4), RemoteProcedure::kIgnored);
  EXPECT_TRUE(actions.Take().empty());
}

TEST_F(RemoteProcedureTest, BusyEngineLetsOnlyPowerMuteAndVolumeThrough) {
  state.SetBusy(true);
  for (const Key& key : {kDigit1, kEnter, kChUp, kChDown, kSource, kSnap, kFull, kRecall, kFineUp,
                         kPanel, kTvRadio}) {
    EXPECT_EQ(procedure.OnCode(key.a), RemoteProcedure::kIgnored) << std::hex << key.a;
    EXPECT_EQ(procedure.OnCode(key.b), RemoteProcedure::kIgnored) << std::hex << key.b;
  }
  EXPECT_TRUE(actions.Take().empty());
  for (const Key& key : {kMute, kVolUp, kVolDown, kPower}) {
    EXPECT_EQ(procedure.OnCode(key.a), RemoteProcedure::kActed) << std::hex << key.a;
    EXPECT_EQ(procedure.OnCode(key.b), RemoteProcedure::kActed) << std::hex << key.b;
  }
  EXPECT_EQ(actions.Take(), (Posted{"mute", "mute", "panel 1177", "panel 1177", "panel 1176",
                                    "panel 1176", "panel 1143", "panel 1143"}));
}

TEST_F(RemoteProcedureTest, HeldChannelUpRepeatsAtMostEvery400Ms) {
  EXPECT_EQ(procedure.OnCode(kChUp.a), RemoteProcedure::kActed);
  int acted = 0;
  // The remote repeats the frame about every 110 ms while the key is held.
  for (int i = 1; i <= 20; ++i) {
    now += 110;
    if (procedure.OnCode(kChUp.a) == RemoteProcedure::kActed) ++acted;
  }
  // 2200 ms held: repeats at 440, 880, 1320, 1760, 2200 (each 4 frames after the last).
  EXPECT_EQ(acted, 5);
  EXPECT_EQ(actions.Take().size(), 6u);
}

TEST_F(RemoteProcedureTest, RepeatWaitsTheFull400MsFromTheLastRepeat) {
  procedure.OnCode(kVolDown.b);
  now += 399;
  EXPECT_EQ(procedure.OnCode(kVolDown.b), RemoteProcedure::kIgnored);
  now += 1;
  EXPECT_EQ(procedure.OnCode(kVolDown.b), RemoteProcedure::kActed);
  now += 399;  // counted from the repeat just made, not from the first press
  EXPECT_EQ(procedure.OnCode(kVolDown.b), RemoteProcedure::kIgnored);
  now += 1;
  EXPECT_EQ(procedure.OnCode(kVolDown.b), RemoteProcedure::kActed);
  EXPECT_EQ(actions.Take().size(), 3u);
}

TEST_F(RemoteProcedureTest, RepeatSurvivesTheTickCountWrapping) {
  now = 0xFFFFFF00u;
  procedure.OnCode(kChDown.a);
  now = 0x00000100u;  // 512 ms later, across the wrap
  EXPECT_EQ(procedure.OnCode(kChDown.a), RemoteProcedure::kActed);
}

TEST_F(RemoteProcedureTest, HeldPowerClosesOnce) {
  EXPECT_EQ(procedure.OnCode(kPower.a), RemoteProcedure::kActed);
  for (int i = 0; i < 30; ++i) {
    now += 200;
    EXPECT_EQ(procedure.OnCode(kPower.a), RemoteProcedure::kIgnored);
  }
  EXPECT_EQ(actions.Take(), Posted{"panel 1143"});
}

TEST_F(RemoteProcedureTest, HeldDigitsAndMuteDoNotRepeat) {
  procedure.OnCode(kDigit1.a);
  procedure.OnCode(kMute.a);
  actions.Take();
  now += 5000;
  EXPECT_EQ(procedure.OnCode(kMute.a), RemoteProcedure::kIgnored);
  // Another key in between makes the same code a new press again.
  procedure.OnCode(kDigit1.a);
  EXPECT_EQ(actions.Take(), Posted{"main 377"});
}

TEST_F(RemoteProcedureTest, SameKeyWithToggleBitFlippedIsTwoPresses) {
  EXPECT_EQ(procedure.OnCode(kPower.a), RemoteProcedure::kActed);
  EXPECT_EQ(procedure.OnCode(kPower.b), RemoteProcedure::kActed);
  EXPECT_EQ(procedure.OnCode(kDigit2.a), RemoteProcedure::kActed);
  EXPECT_EQ(procedure.OnCode(kDigit2.b), RemoteProcedure::kActed);
  EXPECT_EQ(actions.Take(), (Posted{"panel 1143", "panel 1143", "main 378", "main 378"}));
}

TEST_F(RemoteProcedureTest, ChannelAndFineTuneKeysNeedTvOrRadio) {
  for (int input : {2, 3}) {
    state.SetPanelInput(input);
    EXPECT_EQ(Press(kChUp), RemoteProcedure::kIgnored);
    EXPECT_EQ(Press(kChDown), RemoteProcedure::kIgnored);
    EXPECT_EQ(Press(kFineUp), RemoteProcedure::kIgnored);
    EXPECT_EQ(Press(kFineDown), RemoteProcedure::kIgnored);
  }
  EXPECT_TRUE(actions.Take().empty());
  state.SetPanelInput(1);
  EXPECT_EQ(PressAndTake(kChDown), Posted{"panel 1133"});
  EXPECT_EQ(PressAndTake(kFineDown), Posted{"fine -50000"});
}

TEST_F(RemoteProcedureTest, SoundModeOnlyInTvForTaiwanAndChina) {
  for (int32_t country : {886, 86}) {
    state.SetCountry(country);
    state.SetPanelInput(0);
    EXPECT_EQ(PressAndTake(kSound), Posted{"panel 1178"}) << country;
    for (int input : {1, 2, 3}) {
      state.SetPanelInput(input);
      EXPECT_EQ(Press(kSound), RemoteProcedure::kIgnored) << country << " " << input;
    }
  }
  state.SetPanelInput(0);
  for (int32_t country : {1, 49, 81, 852, 8860}) {
    state.SetCountry(country);
    EXPECT_EQ(Press(kSound), RemoteProcedure::kIgnored) << country;
  }
  EXPECT_TRUE(actions.Take().empty());
}

TEST_F(RemoteProcedureTest, SnapshotRefusedInRadioAndFullScreen) {
  state.SetPanelInput(1);
  EXPECT_EQ(Press(kSnap), RemoteProcedure::kIgnored);
  state.SetPanelInput(2);
  state.SetFullScreen(true);
  EXPECT_EQ(Press(kSnap), RemoteProcedure::kIgnored);
  EXPECT_TRUE(actions.Take().empty());
  state.SetFullScreen(false);
  EXPECT_EQ(PressAndTake(kSnap), Posted{"main 1024"});
}

TEST_F(RemoteProcedureTest, FullScreenRefusedInRadio) {
  state.SetPanelInput(1);
  EXPECT_EQ(Press(kFull), RemoteProcedure::kIgnored);
  state.SetPanelInput(3);
  EXPECT_EQ(PressAndTake(kFull), Posted{"main 32808"});
}

TEST_F(RemoteProcedureTest, RadioKeysDoNotExistWithFmDisabled) {
  state.SetFmDisabled(true);
  state.SetPanelInput(1);
  EXPECT_EQ(Press(kTvRadio), RemoteProcedure::kIgnored);
  EXPECT_EQ(Press(kMemory), RemoteProcedure::kIgnored);
  EXPECT_TRUE(actions.Take().empty());
  // No key at all: the held-key state still belongs to the key before it.
  procedure.OnCode(kChUp.a);
  procedure.OnCode(kTvRadio.a);
  now += 400;
  EXPECT_EQ(procedure.OnCode(kChUp.a), RemoteProcedure::kActed);
  EXPECT_EQ(actions.Take(), (Posted{"panel 1131", "panel 1131"}));
}

TEST_F(RemoteProcedureTest, MemoryKeyIsTeletextOnTvAndNothingOnTheExternalInputs) {
  for (int input : {2, 3}) {
    state.SetPanelInput(input);
    EXPECT_EQ(Press(kMemory), RemoteProcedure::kIgnored);
  }
  EXPECT_TRUE(actions.Take().empty());
  state.SetPanelInput(0);
  EXPECT_EQ(PressAndTake(kMemory), Posted{"main 32840"});
  // With FM switched off the key does not exist at all, on TV too.
  state.SetFmDisabled(true);
  EXPECT_EQ(Press(kMemory), RemoteProcedure::kIgnored);
  EXPECT_TRUE(actions.Take().empty());
}

TEST_F(RemoteProcedureTest, CallbackShapeReachesTheProcedure) {
  EXPECT_EQ(RemoteProcedure::Callback(&procedure, kMute.b), RemoteProcedure::kActed);
  EXPECT_EQ(RemoteProcedure::Callback(&procedure, 7), RemoteProcedure::kIgnored);
  EXPECT_EQ(actions.Take(), Posted{"mute"});
}

TEST(RemoteInputRules, VideoSourceCycleSkipsRadio) {
  EXPECT_EQ(NextVideoSource(0), 2);
  EXPECT_EQ(NextVideoSource(2), 3);
  EXPECT_EQ(NextVideoSource(3), 0);
  EXPECT_EQ(NextVideoSource(1), 1);
}

TEST(RemoteInputRules, TvRadioFlip) {
  EXPECT_EQ(TvRadioFlip(0), 1);
  EXPECT_EQ(TvRadioFlip(1), 0);
  EXPECT_EQ(TvRadioFlip(2), 1);
  EXPECT_EQ(TvRadioFlip(3), 1);
}

TEST(RemoteInputRules, MemoryTexts) {
  EXPECT_STREQ(FmMemoryText(true), "Memory ON");
  EXPECT_STREQ(FmMemoryText(false), "Memory OFF");
}

}  // namespace
}  // namespace vd::test
