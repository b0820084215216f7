// The panel keypads' decisions and the radio presets they lead to.
#include <gtest/gtest.h>

#include "channels_fakes.h"
#include "vd/remote/keypads.h"
#include "vd/tuning/channel_table.h"
#include "vd/tuning/radio_tuner_control.h"

namespace vd::test {
namespace {

using Kind = KeypadAction::Kind;

TEST(TvKeypad, DigitsEnterAndRecall) {
  for (int d = 0; d < 10; ++d) {
    EXPECT_EQ(TvKeypadPress(550 + d, false), (KeypadAction{Kind::kMainCommand, 376 + d}));
    EXPECT_EQ(TvKeypadPress(550 + d, true), (KeypadAction{Kind::kMainCommand, 376 + d}));
  }
  EXPECT_EQ(TvKeypadPress(560, false), (KeypadAction{Kind::kMainCommand, 386}));
  EXPECT_EQ(TvKeypadPress(561, false), (KeypadAction{Kind::kRecall, 0}));
  EXPECT_EQ(TvKeypadPress(561, true), KeypadAction{});
  EXPECT_EQ(TvKeypadPress(549, false), KeypadAction{});
  EXPECT_EQ(TvKeypadPress(570, false), KeypadAction{});
}

TEST(FmKeypad, MemoryModeStoresOnceThenSelectsAgain) {
  FmKeypad pad;
  EXPECT_EQ(pad.Press(573), (KeypadAction{Kind::kSelectPreset, 3}));
  EXPECT_EQ(pad.Press(580), (KeypadAction{Kind::kMemoryMode, 1}));
  EXPECT_TRUE(pad.MemoryMode());
  EXPECT_EQ(pad.Press(579), (KeypadAction{Kind::kStorePreset, 9}));
  EXPECT_FALSE(pad.MemoryMode());
  EXPECT_EQ(pad.Press(570), (KeypadAction{Kind::kSelectPreset, 0}));
  EXPECT_EQ(pad.Press(580), (KeypadAction{Kind::kMemoryMode, 1}));
  EXPECT_EQ(pad.Press(580), (KeypadAction{Kind::kMemoryMode, 0}));
  EXPECT_EQ(pad.Press(581), KeypadAction{});
  EXPECT_EQ(pad.Press(569), KeypadAction{});
}

class FmKeypadOnTheTable : public ::testing::Test {
 protected:
  void SetUp() override {
    for (uint32_t hz : {88100000u, 90000000u, 94900000u, 98100000u, 101700000u, 104300000u}) {
      ASSERT_TRUE(rig.Table().AddByFrequency(hz));
    }
    radio = static_cast<RadioTunerControl*>(rig.control.get());
  }
  uint32_t At(int i) { return rig.Table().Get(i)->frequency; }

  Rig rig{true, TunerSetup{}};
  RadioTunerControl* radio = nullptr;
  FmKeypad pad;
};

TEST_F(FmKeypadOnTheTable, StoreSwapsTheCurrentStationIntoThePreset) {
  ASSERT_TRUE(rig.Table().Select(5, true));
  pad.Press(580);
  FmKeypad::Apply(pad.Press(573), *radio);
  EXPECT_EQ(At(3), 104300000u);
  EXPECT_EQ(At(5), 98100000u);
  EXPECT_FALSE(radio->IsStoring());
}

TEST_F(FmKeypadOnTheTable, SelectTunesEvenWhenTheControlWasLeftStoring) {
  radio->ToggleMemory();  // out of step with the panel, which is not in memory mode
  FmKeypad::Apply(pad.Press(572), *radio);
  EXPECT_EQ(rig.Table().Current(), 2);
  EXPECT_EQ(rig.tuner->frequency, 94900000u);
  EXPECT_EQ(At(2), 94900000u);
  EXPECT_FALSE(radio->IsStoring());
}

TEST_F(FmKeypadOnTheTable, MemoryKeyAloneChangesNoStation) {
  const int32_t before = rig.Table().Current();
  FmKeypad::Apply(pad.Press(580), *radio);
  EXPECT_EQ(rig.Table().Current(), before);
  EXPECT_FALSE(radio->IsStoring());
}

}  // namespace
}  // namespace vd::test
