#include "vd/layout/input_cycle.h"

#include <gtest/gtest.h>

#include "vd/layout/panel_ids.h"
#include "vd/layout/work_modes.h"

namespace {

using vd::InputCycle;

TEST(InputCycle, GoesRoundAllFourInputs) {
  InputCycle cycle(0);
  for (int expected : {1, 2, 3, 0, 1}) {
    InputCycle::Step step = cycle.Press();
    EXPECT_EQ(step.input, expected);
    EXPECT_TRUE(step.apply);
  }
}

TEST(InputCycle, WithFmDisabledRestsOnRadioUntilTheNextPress) {
  InputCycle cycle(0, true);
  InputCycle::Step rest = cycle.Press();
  EXPECT_EQ(rest.input, 1);
  EXPECT_FALSE(rest.apply);
  EXPECT_EQ(cycle.confirmedInput(), 0);  // the mode is still TV
  InputCycle::Step next = cycle.Press();
  EXPECT_EQ(next.input, 2);
  EXPECT_TRUE(next.apply);
  EXPECT_EQ(cycle.confirmedInput(), 2);
}

TEST(InputCycle, StartUpInRadioAppliesTheStoredInputWithoutAdvancing) {
  InputCycle cycle(1);
  cycle.ApplyStoredOnNextPress();
  InputCycle::Step first = cycle.Press();
  EXPECT_EQ(first.input, 1);
  EXPECT_TRUE(first.apply);
  EXPECT_EQ(cycle.Press().input, 2);
}

TEST(InputCycle, RevertGoesBackToTheLastAppliedInput) {
  InputCycle cycle(3, true);
  cycle.Press();  // 0, applied
  cycle.Press();  // 1, refused by FM_Disabled
  EXPECT_EQ(cycle.Revert(), 0);
  cycle.SetInput(2);
  EXPECT_EQ(cycle.Revert(), 2);
}

TEST(InputCycle, OutOfRangeInputStartsAtTv) {
  InputCycle cycle(7);
  EXPECT_EQ(cycle.input(), 0);
  cycle.SetInput(-3);
  EXPECT_EQ(cycle.input(), 0);
}

TEST(WorkModes, TableMatchesTitlesCommandsAndIndicators) {
  namespace pid = vd::panel_id;
  const vd::WorkModeInfo& tv = vd::WorkModeInfoOf(vd::WorkMode::kTv);
  EXPECT_STREQ(tv.title, "Brevant TV USB");
  EXPECT_EQ(tv.command, pid::kModeTv);
  EXPECT_EQ(tv.indicator, 195);
  const vd::WorkModeInfo& radio = vd::WorkModeInfoOf(vd::WorkMode::kRadio);
  EXPECT_STREQ(radio.title, "Brevant TV USB Radio");
  EXPECT_EQ(radio.command, 1113);
  EXPECT_EQ(radio.indicator, 194);
  const vd::WorkModeInfo& composite = vd::WorkModeInfoOf(vd::WorkMode::kComposite);
  EXPECT_STREQ(composite.title, "Brevant TV USB");
  EXPECT_EQ(composite.command, 1114);
  EXPECT_EQ(composite.indicator, 192);
  const vd::WorkModeInfo& svideo = vd::WorkModeInfoOf(vd::WorkMode::kSVideo);
  EXPECT_STREQ(svideo.title, "Brevant TV USB SVIDEO");
  EXPECT_EQ(svideo.command, 1118);
  EXPECT_EQ(svideo.indicator, 193);
}

TEST(WorkModes, PanelInputRunsTheOtherWay) {
  for (int stored = 0; stored <= 3; ++stored) {
    const vd::WorkMode mode = vd::WorkModeFromStored(stored);
    EXPECT_EQ(vd::WorkModeInfoOf(mode).workMode, mode);
    EXPECT_EQ(vd::PanelInputOf(mode), 3 - stored);
    EXPECT_EQ(vd::WorkModeOfInput(vd::PanelInputOf(mode)), mode);
  }
  EXPECT_EQ(vd::WorkModeOfInput(-1), vd::WorkMode::kTv);
  EXPECT_EQ(vd::WorkModeOfInput(4), vd::WorkMode::kTv);
}

}  // namespace
