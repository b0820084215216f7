// Every country's cable and antenna plan finds stations in the virtual box's built-in sky, and
// a box that stands in a country receives that country's own stations on both its plans.
#include <gtest/gtest.h>

#include <set>

#include <cstring>
#include <string>

#include "country_table.h"
#include "vd/virtual_box_config.h"
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

int CountryIndex(const char* englishName) {
  for (int i = 0; i < CountryTable::kCount; ++i) {
    if (std::strcmp(CountryTable::EnglishName(i), englishName) == 0) return i;
  }
  return -1;
}

TEST(SkyCoverageTest, EachLocationsStationsAreFoundByBothPlansOfItsCountry) {
  const struct {
    const char* code;
    const char* country;
  } kPlaces[] = {{"US", "U.S.A."},      {"CA", "Canada"}, {"DE", "Germany"}, {"AT", "Austria"},
                 {"CH", "Switzerland"}, {"FR", "France"}, {"GB", "U.K."}};
  for (const auto& place : kPlaces) {
    SCOPED_TRACE(place.code);
    const auto config = VirtualBoxConfig::Parse(
        std::string("location = ") + place.code + "\ntest_carriers = no", "x");
    ASSERT_TRUE(config.errors.empty()) << config.errors.front();
    const VirtualSky& sky = config.sky;
    EXPECT_FALSE(sky.UsesHashRule()) << "no stations beside the country's own";
    const int stations = static_cast<int>(sky.ExplicitTvStations().size());
    EXPECT_GE(stations, 6);
    EXPECT_LE(stations, 12);
    std::set<std::string> names;
    for (const Station& s : sky.ExplicitTvStations()) names.insert(s.name);
    EXPECT_EQ(static_cast<int>(names.size()), stations) << "each with its own name";
    const int index = CountryIndex(place.country);
    ASSERT_GE(index, 0) << place.country;
    const CountryRecord& r = CountryTable::Record(index);
    EXPECT_EQ(StationsOn(sky, r.cable), stations) << "cable";
    EXPECT_EQ(StationsOn(sky, r.antenna), stations) << "antenna";
  }
  // A U.S.A. cable scan on the box finds the eight stations the box receives there, not
  // dozens named by the off-plan rule.
  const auto us = VirtualBoxConfig::Parse("location = US\ntest_carriers = no", "x");
  EXPECT_EQ(StationsOn(us.sky, CountryTable::Record(CountryIndex("U.S.A.")).cable), 8);
}

}  // namespace
}  // namespace vd
