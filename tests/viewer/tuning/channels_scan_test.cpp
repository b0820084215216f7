// The scan engine: full scans on empty and filled tables, cancelling, the single seek with its
// wrap, names of found stations and the progress texts.
#include <gtest/gtest.h>

#include <climits>

#include "channels_fakes.h"
#include "vd/tuning/channel_table.h"
#include "vd/tuning/scan_engine.h"

namespace vd::test {
namespace {

struct FakeProgress : ScanProgress {
  void Open(int32_t first, int32_t) override {
    ++opens;
    pos = first;
  }
  void Close() override { ++closes; }
  bool Cancelled() override { return pos >= cancelAt; }
  int32_t Position() const override { return pos; }
  void SetPosition(int32_t p) override {
    pos = p;
    positions.push_back(p);
  }
  void SetText(const std::string& text) override { texts.push_back(text); }

  int32_t pos = 0;
  int32_t cancelAt = INT_MAX;
  int opens = 0, closes = 0;
  std::vector<int32_t> positions;
  std::vector<std::string> texts;
};

struct FakeCancel : ScanCancelSource {
  bool TakeCancel() override { return std::exchange(flag, false); }
  bool flag = false;
};

struct FakeView : ScanView {
  void BeginScan() override { ++begins; }
  void StationFound() override {
    ++found;
    runningSeen = runningSeen && ScanEngine::Running();
  }
  bool runningSeen = true;
  void EndScan() override { ++ends; }
  int begins = 0, found = 0, ends = 0;
};

// Ten TV channel indices; the band knows the frequencies of indices 0..7 as channels 1..8.
struct TvScan : ::testing::Test {
  TvScan() {
    for (uint32_t i = 0; i < 8; ++i) bandHz[i] = (50 + 10 * i) * 1000000;
    band = ChannelBand{1, 8, bandHz};
  }
  void Start(std::set<uint32_t> stations) {
    TunerSetup s;
    for (uint32_t i = 0; i < 10; ++i) s.channels.push_back((50 + 10 * i) * 1000000);
    s.tvStations = std::move(stations);
    rig = std::make_unique<Rig>(false, s, &band);
    rig->tuner->logAll = false;
    ScanEngine::ResetScanStart();
  }
  std::vector<uint32_t> Ids() {
    std::vector<uint32_t> ids;
    for (int32_t i = 0; i < rig->Table().Count(); ++i) ids.push_back(rig->Table().Get(i)->id);
    return ids;
  }
  int Queries(uint32_t step) { return rig->tuner->signalQueries[step]; }

