// Digit entry: the TV last-three-digits rule, the radio five-input window with its moving
// decimal point, the texts, and what Enter does in each mode.
#include <gtest/gtest.h>

#include <array>

#include "channels_fakes.h"
#include "remote_fakes.h"
#include "vd/remote/digit_entry.h"
#include "vd/remote/tuning_ports.h"
#include "vd/tuning/channel_table.h"

namespace vd::test {
namespace {

constexpr int kPoint = DigitEntry::kCommandPoint;
constexpr int kEnter = DigitEntry::kCommandEnter;

// Channels 1..250 at 50 MHz + 1 MHz per channel above 1; channel 100 has no frequency.
const ChannelBand& TestBand() {
  static const auto table = [] {
    std::array<uint32_t, 250> t{};
    for (uint32_t i = 0; i < t.size(); ++i) t[i] = 50000000 + 1000000 * i;
    t[99] = 0;
    return t;
  }();
  static const ChannelBand band{1, 250, table.data()};
  return band;
}

class DigitEntryTest : public ::testing::Test {
 protected:
  void Type(std::initializer_list<int> keys) {
    for (int k : keys) entry.OnCommand(k == '.' ? kPoint : DigitEntry::kCommandDigit0 + k);
  }

  FakeHost host;
  FakeStations list;
  DigitEntry entry{list, list, host};
};

TEST_F(DigitEntryTest, TvKeepsTheLastThreeDigits) {
  Type({1, 2, 3, 4});
  EXPECT_EQ(entry.Value(), 234);
  EXPECT_EQ(entry.Count(), 3);
  EXPECT_EQ(host.texts, (std::vector<std::string>{"1", "12", "123", "234"}));
  Type({5});
  EXPECT_EQ(entry.Value(), 345);
}

TEST_F(DigitEntryTest, EveryCommandStopsTheTimerAndInputsRestartIt) {
  Type({1, 2});
  entry.OnCommand(kEnter);
  EXPECT_EQ(host.timer,
            (std::vector<std::string>{"stop", "start 2000", "stop", "start 2000", "stop"}));
}

TEST_F(DigitEntryTest, TvChannelTunesStraightWithAnEmptyList) {
  list.band = &TestBand();
  Type({1, 2, 3, 4});
  entry.OnCommand(kEnter);
  EXPECT_EQ(list.tuned, std::vector<uint32_t>{50000000u + 233000000u});
  EXPECT_EQ(host.refreshes, std::vector<int>{234});
  EXPECT_TRUE(host.beeps.empty());
  EXPECT_EQ(entry.Count(), 0);
  EXPECT_EQ(entry.Value(), 0);
}

TEST_F(DigitEntryTest, TimerExpiryEndsTheEntryLikeEnter) {
  list.band = &TestBand();
  Type({7});
  entry.OnTimer();
  EXPECT_EQ(list.tuned, std::vector<uint32_t>{56000000u});
  EXPECT_EQ(entry.Count(), 0);
}

TEST_F(DigitEntryTest, TvNumbersOutsideTheBandOrTheTunerBeep) {
  list.band = &TestBand();
  for (auto keys : {std::initializer_list<int>{0}, {2, 5, 1}, {1, 0, 0}}) {
    Type(keys);
    entry.OnCommand(kEnter);
  }
  list.tvMax = 200000000;  // channel 234 is 283 MHz
  Type({2, 3, 4});
  entry.OnCommand(kEnter);
  list.tvMax = 860000000;
  list.limitsKnown = false;
  Type({5});
  entry.OnCommand(kEnter);
  EXPECT_EQ(host.beeps, std::vector<uint32_t>(5, kBeepQuestion));
  EXPECT_TRUE(list.tuned.empty());
  EXPECT_EQ(entry.Count(), 0);
}

TEST_F(DigitEntryTest, TvWithoutABandBeeps) {
  Type({5});
  entry.OnCommand(kEnter);
  EXPECT_EQ(host.beeps, std::vector<uint32_t>{kBeepQuestion});
}

TEST_F(DigitEntryTest, TvSelectsTheStationOnThatChannel) {
  list.band = &TestBand();
  list.stations = {{55000000, "a"}, {60000000, "b"}};
  list.current = 0;
  Type({1, 1});
  entry.OnCommand(kEnter);
  EXPECT_EQ(list.selected, std::vector<int32_t>{1});
  EXPECT_TRUE(host.beeps.empty());
  EXPECT_EQ(list.Count(), 2);
}

TEST_F(DigitEntryTest, TvAddsAnUnknownChannelAndBeeps) {
  list.band = &TestBand();
  list.stations = {{55000000, "a"}};
  list.current = 0;
  Type({2, 0});
  entry.OnCommand(kEnter);
  EXPECT_EQ(list.tuned, std::vector<uint32_t>{69000000u});
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.stations[1].hz, 69000000u);
  EXPECT_EQ(list.current, 1);
  EXPECT_EQ(host.beeps, std::vector<uint32_t>{kBeepDefault});
}

TEST_F(DigitEntryTest, TvLeavesTheStationAloneWhileCapturing) {
  list.band = &TestBand();
  list.stations = {{55000000, "a"}, {60000000, "b"}};
  list.current = 0;
  host.capturing = true;
  Type({1, 1});
  entry.OnCommand(kEnter);
  Type({2, 0});
  entry.OnCommand(kEnter);
  EXPECT_TRUE(list.selected.empty());
  EXPECT_TRUE(list.tuned.empty());
  EXPECT_EQ(list.Count(), 2);
  EXPECT_EQ(entry.Count(), 0);
}

TEST_F(DigitEntryTest, TvIgnoresThePoint) {
  Type({1, '.', 2});
  EXPECT_EQ(entry.Value(), 12);
  EXPECT_EQ(entry.Count(), 2);
  EXPECT_EQ(entry.PointPosition(), 0);
}

TEST_F(DigitEntryTest, RadioTextsFollowThePoint) {
  host.workMode = vd::WorkMode::kRadio;
  Type({9, 8, '.', 5});
  EXPECT_EQ(host.texts, (std::vector<std::string>{"9", "98", "98.", "98.5"}));
  EXPECT_EQ(entry.Value(), 985);
  EXPECT_EQ(entry.PointPosition(), 3);
  entry.OnCommand(kEnter);
  EXPECT_EQ(list.tuned, std::vector<uint32_t>{98500000u});
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list.current, 0);
  EXPECT_TRUE(host.beeps.empty());
}

