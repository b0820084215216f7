// Channel table operations: selection, additions, removal, ordering, the default list and
// loading from the working file.
#include <gtest/gtest.h>

#include "channels_fakes.h"
#include "vd/tuning/channel_table.h"

namespace vd::test {
namespace {

constexpr uint32_t kMHz = 1000000;

// Channels 1..110 of which only 2, 5, 10, 12, 100 and 105 exist.
struct Band {
  Band() {
    hz.assign(110, 0);
    for (uint32_t n : {2u, 5u, 10u, 12u, 100u, 105u}) hz[n - 1] = (100 + n) * kMHz;
    band = ChannelBand{1, 110, hz.data()};
  }
  std::vector<uint32_t> hz;
  ChannelBand band;
};

TunerSetup TvSetup(const Band& b) {
  TunerSetup s;
  // index 0 does not tune, index 2 tunes to a frequency outside the band
  s.channels = {0, b.band.FrequencyOf(5), 123456789, b.band.FrequencyOf(12),
                b.band.FrequencyOf(105)};
  return s;
}

TEST(ChannelTableDefault, NamesLineUpTheChannelNumbers) {
  Band b;
  Rig rig(false, TvSetup(b), &b.band, /*startEmpty=*/false);
  CChannelTable& t = rig.Table();
  ASSERT_EQ(t.Count(), 3);
  EXPECT_EQ(t.Get(0)->Name(), " 5     Unnamed");
  EXPECT_EQ(t.Get(1)->Name(), "12   Unnamed");
  EXPECT_EQ(t.Get(2)->Name(), "105 Unnamed");
  EXPECT_EQ(t.Get(0)->id, 1u);
  EXPECT_EQ(t.Get(2)->number, 105u);
  EXPECT_TRUE(t.Slots().IsUsed(4));
  EXPECT_FALSE(t.Slots().IsUsed(2));  // its frequency has no channel number
  EXPECT_EQ(t.Current(), 1);
  EXPECT_EQ(rig.tuner->frequency, b.band.FrequencyOf(12));
  EXPECT_EQ(rig.context.displayRefreshes, 1);
  EXPECT_EQ(rig.context.cursorDepth, 0);
  EXPECT_TRUE(rig.context.questions.empty());
}

TEST(ChannelTableDefault, AutoScanAsksInTvAndIsSwitchedOffInEveryMode) {
  Band b;
  Rig tv(false, TvSetup(b), &b.band, /*startEmpty=*/true);
  ASSERT_EQ(tv.context.questions.size(), 1u);
  EXPECT_EQ(tv.context.questions[0],
            "Confirm automatic scan| Your TV station  list is currently empty .\n\n Would you "
            "like an automatic scan performed ? \n Please note that it takes a few minutes .");
  EXPECT_FALSE(tv.context.autoScan);
  EXPECT_EQ(tv.context.scanRequests, 0);  // answered No
  EXPECT_EQ(tv.Table().Count(), 0);

  Rig radio(true, TunerSetup{}, nullptr, true);
  EXPECT_TRUE(radio.context.questions.empty());
  EXPECT_FALSE(radio.context.autoScan);
  EXPECT_EQ(radio.Table().Count(), 0);
}

TEST(ChannelTableSelect, MutesWaitsAndRestoresTheMuteState) {
  Band b;
  Rig rig(false, TvSetup(b), &b.band, false);
  for (bool mutedBefore : {false, true}) {
    rig.context.muted = mutedBefore;
    rig.journal.clear();
    ASSERT_TRUE(rig.Table().Select(2, true));
    const Journal expected = {"mute", "SetFrequency " + std::to_string(b.band.FrequencyOf(105)),
                              "wait 50", mutedBefore ? "mute" : "unmute"};
    EXPECT_EQ(rig.journal, expected);
    EXPECT_EQ(rig.context.muted, mutedBefore);
  }
  EXPECT_EQ(rig.Table().Previous(), 1);  // tuning the current station again is no change
  EXPECT_EQ(rig.Table().Current(), 2);
  rig.journal.clear();
  EXPECT_FALSE(rig.Table().Select(3, true));
  EXPECT_FALSE(rig.Table().Select(-1, true));
  EXPECT_TRUE(rig.journal.empty());
}

TEST(ChannelTableAdd, ExistingFrequencyOnlyBecomesCurrent) {
  Band b;
  Rig rig(false, TvSetup(b), &b.band, false);
  rig.journal.clear();
  EXPECT_TRUE(rig.Table().AddByFrequency(b.band.FrequencyOf(5)));
  EXPECT_EQ(rig.Table().Count(), 3);
  EXPECT_EQ(rig.Table().Current(), 0);
  EXPECT_TRUE(rig.journal.empty());  // no tuning
}

TEST(ChannelTableAdd, TvNamesSortTwoBeforeTenBeforeHundred) {
  Band b;
  Rig rig(false, TvSetup(b), &b.band);
  CChannelTable& t = rig.Table();
  for (uint32_t n : {100u, 2u, 10u}) t.AddByFrequency(b.band.FrequencyOf(n));
  t.AddByFrequency(555 * kMHz);  // no entry: the band's last number
  ASSERT_EQ(t.Count(), 4);
  EXPECT_EQ(t.Get(0)->Name(), "  2 ");
  EXPECT_EQ(t.Get(1)->Name(), " 10 ");
  EXPECT_EQ(t.Get(2)->Name(), "100 ");
  EXPECT_EQ(t.Get(3)->Name(), "110 ");
  EXPECT_EQ(t.Current(), 3);  // the new station, after sorting
  EXPECT_EQ(t.Get(0)->number, 2u);
}

TEST(ChannelTableAdd, RadioNamesInMegahertzUnsorted) {
  Rig rig(true, TunerSetup{});
  CChannelTable& t = rig.Table();
  t.AddByFrequency(101700000);
  t.AddByFrequency(98100000);
  EXPECT_EQ(t.Get(0)->Name(), "101.70 ");
  EXPECT_EQ(t.Get(1)->Name(), "98.10 ");
  EXPECT_EQ(t.Current(), 1);
}

TEST(ChannelTableAdd, NewIdNeverCollidesWithAScannedOne) {
  Rig rig(true, TunerSetup{});
  CChannelTable& t = rig.Table();
  ASSERT_TRUE(t.Slots().AppendFound(1, "found", 1000, 0));  // id 1 taken by the scan
  t.AddByFrequency(2000);                                   // count is 1 now
  ASSERT_EQ(t.Count(), 2);
  EXPECT_NE(t.Get(1)->id, 1u);
  t.Remove(0);
  EXPECT_TRUE(t.Slots().IsUsed(static_cast<int32_t>(t.Get(0)->id)));
}

TEST(ChannelTableAdd, RefusesBeyondCapacity) {
  Rig rig(true, TunerSetup{});
  CChannelTable& t = rig.Table();
  for (uint32_t i = 0; i < 3000; ++i) ASSERT_TRUE(t.AddByFrequency(1000 + i));
  EXPECT_FALSE(t.AddByFrequency(1));
  EXPECT_FALSE(t.Slots().AppendFound(5, "x", 2, 0));
  EXPECT_EQ(t.Count(), 3000);
  EXPECT_EQ(rig.context.beeps, std::vector<uint32_t>{kBeepDefault});
  for (int32_t i = 0; i < 3000; ++i) ASSERT_LT(t.Get(i)->id, 3000u);
}

class ChannelTableFive : public ::testing::Test {
 protected:
  ChannelTableFive() : rig(true, TunerSetup{}) {
    for (uint32_t i = 0; i < 5; ++i) rig.Table().AddByFrequency((90 + i) * kMHz);
  }
  CChannelTable& T() { return rig.Table(); }
  Rig rig;
};

TEST_F(ChannelTableFive, RemovingCurrentSelectsTheOneBeforeOrTheLast) {
  T().Select(2, true);
  T().Remove(2);
  EXPECT_EQ(T().Current(), 1);
  EXPECT_EQ(rig.tuner->frequency, 91 * kMHz);
  EXPECT_EQ(T().LastDeleted(), 2);
  EXPECT_FALSE(T().Slots().IsUsed(2));
  T().Select(0, true);
  T().Remove(0);
  EXPECT_EQ(T().Current(), T().Count() - 1);
  EXPECT_EQ(rig.tuner->frequency, 94 * kMHz);
}

TEST_F(ChannelTableFive, RemovingBeforeCurrentKeepsTheSameStation) {
  T().Select(3, true);
  T().Remove(1);
  EXPECT_EQ(T().Current(), 2);
  EXPECT_EQ(T().Get(2)->frequency, 93 * kMHz);
  while (T().Count() > 0) T().Remove(0);
  EXPECT_EQ(T().Current(), -1);
  int32_t index = 0;
  EXPECT_FALSE(T().GetCurrent(&index));
}

TEST_F(ChannelTableFive, NextAndPreviousWrap) {
  T().Select(4, true);
  T().SelectNext();
  EXPECT_EQ(T().Current(), 0);
  T().SelectPrevious();
  EXPECT_EQ(T().Current(), 4);
  T().SelectPreviousStation();
  EXPECT_EQ(T().Current(), 0);
  rig.tuner->frequency = 0;
  rig.control->RetuneCurrent();
  EXPECT_EQ(rig.tuner->frequency, 90 * kMHz);
}

TEST_F(ChannelTableFive, MoveAndSwapCarryTheCurrentStation) {
  T().Select(1, true);
  T().Move(1, 4);
  EXPECT_EQ(T().Current(), 4);
  EXPECT_EQ(T().Get(4)->frequency, 91 * kMHz);
  T().Move(0, 4);  // current shifts down by one
  EXPECT_EQ(T().Current(), 3);
  EXPECT_EQ(T().Get(3)->frequency, 91 * kMHz);
  T().Swap(3, 0);
  EXPECT_EQ(T().Current(), 0);
  T().Swap(0, 7);  // out of range: nothing
  EXPECT_EQ(T().Get(0)->frequency, 91 * kMHz);
  T().Sort();  // radio: by frequency
  for (int32_t i = 0; i < 5; ++i) EXPECT_EQ(T().Get(i)->frequency, (90 + i) * kMHz);
  EXPECT_EQ(T().Get(T().Current())->frequency, 91 * kMHz);
}

// Recall leads to the station watched before, whatever moved in between: a typed channel
// inserted in sorted order, a typed channel already in the list, a swap and a deletion.
TEST(ChannelTableRecall, LeadsToTheStationWatchedBefore) {
  Band b;
  Rig rig(false, TvSetup(b), &b.band);
  CChannelTable& t = rig.Table();
  for (uint32_t n : {5u, 12u, 105u}) t.AddByFrequency(b.band.FrequencyOf(n));
  const auto watching = [&] { return t.Get(t.Current())->number; };
  const auto recall = [&] {
    t.SelectPreviousStation();
    return watching();
  };
  t.Select(0, true);                         // 5
  t.Select(1, true);                         // 12
  t.AddByFrequency(b.band.FrequencyOf(10));  // typed: sorts in before 12
  ASSERT_EQ(watching(), 10u);
  EXPECT_EQ(recall(), 12u);
  EXPECT_EQ(recall(), 10u);
  t.AddByFrequency(b.band.FrequencyOf(5));  // typed, already in the list
  EXPECT_EQ(recall(), 10u);
  t.Select(t.Current(), true);  // tuned again after a scan: no change of station
  EXPECT_EQ(recall(), 5u);
  t.Swap(0, 3);
  EXPECT_EQ(recall(), 10u);
  t.Remove(t.Previous());  // the recall station goes: recall stays put
  EXPECT_EQ(recall(), 10u);
  EXPECT_EQ(t.Previous(), t.Current());
}

TEST(ChannelTablePresets, RemoteCyclesTheFirstTen) {
  Rig rig(true, TunerSetup{});
  CChannelTable& t = rig.Table();
  for (uint32_t i = 0; i < 12; ++i) t.AddByFrequency((90 + i) * kMHz);
  rig.context.fmMemory = true;
  t.Select(9, true);
  t.SelectNext();
  EXPECT_EQ(t.Current(), 0);
  t.SelectPrevious();
  EXPECT_EQ(t.Current(), 9);
  rig.context.fmMemory = false;
  t.SelectNext();
  EXPECT_EQ(t.Current(), 10);
}

TEST(ChannelTableSort, EqualNamesKeepTheirOrder) {
  Band b;
  Rig rig(false, TvSetup(b), &b.band);
  CChannelTable& t = rig.Table();
  ASSERT_TRUE(t.Slots().AppendFound(9, "b", 1, 0));
  ASSERT_TRUE(t.Slots().AppendFound(4, "a", 2, 0));
  ASSERT_TRUE(t.Slots().AppendFound(7, "b", 3, 0));
  ASSERT_TRUE(t.Slots().AppendFound(1, "a", 4, 0));
  t.Sort();
  std::vector<uint32_t> ids;
  for (int32_t i = 0; i < t.Count(); ++i) ids.push_back(t.Get(i)->id);
  EXPECT_EQ(ids, (std::vector<uint32_t>{4, 1, 9, 7}));
}

TEST(ChannelTableLoad, TvCurrentComesFromTheSettingsAndIsKeptInRange) {
  Band b;
  Rig rig(false, TvSetup(b), &b.band, false);
  rig.Table().Select(2, true);
  rig.Table().Select(0, true);
  rig.Restart();
  EXPECT_EQ(rig.context.tvStation, 0);
  EXPECT_EQ(rig.context.tvOldStation, 2);
  EXPECT_EQ(rig.Table().Current(), 0);
  EXPECT_EQ(rig.Table().Previous(), 2);
  EXPECT_TRUE(rig.context.questions.empty());  // a list exists: no scan offered

  rig.context.tvStation = 7;  // from an older, longer list
  rig.Restart();
  EXPECT_EQ(rig.Table().Current(), 0);
  EXPECT_EQ(rig.tuner->frequency, rig.Table().Get(0)->frequency);
}

TEST(ChannelTableLoad, DamagedFileKeepsTheGoodStationsAndSaysSoOnce) {
  Rig rig(true, TunerSetup{});
  for (uint32_t i = 0; i < 4; ++i) rig.Table().AddByFrequency((90 + i) * kMHz);
  rig.control.reset();
  std::vector<uint8_t> bytes = ReadBytes(rig.folder.File("FM.CFG"));
  bytes.resize(bytes.size() - 3);  // the fourth station loses its number
  WriteBytes(rig.folder.File("FM.CFG"), bytes);
  rig.Restart();
  EXPECT_EQ(rig.Table().Count(), 3);
  ASSERT_EQ(rig.context.messages.size(), 1u);
  EXPECT_NE(rig.context.messages[0].find("3 station(s) could be kept"), std::string::npos);
  EXPECT_NE(rig.context.messages[0].find("FM.CFG"), std::string::npos);
  EXPECT_EQ(rig.Table().Current(), -1);  // the stored current was the lost fourth
  // Closing stores the three; the damaged file stays beside them, and the message says where.
  const std::string kept = rig.folder.File("FM.CFG.damaged");
  EXPECT_NE(rig.context.messages[0].find("kept as " + kept), std::string::npos)
      << rig.context.messages[0];
  rig.Restart();
  EXPECT_EQ(ReadBytes(kept), bytes);
  EXPECT_EQ(rig.Table().Count(), 3);
  EXPECT_EQ(rig.context.messages.size(), 1u);
}

}  // namespace
}  // namespace vd::test