  uint32_t bandHz[8];
  ChannelBand band;
  std::unique_ptr<Rig> rig;
  FakeProgress progress;
  FakeView view;
  FakeCancel cancel;
};

TEST_F(TvScan, EmptyTableProbesEveryStepOnceAndEndsAtLast) {
  Start({2, 5, 8});
  ScanEngine engine(*rig->control);
  EXPECT_EQ(engine.FullScan(view, progress, ScanEngine::Origin::kSearchPage), 3);
  for (uint32_t step = 0; step < 10; ++step) EXPECT_EQ(Queries(step), 1) << step;
  EXPECT_EQ(Ids(), (std::vector<uint32_t>{2, 5, 8}));
  CChannelTable& t = rig->Table();
  EXPECT_EQ(t.Get(0)->Name(), "  3    ");  // channel 3 of the band, four spaces of filler
  EXPECT_EQ(t.Get(1)->Name(), "  6    ");
  EXPECT_EQ(t.Get(2)->Name(), "209");  // not in the band: step + 201, no filler above 99
  EXPECT_EQ(t.Get(2)->number, 209u);
  EXPECT_EQ(t.Get(2)->frequency, 130000000u);
  EXPECT_EQ(progress.texts,
            (std::vector<std::string>{"Found 1 Channels", "Found 2 Channels", "Found 3 Channels"}));
  EXPECT_TRUE(std::is_sorted(progress.positions.begin(), progress.positions.end()));
  EXPECT_GE(progress.positions.back(), 9);
  EXPECT_EQ(view.found, 3);
  EXPECT_TRUE(view.runningSeen);
  EXPECT_FALSE(ScanEngine::Running());
  EXPECT_EQ(view.begins, 1);
  EXPECT_EQ(view.ends, 1);
  EXPECT_EQ(progress.closes, 1);
  EXPECT_EQ(t.Current(), 1);  // the page selects the second station
  EXPECT_EQ(rig->tuner->frequency, 100000000u);
  EXPECT_EQ(ScanEngine::ScanStart(), -1);
  EXPECT_EQ(rig->context.cursorDepth, 0);
}

TEST_F(TvScan, FilledTableSkipsKnownStationsAndEndsAfterWrapping) {
  Start({1, 2, 5, 7});
  CChannelTable& t = rig->Table();
  ASSERT_TRUE(t.Slots().AppendFound(2, "two", 70000000, 3));
  ASSERT_TRUE(t.Slots().AppendFound(5, "five", 100000000, 6));
  ScanEngine engine(*rig->control);
  EXPECT_EQ(engine.FullScan(view, progress, ScanEngine::Origin::kAutoScanDialog), 2);
  EXPECT_EQ(Ids(), (std::vector<uint32_t>{2, 5, 1, 7}));
  EXPECT_EQ(Queries(2), 0);
  EXPECT_EQ(Queries(5), 0);
  for (uint32_t step : {0u, 1u, 3u, 4u, 6u, 7u, 8u, 9u}) EXPECT_EQ(Queries(step), 1) << step;
  EXPECT_EQ(t.Current(), 3);  // the dialog leaves the last station found current
}

// A station typed in or imported holds the slot of its count, which may be a step with
// another station on it; and it may be on a step the scan reaches under another slot. The
// scan finds the one and passes over the other. A scanned station that was fine-tuned
// still holds its step.
TEST_F(TvScan, StationsAddedByFrequencyNeitherHideNorDoubleTheStationsFound) {
  Start({0, 2, 5});
  CChannelTable& t = rig->Table();
  ASSERT_TRUE(t.AddByFrequency(70000000));  // step 2's station, in slot 0
  ASSERT_EQ(Ids(), std::vector<uint32_t>{0});
  ScanEngine engine(*rig->control);
  EXPECT_EQ(engine.FullScan(view, progress, ScanEngine::Origin::kAutoScanDialog), 2);
  std::vector<uint32_t> hz;
  for (int32_t i = 0; i < t.Count(); ++i) hz.push_back(t.Get(i)->frequency);
  EXPECT_EQ(hz, (std::vector<uint32_t>{70000000, 50000000, 100000000}));
  const std::vector<uint32_t> ids = Ids();
  EXPECT_EQ(ids[1], 0u);
  EXPECT_EQ(ids[2], 5u);
  EXPECT_GE(ids[0], 10u);  // moved beyond the tuner's steps
  EXPECT_TRUE(t.Slots().IsUsed(static_cast<int32_t>(ids[0])));

  ASSERT_TRUE(t.SetFrequency(2, 100100000));
  rig->tuner->signalQueries.clear();
  FakeProgress again;
  EXPECT_EQ(engine.FullScan(view, again, ScanEngine::Origin::kAutoScanDialog), 0);
  EXPECT_EQ(t.Count(), 3);
  EXPECT_EQ(Queries(0), 0);
  EXPECT_EQ(Queries(5), 0);
}

TEST_F(TvScan, CancelKeepsWhatWasFoundAndReselects) {
  Start({2, 5, 8});
  progress.cancelAt = 7;
  ScanEngine engine(*rig->control);
  engine.FullScan(view, progress, ScanEngine::Origin::kAutoScanDialog);
  EXPECT_EQ(Ids(), (std::vector<uint32_t>{2, 5}));
  EXPECT_EQ(Queries(8), 0);
  EXPECT_EQ(rig->Table().Current(), 1);
  EXPECT_EQ(rig->tuner->frequency, 100000000u);  // tuned back to the current station
  EXPECT_EQ(ScanEngine::ScanStart(), -1);
  EXPECT_EQ(progress.closes, 1);
}

TEST_F(TvScan, SingleSeekFromTheLastStationWrapsAndStopsBeforeCurrent) {
  Start({3, 7});
  CChannelTable& t = rig->Table();
  ASSERT_TRUE(t.Slots().AppendFound(3, "three", 80000000, 4));
  ASSERT_TRUE(t.Slots().AppendFound(7, "seven", 120000000, 8));
  rig->control->TuneStep(7);
  ScanEngine engine(*rig->control);
  EXPECT_FALSE(engine.SingleSeek(view, cancel));
  for (uint32_t step : {8u, 9u, 0u, 1u, 2u, 4u, 5u, 6u}) EXPECT_EQ(Queries(step), 1) << step;
  EXPECT_EQ(Queries(3), 0);
  EXPECT_EQ(Queries(7), 0);
  EXPECT_EQ(rig->tuner->channel, 7u);  // back where it was
  EXPECT_EQ(view.found, 0);

  rig->tuner->setup.tvStations.insert(1);
  EXPECT_TRUE(engine.SingleSeek(view, cancel));
  EXPECT_EQ(Ids(), (std::vector<uint32_t>{3, 7, 1}));
  EXPECT_EQ(t.Current(), 2);
  EXPECT_EQ(view.found, 1);
}

TEST_F(TvScan, CancelSourceStopsTheSingleSeek) {
  Start({6});
  ScanEngine engine(*rig->control);
  cancel.flag = true;
  EXPECT_FALSE(engine.SingleSeek(view, cancel));
  EXPECT_EQ(rig->Table().Count(), 0);
  EXPECT_EQ(Queries(6), 0);
  EXPECT_FALSE(cancel.flag);  // read and cleared
}

TEST_F(TvScan, DeletedStationIsSkippedOnce) {
  Start({2, 5, 8});
  ScanEngine engine(*rig->control);
  engine.FullScan(view, progress, ScanEngine::Origin::kAutoScanDialog);
  rig->Table().Remove(1);  // id 5
  rig->tuner->signalQueries.clear();
  FakeProgress again;
  EXPECT_EQ(engine.FullScan(view, again, ScanEngine::Origin::kAutoScanDialog), 0);
  EXPECT_EQ(Queries(5), 0);
  rig->tuner->setup.tvStations.insert(4);
  FakeProgress third;
  engine.FullScan(view, third, ScanEngine::Origin::kAutoScanDialog);
  EXPECT_EQ(Ids(), (std::vector<uint32_t>{2, 8, 4, 5}));  // 4 resets the skip, so 5 returns
}

TEST_F(TvScan, FullTableBeepsInsteadOfScanning) {
  Start({1});
  CChannelTable& t = rig->Table();
  for (int32_t i = 0; i < 3000; ++i) ASSERT_TRUE(t.Slots().AppendFound(i, "x", 1000 + i, 0));
  ScanEngine engine(*rig->control);
  EXPECT_FALSE(engine.SeekNext(nullptr, true, true, nullptr));
  EXPECT_EQ(rig->context.beeps, std::vector<uint32_t>{kBeepDefault});
  EXPECT_EQ(Queries(1), 0);
}

TEST(RadioScan, NamesInMegahertz) {
  TunerSetup s;
  s.radioMin = 98000000;
  s.radioMax = 98200000;
  s.radioStations = {98100000};
  Rig rig(true, s);
  FakeProgress progress;
  FakeView view;
  ScanEngine engine(*rig.control);
  EXPECT_EQ(engine.FullScan(view, progress, ScanEngine::Origin::kSearchPage), 1);
  ASSERT_EQ(rig.Table().Count(), 1);
  EXPECT_EQ(rig.Table().Get(0)->Name(), "98.10 ");
  EXPECT_EQ(rig.Table().Get(0)->id, 1962u);
  EXPECT_EQ(rig.Table().Get(0)->frequency, 98100000u);
  EXPECT_EQ(rig.Table().Current(), 0);  // fewer than two: the page keeps the one found
  EXPECT_EQ(rig.tuner->signalQueries.size(), 5u);
}

TEST(RadioScan, ATypedFrequencyIsNotFoundAgain) {
  TunerSetup s;
  s.radioMin = 98000000;
  s.radioMax = 98200000;
  s.radioStations = {98100000};
  Rig rig(true, s);
  ASSERT_TRUE(rig.Table().AddByFrequency(98100000));
  FakeProgress progress;
  FakeView view;
  ScanEngine engine(*rig.control);
  EXPECT_EQ(engine.FullScan(view, progress, ScanEngine::Origin::kSearchPage), 0);
  EXPECT_EQ(rig.Table().Count(), 1);
}

TEST(ScanTexts, PercentAndFound) {
  EXPECT_EQ(ScanEngine::PercentText(0, 0, 10), "0%");
  EXPECT_EQ(ScanEngine::PercentText(5, 0, 10), "50%");
  EXPECT_EQ(ScanEngine::PercentText(10, 0, 10), "100%");
  EXPECT_EQ(ScanEngine::PercentText(11, 0, 10), "10%");  // 110 shown modulo 100
  EXPECT_EQ(ScanEngine::PercentText(1962, 1750, 2160), "51%");
  EXPECT_EQ(ScanEngine::PercentText(3, 3, 3), "100%");
  EXPECT_EQ(ScanEngine::FoundText(5), "Found 5 Channels");
}

}  // namespace
}  // namespace vd::test
