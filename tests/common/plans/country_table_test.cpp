#include "country_table.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "country_names.h"
#include "frequency_plans.h"

namespace {

using vd::CountryLanguage;
using vd::CountryNames;
using vd::FrequencyPlans;

// Restores the English names whatever a test switched to.
class CountryTableTest : public ::testing::Test {
 protected:
  void TearDown() override { CountryTable::ApplyLanguage("English"); }
};

// The "which countries use which plan" list, written out by English name.
const std::map<std::string, std::pair<char, char>>& ExpectedPlans() {
  static const auto plans = [] {
    std::map<std::string, std::pair<char, char>> table;
    auto* m = &table;
    for (const char* name :
         {"Argentina", "Bahamas", "Brazil", "Canada", "Chile", "Colombia", "Cuba", "Hawaii",
          "Korea", "Mexico", "Paraguay", "Philippines", "Taiwan", "Uruguay", "U.S.A."}) {
      (*m)[name] = {'C', 'D'};
    }
    for (const char* name :
         {"Austria",  "Denmark",   "Egypt",     "Finland",     "Germany", "Greece",
          "Iceland",  "India",     "Indonesia", "Iran",        "Iraq",    "Israle",
          "Liberia",  "Malaysia",  "Monaco",    "Netherlands", "Norway",  "Pakistan",
          "Portugal", "Singapore", "Spain",     "Swaziland",   "Sweden",  "Switzerland",
          "Thailand", "Turkey"}) {
      (*m)[name] = {'G', 'H'};
    }
    for (const char* name : {"Hong Kong", "Ireland", "South Africa"}) (*m)[name] = {'P', 'Q'};
    (*m)["U.S.A. (HRC)"] = {'A', 'D'};
    (*m)["U.S.A. (IRC)"] = {'B', 'D'};
    (*m)["Japan"] = {'E', 'F'};
    (*m)["New Zealand"] = {'I', 'J'};
    (*m)["Italy"] = {'K', 'L'};
    (*m)["Australia"] = {'M', 'N'};
    (*m)["China"] = {'O', 'O'};
    (*m)["U.K."] = {'P', 'R'};
    (*m)["Czech"] = {'S', 'T'};
    (*m)["Poland"] = {'S', 'T'};
    (*m)["France"] = {'U', 'V'};
    (*m)["Russia"] = {'W', 'X'};
    (*m)["Hungary"] = {'Y', 'Z'};
    return table;
  }();
  return plans;
}

TEST_F(CountryTableTest, EveryCountryUsesItsPlans) {
  ASSERT_EQ(ExpectedPlans().size(), 57u);
  std::set<std::string> seen;
  for (int i = 0; i < CountryTable::kCount; ++i) {
    const std::string name = CountryTable::EnglishName(i);
    const auto it = ExpectedPlans().find(name);
    ASSERT_NE(it, ExpectedPlans().end()) << name;
    seen.insert(name);
    const CountryRecord& r = CountryTable::Record(i);
    EXPECT_EQ(FrequencyPlans::LetterOf(r.cable), it->second.first) << name;
    EXPECT_EQ(FrequencyPlans::LetterOf(r.antenna), it->second.second) << name;
    EXPECT_EQ(&r.Band(0), &r.cable);
    EXPECT_EQ(&r.Band(1), &r.antenna);
  }
  EXPECT_EQ(seen.size(), 57u);
}

TEST_F(CountryTableTest, RecordsKeepTableOrderAndCodes) {
  const std::vector<std::pair<int, uint32_t>> samples = {
      {0, 54}, {3, 1},    {5, 2},   {10, 420}, {17, 1}, {18, 852}, {26, 972},
      {42, 7}, {49, 886}, {52, 44}, {54, 1},   {55, 1}, {56, 1}};
  for (const auto& [index, code] : samples) {
    EXPECT_EQ(CountryTable::Record(index).code, code) << index;
  }
  EXPECT_STREQ(CountryTable::EnglishName(0), "Argentina");
  EXPECT_STREQ(CountryTable::EnglishName(52), "U.K.");
  EXPECT_STREQ(CountryTable::EnglishName(56), "U.S.A.");
  EXPECT_THROW(CountryTable::Record(57), std::out_of_range);
  EXPECT_THROW(CountryTable::Record(-1), std::out_of_range);
  EXPECT_THROW(CountryTable::Name(57), std::out_of_range);
}

TEST_F(CountryTableTest, CodeSearches) {
  EXPECT_EQ(CountryTable::FirstIndexOfCode(1), 3);  // Bahamas
  EXPECT_EQ(CountryTable::LastIndexOfCode(1), 56);  // U.S.A.
  EXPECT_EQ(CountryTable::FirstIndexOfCode(44), 52);
  EXPECT_EQ(CountryTable::LastIndexOfCode(44), 52);
  EXPECT_EQ(CountryTable::FirstIndexOfCode(0), -1);
  EXPECT_EQ(CountryTable::LastIndexOfCode(-1), -1);
  EXPECT_TRUE(CountryTable::IsKnownCode(886));
  EXPECT_TRUE(CountryTable::IsKnownCode(7));
  EXPECT_FALSE(CountryTable::IsKnownCode(0));
  EXPECT_FALSE(CountryTable::IsKnownCode(3));
  EXPECT_FALSE(CountryTable::IsKnownCode(-886));
}

TEST_F(CountryTableTest, PageSelectionFollowsCountry1ForCodeOne) {
  EXPECT_EQ(CountryTable::PageSelection(1, 54), 54);
  EXPECT_EQ(CountryTable::PageSelection(1, 55), 55);
  EXPECT_EQ(CountryTable::PageSelection(1, 17), 17);  // Hawaii
  EXPECT_EQ(CountryTable::PageSelection(1, 3), 3);    // Bahamas
  // Out of 1..56: the backward search picks U.S.A.
  EXPECT_EQ(CountryTable::PageSelection(1, 0), 56);
  EXPECT_EQ(CountryTable::PageSelection(1, 57), 56);
  EXPECT_EQ(CountryTable::PageSelection(1, -5), 56);
  // A remembered index whose record is not code 1 is ignored.
  EXPECT_EQ(CountryTable::PageSelection(1, 15), 56);
  // Country1 only matters for code 1.
  EXPECT_EQ(CountryTable::PageSelection(49, 54), 15);
  EXPECT_EQ(CountryTable::PageSelection(0, 54), -1);
  EXPECT_EQ(CountryTable::PageSelection(0, 0), -1);
}

TEST_F(CountryTableTest, TunerBandTakesTheFirstRecordOfTheCode) {
  // Code 1 starts on Bahamas, whose plans are those of U.S.A. (C, D), not HRC's A.
  const ChannelBand* cable = CountryTable::TunerBand(1, 0);
  ASSERT_NE(cable, nullptr);
  EXPECT_EQ(cable, &CountryTable::Record(3).cable);
  EXPECT_EQ(FrequencyPlans::LetterOf(*cable), 'C');
  const ChannelBand* antenna = CountryTable::TunerBand(44, 1);
  ASSERT_NE(antenna, nullptr);
  EXPECT_EQ(FrequencyPlans::LetterOf(*antenna), 'R');
  EXPECT_EQ(CountryTable::TunerBand(0, 0), nullptr);
  EXPECT_EQ(CountryTable::TunerBand(12345, 1), nullptr);

  // The row picked on the page ("Country1") decides only where its plan is its own.
  EXPECT_EQ(FrequencyPlans::LetterOf(*CountryTable::TunerBand(1, 54, 0)), 'A');
  EXPECT_EQ(FrequencyPlans::LetterOf(*CountryTable::TunerBand(1, 55, 0)), 'B');
  EXPECT_EQ(CountryTable::TunerBand(1, 54, 0)->FrequencyOf(1), 72'000'000u);
  // HRC's antenna plan is D like Bahamas', and U.S.A. and Hawaii share Bahamas' plans: the
  // first record's band stays.
  EXPECT_EQ(CountryTable::TunerBand(1, 54, 1), &CountryTable::Record(3).antenna);
  EXPECT_EQ(CountryTable::TunerBand(1, 56, 0), &CountryTable::Record(3).cable);
  EXPECT_EQ(CountryTable::TunerBand(1, 17, 0), &CountryTable::Record(3).cable);
  // Not a code-1 row, or not code 1 at all: Country1 is not consulted.
  EXPECT_EQ(CountryTable::TunerBand(1, 15, 0), &CountryTable::Record(3).cable);
  EXPECT_EQ(CountryTable::TunerBand(1, 57, 0), &CountryTable::Record(3).cable);
  EXPECT_EQ(CountryTable::TunerBand(49, 54, 0), &CountryTable::Record(15).cable);
  EXPECT_EQ(CountryTable::TunerBand(0, 54, 0), nullptr);
}

TEST_F(CountryTableTest, FrequencyToChannelInACountryBand) {
  const ChannelBand& germanyAntenna = CountryTable::Record(15).antenna;
  EXPECT_EQ(germanyAntenna.ChannelOf(471'250'000), 21u);
  EXPECT_EQ(germanyAntenna.ChannelOf(471'250'000 + 125'000), std::nullopt);
  EXPECT_EQ(germanyAntenna.FrequencyOf(1), 44'250'000u);
  EXPECT_EQ(germanyAntenna.FrequencyOf(16), 0u);
  EXPECT_EQ(CountryTable::Record(15).cable.FrequencyOf(1), 0u);
}

TEST_F(CountryTableTest, EnglishTagKeepsTheTableNames) {
  CountryTable::ApplyLanguage("English");
  EXPECT_EQ(CountryTable::Name(26), "Israle");
  EXPECT_EQ(CountryTable::Name(56), "U.S.A.");
  CountryTable::ApplyLanguage("Klingon");
  EXPECT_EQ(CountryTable::Name(26), "Israle");
  CountryTable::ApplyLanguage("");
  EXPECT_EQ(CountryTable::Name(26), "Israle");
}

TEST_F(CountryTableTest, LanguageTagsSelectTheirColumns) {
  CountryTable::ApplyLanguage("France");
  EXPECT_EQ(CountryTable::Name(56), "Etats-Unis d'Amérique");
  EXPECT_EQ(CountryTable::Name(17), "Hawaï ");
  CountryTable::ApplyLanguage("DEUTSCHLAND");
  EXPECT_EQ(CountryTable::Name(2), "Österreich");
  EXPECT_EQ(CountryTable::Name(52), "Großbritannien");
  CountryTable::ApplyLanguage("spanish");
  EXPECT_EQ(CountryTable::Name(31), "Macao");
  CountryTable::ApplyLanguage("Italian");
  EXPECT_EQ(CountryTable::Name(15), "Germania ");
  CountryTable::ApplyLanguage("tUrKiSh");
  EXPECT_EQ(CountryTable::Name(47), "Isveç ");
  CountryTable::ApplyLanguage("中文");
  EXPECT_EQ(CountryTable::Name(7), "中國大陸");
  CountryTable::ApplyLanguage("日本");
  EXPECT_EQ(CountryTable::Name(54), "アメリカ合衆国 HRC");
  CountryTable::ApplyLanguage("Simplified Chinese");
  EXPECT_EQ(CountryTable::Name(33), "摩洛哥");
  // Switching back must restore the English names, not keep the last copy.
  CountryTable::ApplyLanguage("English");
  EXPECT_EQ(CountryTable::Name(56), "U.S.A.");
  // The English name does not follow the language.
  CountryTable::ApplyLanguage("France");
  EXPECT_STREQ(CountryTable::EnglishName(56), "U.S.A.");
}

TEST_F(CountryTableTest, TagsMatchWholeTextOnly) {
  EXPECT_EQ(CountryNames::LanguageOfTag("Franc"), CountryLanguage::kEnglish);
  EXPECT_EQ(CountryNames::LanguageOfTag("France "), CountryLanguage::kEnglish);
  EXPECT_EQ(CountryNames::LanguageOfTag("中"), CountryLanguage::kEnglish);
  EXPECT_EQ(CountryNames::LanguageOfTag("SIMPLIFIED CHINESE"), CountryLanguage::kSimplifiedChinese);
}

TEST_F(CountryTableTest, EveryNameFitsTheRecordField) {
  for (int lang = 0; lang < CountryNames::kLanguageCount; ++lang) {
    for (int i = 0; i < CountryNames::kCountryCount; ++i) {
      const std::string& name = CountryNames::Name(i, static_cast<CountryLanguage>(lang));
      EXPECT_FALSE(name.empty()) << lang << "/" << i;
      EXPECT_LE(name.size(), CountryNames::kMaxNameBytes) << lang << "/" << i << " " << name;
    }
  }
}

TEST_F(CountryTableTest, NamesStayValidWhileAnotherThreadSwitchesLanguage) {
  // A reader keeps the reference it got; switching languages must not move or free it.
  const std::string& held = CountryTable::Name(56);
  std::thread switcher([] {
    for (int i = 0; i < 200; ++i) CountryTable::ApplyLanguage(i % 2 ? "France" : "日本");
  });
  size_t total = 0;
  for (int i = 0; i < 200; ++i) total += CountryTable::Name(i % CountryTable::kCount).size();
  switcher.join();
  EXPECT_GT(total, 0u);
  EXPECT_EQ(held, "U.S.A.");
}

}  // namespace