TEST_F(DigitEntryTest, RadioDecimalsUpToFour) {
  host.workMode = vd::WorkMode::kRadio;
  Type({1, '.', 0, 5});
  EXPECT_EQ(host.texts.back(), "1.05");
  Type({0});
  EXPECT_EQ(host.texts.back(), "1.050");
  // The sixth input pushes the oldest digit out and the point one place left.
  Type({7});
  EXPECT_EQ(entry.Count(), 5);
  EXPECT_EQ(entry.PointPosition(), 1);
  EXPECT_EQ(host.texts.back(), "1.0507");
}

TEST_F(DigitEntryTest, RadioSixthInputMovesThePoint) {
  host.workMode = vd::WorkMode::kRadio;
  Type({1, 0, 1, '.', 7, 5});
  EXPECT_EQ(entry.Value(), 10175);
  EXPECT_EQ(entry.Count(), 5);
  EXPECT_EQ(entry.PointPosition(), 3);
  EXPECT_EQ(host.texts.back(), "101.75");
  entry.OnCommand(kEnter);
  EXPECT_EQ(list.tuned, std::vector<uint32_t>{101750000u});
}

TEST_F(DigitEntryTest, RadioWithoutPointIsWholeMegahertz) {
  host.workMode = vd::WorkMode::kRadio;
  Type({8, 8});
  entry.OnCommand(kEnter);
  EXPECT_EQ(list.tuned, std::vector<uint32_t>{88000000u});
}

TEST_F(DigitEntryTest, RadioTooHighOrZeroBeeps) {
  host.workMode = vd::WorkMode::kRadio;
  Type({2, 1, 4, 7});
  entry.OnCommand(kEnter);
  Type({0, '.', 0});
  entry.OnCommand(kEnter);
  entry.OnCommand(kEnter);  // nothing typed
  EXPECT_EQ(host.beeps, std::vector<uint32_t>(3, kBeepQuestion));
  EXPECT_TRUE(list.tuned.empty());
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(entry.Count(), 0);
  // 2146 itself is still accepted.
  Type({2, 1, 4, 6});
  entry.OnCommand(kEnter);
  EXPECT_EQ(list.tuned, std::vector<uint32_t>{2146000000u});
}

TEST_F(DigitEntryTest, RadioSecondPointIsIgnored) {
  host.workMode = vd::WorkMode::kRadio;
  Type({9, '.', 8, '.', 5});
  EXPECT_EQ(host.texts.back(), "9.85");
  entry.OnCommand(kEnter);
  EXPECT_EQ(list.tuned, std::vector<uint32_t>{9850000u});
}

TEST_F(DigitEntryTest, OtherModesIgnoreTheEntryAndDropWhatWasTyped) {
  Type({4, 2});
  host.workMode = vd::WorkMode::kComposite;
  EXPECT_TRUE(entry.OnCommand(DigitEntry::kCommandDigit0 + 5));
  EXPECT_TRUE(entry.OnCommand(kEnter));
  EXPECT_EQ(entry.Count(), 0);
  EXPECT_EQ(host.timer.back(), "stop");
  EXPECT_TRUE(host.beeps.empty());
  EXPECT_TRUE(list.tuned.empty());
  EXPECT_FALSE(entry.OnCommand(375));
  EXPECT_FALSE(entry.OnCommand(388));
}

// The same through the real channel table of the radio mode.
TEST(DigitEntryOnTheTable, RadioEntryMakesTheStationCurrent) {
  Rig rig(true, TunerSetup{});
  TuningPorts ports(*rig.control);
  FakeHost host;
  host.workMode = vd::WorkMode::kRadio;
  DigitEntry entry(ports, ports, host);
  for (int c : {1, 0, 1}) entry.OnCommand(DigitEntry::kCommandDigit0 + c);
  entry.OnCommand(DigitEntry::kCommandEnter);
  ASSERT_EQ(rig.Table().Count(), 1);
  EXPECT_EQ(rig.Table().Get(0)->frequency, 101000000u);
  EXPECT_EQ(rig.tuner->frequency, 101000000u);

  for (int c : {9, 8, static_cast<int>('.'), 5}) {
    entry.OnCommand(c == '.' ? DigitEntry::kCommandPoint : DigitEntry::kCommandDigit0 + c);
  }
  entry.OnCommand(DigitEntry::kCommandEnter);
  ASSERT_EQ(rig.Table().Count(), 2);
  EXPECT_EQ(rig.Table().Get(1)->frequency, 98500000u);
  EXPECT_EQ(rig.Table().Get(1)->Name(), "98.50 ");
  EXPECT_EQ(rig.Table().Current(), 1);
  EXPECT_EQ(rig.tuner->frequency, 98500000u);
}

}  // namespace
}  // namespace vd::test
