// Every country's cable and antenna plan finds stations in the virtual box's built-in sky.
#include <gtest/gtest.h>

#include <set>

#include "country_table.h"
#include "vd/virtual_sky.h"

namespace vd {
namespace {

int StationsOn(const VirtualSky& sky, const ChannelBand& band) {
  std::set<uint32_t> carriers;
  for (uint32_t n = band.first; n <= band.last; ++n) {
    if (uint32_t hz = band.FrequencyOf(n); hz != 0) carriers.insert(hz);
  }
  int found = 0;
  for (uint32_t hz : carriers) found += sky.TvStationAt(hz).has_value() ? 1 : 0;
  return found;
}

TEST(SkyCoverageTest, EveryPlanOfEveryCountryFindsAtLeastFiveStations) {
  const VirtualSky sky = VirtualSky::BuiltIn();
  for (int i = 0; i < CountryTable::kCount; ++i) {
    const CountryRecord& r = CountryTable::Record(i);
    EXPECT_GE(StationsOn(sky, r.cable), 5) << CountryTable::EnglishName(i) << " cable";
    EXPECT_GE(StationsOn(sky, r.antenna), 5) << CountryTable::EnglishName(i) << " antenna";
  }
}

}  // namespace
}  // namespace vd
