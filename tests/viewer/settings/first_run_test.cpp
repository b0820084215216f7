#include "vd/settings/first_run_defaults.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "country_table.h"
#include "startup_helpers.h"
#include "test_support.h"
#include "vd/settings/locale_ids.h"

namespace vd {
namespace {

struct LocaleCase {
  uint32_t codePage, langId;
  int32_t country;
};

TEST(FirstRunTest, LocaleRulesInTableOrder) {
  const std::vector<LocaleCase> cases = {
      {950, 1028, 886},
      {936, 2052, 86},
      {932, 1041, 81},
      {949, 1042, 82},
      {874, 1054, 66},
      {1252, 11274, 54},
      {1252, 3081, 61},
      {1252, 3079, 43},
      {1252, 1046, 55},
      {1252, 9226, 57},
      {1252, 13322, 56},
      {1250, 1029, 420},
      {1252, 1035, 358},
      {1252, 1036, 33},
      {1252, 1031, 49},
      {950, 3076, 852},
      {950, 5124, 852},
      {1250, 1038, 36},
      {1252, 1039, 354},
      {1256, 2080, 91},
      {1252, 1057, 62},
      {1252, 6153, 353},
      {1252, 1040, 39},
      {1252, 1086, 60},
      {1252, 2058, 52},
      {1252, 5129, 64},
      {1252, 1043, 31},
      {1252, 1044, 47},
      {1252, 13321, 63},
      {1250, 1045, 48},
      {1252, 2070, 351},
      {1251, 1049, 7},
      {936, 4100, 65},
      {1252, 7177, 27},
      {1252, 1034, 34},
      {1252, 1053, 46},
      {1252, 2055, 41},
      {1254, 1055, 90},
      {1252, 2057, 44},
      {1252, 1033, 1},
      // The pair rows need both halves.
      {1252, 1028, 1},
      {950, 2052, 1},
      {932, 1042, 1},
      {874, 1033, 1},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CountryFromLocale({c.codePage, c.langId}), c.country)
        << c.codePage << "/" << c.langId;
  }
}

struct ProductCase {
  const char* productId;
  uint32_t codePage, langId;
  int32_t country;
};

TEST(FirstRunTest, EveryProductIdRule) {
  const std::vector<ProductCase> cases = {
      {"1310", 950, 1028, 886},  {"1311", 949, 1042, 82},   {"1310", 1252, 9226, 57},
      {"1311", 1252, 13322, 56}, {"1310", 1252, 2058, 52},  {"1311", 1252, 11274, 54},
      {"1310", 1252, 13321, 63}, {"1311", 1252, 1031, 1},   {"1311", 1252, 1028, 1},
      {"1312", 874, 1054, 66},   {"1313", 1252, 3079, 43},  {"1312", 1252, 3081, 61},
      {"1313", 1252, 5129, 64},  {"1312", 1252, 1043, 31},  {"1313", 1252, 1035, 358},
      {"1312", 1252, 1039, 354}, {"1313", 1252, 1057, 62},  {"1312", 1252, 1040, 39},
      {"1313", 1256, 2080, 91},  {"1312", 1252, 1086, 60},  {"1313", 1252, 1044, 47},
      {"1312", 1252, 2070, 351}, {"1313", 936, 4100, 65},   {"1312", 1252, 1034, 34},
      {"1313", 1252, 1053, 46},  {"1312", 1252, 2055, 41},  {"1313", 1254, 1055, 90},
      {"1312", 1252, 1031, 49},  {"1313", 1252, 1036, 49},  {"1314", 950, 3076, 852},
      {"1315", 936, 5124, 852},  {"1314", 1252, 3076, 44},  {"1315", 1252, 6153, 353},
      {"1314", 1252, 7177, 27},  {"1315", 1252, 2057, 44},  {"1316", 950, 1028, 86},
      {"1317", 1252, 1031, 86},  {"1318", 1252, 3076, 852}, {"1318", 1252, 5124, 852},
      {"1318", 936, 2052, 86},   {"1319", 950, 1028, 55},   {"131A", 1252, 1031, 33},
      {"131B", 1252, 1036, 33},  {"131C", 1250, 1029, 420}, {"131D", 1250, 1045, 48},
      {"131C", 1250, 1038, 36},  {"131D", 1251, 1049, 7},   {"131E", 950, 1028, 81},
      {"131F", 1252, 1031, 886}, {"0001", 950, 1028, 886},
  };
  for (const auto& c : cases) {
    const std::string key = std::string("USB\\VID_7A3E&PID_") + c.productId;
    EXPECT_EQ(CountryFromProduct(key, {c.codePage, c.langId}), c.country)
        << key << " " << c.codePage << "/" << c.langId;
  }
}

TEST(FirstRunTest, ProductIdsMatchWithoutRegardToCase) {
  EXPECT_EQ(CountryFromProduct("usb\\vid_7a3e&pid_131a", {}), 33);
  EXPECT_EQ(CountryFromProduct("usb\\vid_7a3e&pid_131e", {}), 81);
}

// Where the device stands beats its product id, which beats the locale; a place outside the
// country table leaves the choice to the product rule.
TEST(FirstRunTest, TheDeviceDecidesWhenFoundElseTheLocale) {
  FirstRunInputs in;
  in.locale = {1252, 1031};
  EXPECT_EQ(DefaultCountry(in), 49);
  in.hardwareKey = "USB\\VID_7A3E&PID_1319";
  EXPECT_EQ(DefaultCountry(in), 55);
  in.hardwareKey = "USB\\VID_7A3E&PID_1311";
  in.deviceLocation = "ca";
  EXPECT_EQ(DefaultCountry(in), 2);
  in.deviceLocation = "AT";
  EXPECT_EQ(DefaultCountry(in), 43);
  for (const char* nowhere : {"", "XK", "A", "ATX"}) {
    in.deviceLocation = nowhere;
    EXPECT_EQ(DefaultCountry(in), 1) << nowhere;
  }
}

// Every country of the table has its ISO code, and no code leads to one the table lacks.
TEST(FirstRunTest, EveryCountryOfTheTableHasItsPlace) {
  std::set<int32_t> placed;
  for (char a = 'A'; a <= 'Z'; ++a) {
    for (char b = 'A'; b <= 'Z'; ++b) {
      const std::string iso{a, b};
      if (auto code = CountryFromLocation(iso)) {
        EXPECT_TRUE(CountryTable::IsKnownCode(*code)) << iso;
        placed.insert(*code);
      }
    }
  }
  std::set<int32_t> table;
  for (int i = 0; i < CountryTable::kCount; ++i) table.insert(CountryTable::Record(i).code);
  EXPECT_EQ(placed, table);
}

TEST(FirstRunTest, SoundSystemFlag) {
  FirstRunInputs in;
  in.osKind = kOsKind2000;
  in.locale = {950, 1028};
  EXPECT_EQ(DefaultIsMts(in), 1);
  in.locale = {936, 2052};
  EXPECT_EQ(DefaultIsMts(in), 0);
  in.locale = {1252, 1031};
  EXPECT_EQ(DefaultIsMts(in), -1);
  in.hardwareKey = "USB\\VID_7A3E&PID_1311";
  EXPECT_EQ(DefaultIsMts(in), 1);
  in.hardwareKey = "USB\\VID_7A3E&PID_1318";
  EXPECT_EQ(DefaultIsMts(in), 0);
  in.hardwareKey = "USB\\VID_7A3E&PID_1312";
  in.locale = {950, 1028};
  EXPECT_EQ(DefaultIsMts(in), -1);
  in.hardwareKey.reset();
  in.osKind = kOsKind98;
  EXPECT_EQ(DefaultIsMts(in), -1);
  in.osKind = kOsKindUnknown;
  EXPECT_EQ(DefaultIsMts(in), -1);
}

struct NameCase {
  const char* name;
  uint32_t codePage, langId;
};

TEST(LocaleIdsTest, PosixNamesMapToCodePageAndLanguage) {
  const std::vector<NameCase> cases = {
      {"zh_TW.UTF-8", 950, 1028},   {"zh_CN.GB18030", 936, 2052},
      {"ja_JP.eucJP", 932, 1041},   {"ko_KR", 949, 1042},
      {"th_TH.UTF-8", 874, 1054},   {"de_DE.UTF-8@euro", 1252, 1031},
      {"es_AR", 1252, 11274},       {"en_AU.UTF-8", 1252, 3081},
      {"de_AT", 1252, 3079},        {"pt_BR", 1252, 1046},
      {"en_GB.UTF-8", 1252, 2057},  {"fr_FR", 1252, 1036},
      {"zh_HK.UTF-8", 950, 3076},   {"cs_CZ", 1250, 1029},
      {"ru_RU.KOI8-R", 1251, 1049}, {"de_BE", 1252, 1031},
      {"fr_CA", 1252, 3084},        {"C", 1252, 1033},
      {"POSIX", 1252, 1033},        {"", 1252, 1033},
      {"C.UTF-8", 1252, 1033},      {"xx_YY", 1252, 1033},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(LocaleIdsFor(c.name), (LocaleIds{c.codePage, c.langId})) << c.name;
  }
}

TEST(LocaleIdsTest, TheEnvironmentIsReadInPosixOrder) {
  test::ScopedEnv all("LC_ALL", "");
  test::ScopedEnv messages("LC_MESSAGES", "ja_JP.UTF-8");
  test::ScopedEnv lang("LANG", "de_DE.UTF-8");
  EXPECT_EQ(SystemLocaleIds(), (LocaleIds{932, 1041}));
  {
    test::ScopedEnv allSet("LC_ALL", "zh_TW.UTF-8");
    EXPECT_EQ(SystemLocaleIds(), (LocaleIds{950, 1028}));
  }
  {
    test::ScopedEnv noMessages("LC_MESSAGES", std::nullopt);
    EXPECT_EQ(SystemLocaleIds(), (LocaleIds{1252, 1031}));
    test::ScopedEnv noLang("LANG", std::nullopt);
    EXPECT_EQ(SystemLocaleIds(), (LocaleIds{1252, 1033}));
  }
}

}  // namespace
}  // namespace vd
