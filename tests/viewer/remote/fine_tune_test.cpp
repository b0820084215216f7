// Fine tuning from the remote: TV shows the new frequency, radio renames the station.
#include <gtest/gtest.h>

#include "../../common/comma_locale.h"
#include "channels_fakes.h"
#include "remote_fakes.h"
#include "vd/remote/fine_tune.h"
#include "vd/remote/tuning_ports.h"
#include "vd/tuning/channel_table.h"

namespace vd::test {
namespace {

TEST(FineTune, TvShowsTheFrequencyWithTheDirection) {
  FakeHost host;
  FakeStations list;
  list.stations = {{55250000, "  2 ARD"}, {175250000, "  5 ZDF"}};
  list.current = 1;
  FineTune fine(list, list, host);
  ASSERT_TRUE(fine.Step(50000, 0));
  EXPECT_EQ(list.stations[1].hz, 175300000u);
  EXPECT_EQ(list.stations[1].name, "  5 ZDF");
  EXPECT_EQ(list.stations[0].hz, 55250000u);
  EXPECT_EQ(list.tuned, std::vector<uint32_t>{175300000u});
  EXPECT_EQ(host.texts, std::vector<std::string>{"175.30 +"});
  ASSERT_TRUE(fine.Step(-50000, 0));
  ASSERT_TRUE(fine.Step(-50000, 0));
  EXPECT_EQ(host.texts.back(), "175.20 -");
  EXPECT_EQ(host.scanRefreshes, 3);
  EXPECT_EQ(host.refreshes, std::vector<int>(3, EntryHost::kRedrawOnly));
}

TEST(FineTune, RefusedOutsideTvAndRadioOrWithoutAStation) {
  FakeHost host;
  FakeStations list;
  FineTune fine(list, list, host);
  EXPECT_FALSE(fine.Step(50000, 0));  // empty list
  list.stations = {{98100000, "98.10 "}};
  EXPECT_FALSE(fine.Step(50000, 1));  // no current station
  list.current = 0;
  EXPECT_FALSE(fine.Step(50000, 2));
  EXPECT_FALSE(fine.Step(50000, 3));
  EXPECT_EQ(list.stations[0].hz, 98100000u);
  EXPECT_TRUE(list.tuned.empty());
  EXPECT_TRUE(host.refreshes.empty());
}

TEST(FineTune, NeverWrapsBelowZero) {
  FakeHost host;
  FakeStations list;
  list.stations = {{40000, "x"}};
  list.current = 0;
  FineTune fine(list, list, host);
  EXPECT_FALSE(fine.Step(-50000, 0));
  EXPECT_EQ(list.stations[0].hz, 40000u);
  EXPECT_TRUE(list.tuned.empty());
}

TEST(FineTune, TextFormats) {
  EXPECT_EQ(FineTune::RadioName(98150000), "98.15 ");
  EXPECT_EQ(FineTune::RadioName(104300000), "104.30 ");
  EXPECT_EQ(FineTune::TvText(62250000, false), "62.25 -");
  // A stored name is the same in every locale, and the same as vdtool's.
  vdtest::CommaLocale comma;
  ASSERT_TRUE(comma.Active()) << "localedef could not build a test locale";
  EXPECT_EQ(FineTune::RadioName(88100000), "88.10 ");
  EXPECT_EQ(CChannel::RadioName(104300000), "104.30 ");
}

// Radio on the real channel table: the station moves and takes its new frequency as name.
TEST(FineTuneOnTheTable, RadioRenamesTheStation) {
  Rig rig(true, TunerSetup{});
  ASSERT_TRUE(rig.Table().AddByFrequency(94900000));
  ASSERT_TRUE(rig.Table().AddByFrequency(98100000));
  TuningPorts ports(*rig.control);
  FakeHost host;
  FineTune fine(ports, ports, host);
  ASSERT_TRUE(fine.Step(50000, 1));
  const CChannel* moved = rig.Table().Get(1);
  ASSERT_NE(moved, nullptr);
  EXPECT_EQ(moved->frequency, 98150000u);
  EXPECT_EQ(moved->Name(), "98.15 ");
  EXPECT_EQ(rig.Table().Get(0)->frequency, 94900000u);
  EXPECT_EQ(rig.tuner->frequency, 98150000u);
  EXPECT_TRUE(host.texts.empty());
  EXPECT_EQ(host.refreshes, std::vector<int>{EntryHost::kShowRemembered});
  EXPECT_EQ(host.scanRefreshes, 1);
}

}  // namespace
}  // namespace vd::test
