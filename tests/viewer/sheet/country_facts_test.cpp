// Every country row, end to end: the identity the station-search page stores for it brings
// the same row back, and each reader of country facts (the picture standard, the sound
// system, the remote's sound key, the first-run location) gives that row's facts, which are
// written out here by name.
#include <gtest/gtest.h>

#include <QComboBox>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "../remote/remote_test_actions.h"
#include "scan_page.h"
#include "sheet_fakes.h"
#include "vd/capture_types.h"
#include "vd/remote/remote_procedure.h"
#include "vd/settings/first_run_defaults.h"
#include "video_standards.h"

namespace vd::test {
namespace {

namespace sd = vd::standard;

struct Facts {
  std::string iso;
  int32_t family = kFamilyPal;
  uint32_t ntsc = sd::kNtscM;
  uint32_t pal = sd::kPalB;
  uint32_t secam = sd::kSecamB;
  int32_t isMts = -1;               // what choosing the row stores; -1 leaves the sound key off
  bool remoteSoundKey = false;      // the remote's sound-mode key works in TV
  std::vector<uint32_t> languages;  // system language ids that place a first start here
  int32_t product1310 = 1;          // what the first start of a 1310 box makes of them
  int32_t product1312 = 49;         // ... and of a 1312 box
};

void Put(std::map<std::string, Facts>& m, std::initializer_list<const char*> names,
         void (*set)(Facts&)) {
  for (const char* name : names) set(m[name]);
}

std::map<std::string, Facts> ExpectedFacts() {
  std::map<std::string, Facts> m;
  const std::pair<const char*, const char*> iso[] = {
      {"Argentina", "AR"},    {"Australia", "AU"}, {"Austria", "AT"},      {"Bahamas", "BS"},
      {"Brazil", "BR"},       {"Canada", "CA"},    {"Chile", "CL"},        {"China", "CN"},
      {"Colombia", "CO"},     {"Cuba", "CU"},      {"Czech", "CZ"},        {"Denmark", "DK"},
      {"Egypt", "EG"},        {"Finland", "FI"},   {"France", "FR"},       {"Germany", "DE"},
      {"Greece", "GR"},       {"Hawaii", "US"},    {"Hong Kong", "HK"},    {"Hungary", "HU"},
      {"Iceland", "IS"},      {"India", "IN"},     {"Indonesia", "ID"},    {"Iran", "IR"},
      {"Iraq", "IQ"},         {"Ireland", "IE"},   {"Israle", "IL"},       {"Italy", "IT"},
      {"Japan", "JP"},        {"Korea", "KR"},     {"Liberia", "LR"},      {"Malaysia", "MY"},
      {"Mexico", "MX"},       {"Monaco", "MC"},    {"Netherlands", "NL"},  {"New Zealand", "NZ"},
      {"Norway", "NO"},       {"Pakistan", "PK"},  {"Paraguay", "PY"},     {"Philippines", "PH"},
      {"Poland", "PL"},       {"Portugal", "PT"},  {"Russia", "RU"},       {"Singapore", "SG"},
      {"South Africa", "ZA"}, {"Spain", "ES"},     {"Swaziland", "SZ"},    {"Sweden", "SE"},
      {"Switzerland", "CH"},  {"Taiwan", "TW"},    {"Thailand", "TH"},     {"Turkey", "TR"},
      {"U.K.", "GB"},         {"Uruguay", "UY"},   {"U.S.A. (HRC)", "US"}, {"U.S.A. (IRC)", "US"},
      {"U.S.A.", "US"}};
  for (const auto& [name, code] : iso) m[name].iso = code;

  const auto usa = {"Bahamas", "Hawaii", "U.S.A. (HRC)", "U.S.A. (IRC)", "U.S.A."};
  Put(m, usa, [](Facts& f) { f.family = kFamilyNtsc; });
  Put(m, {"Mexico", "Cuba", "Chile", "Colombia", "Philippines", "Japan", "Korea", "Taiwan"},
      [](Facts& f) { f.family = kFamilyNtsc; });
  Put(m, {"Russia", "France", "Hungary", "Czech"}, [](Facts& f) { f.family = kFamilySecam; });
  Put(m, {"Japan"}, [](Facts& f) { f.ntsc = sd::kNtscMJapan; });
  Put(m, {"China", "Poland"}, [](Facts& f) { f.pal = sd::kPalD; });
  Put(m, {"Ireland", "Hong Kong", "South Africa"}, [](Facts& f) { f.pal = sd::kPalI; });
  Put(m, {"Brazil"}, [](Facts& f) { f.pal = sd::kPalM; });
  Put(m, {"Argentina", "Uruguay", "Paraguay"}, [](Facts& f) { f.pal = sd::kPalN; });
  Put(m, {"Czech", "Hungary", "Russia"}, [](Facts& f) { f.secam = sd::kSecamD; });
  Put(m, {"France", "Monaco"}, [](Facts& f) { f.secam = sd::kSecamL; });
  Put(m, usa, [](Facts& f) { f.isMts = 1; });
  Put(m, {"Taiwan"}, [](Facts& f) { f.isMts = 1; });
  Put(m, {"China"}, [](Facts& f) { f.isMts = 0; });
  Put(m, {"Taiwan", "China"}, [](Facts& f) { f.remoteSoundKey = true; });

  const std::pair<uint32_t, const char*> languages[] = {
      {11274, "Argentina"},   {3081, "Australia"},   {3079, "Austria"},   {1046, "Brazil"},
      {9226, "Colombia"},     {13322, "Chile"},      {1029, "Czech"},     {1035, "Finland"},
      {1036, "France"},       {1031, "Germany"},     {3076, "Hong Kong"}, {5124, "Hong Kong"},
      {1038, "Hungary"},      {1039, "Iceland"},     {2080, "India"},     {1057, "Indonesia"},
      {6153, "Ireland"},      {1040, "Italy"},       {1086, "Malaysia"},  {2058, "Mexico"},
      {5129, "New Zealand"},  {1043, "Netherlands"}, {1044, "Norway"},    {13321, "Philippines"},
      {1045, "Poland"},       {2070, "Portugal"},    {1049, "Russia"},    {4100, "Singapore"},
      {7177, "South Africa"}, {1034, "Spain"},       {1053, "Sweden"},    {2055, "Switzerland"},
      {1055, "Turkey"},       {2057, "U.K."}};
  for (const auto& [id, name] : languages) m[name].languages.push_back(id);
  // The regional boxes place a language of their region in its country, any other in the
  // region's default; a -1 here is replaced by the row's own code.
  Put(m, {"Colombia", "Chile", "Mexico", "Argentina", "Philippines"},
      [](Facts& f) { f.product1310 = -1; });
  Put(m,
      {"Austria", "Australia", "New Zealand", "Netherlands", "Finland", "Iceland", "Indonesia",
       "Italy", "India", "Malaysia", "Norway", "Portugal", "Singapore", "Spain", "Sweden",
       "Switzerland", "Turkey"},
      [](Facts& f) { f.product1312 = -1; });
  return m;
}

bool RemoteSoundKeyWorks(int32_t code) {
  RemoteState state;
  state.SetPanelInput(0);
  state.SetCountry(code);
  RecordingActions actions;
  RemoteProcedure procedure(state, actions, [] { return 1000u; });
  constexpr uint32_t kSoundKey = 0x1A6AAA4;
  return procedure.OnCode(kSoundKey) == RemoteProcedure::kActed;
}

// Everything that reads a country fact by the stored code.
void ExpectReadersAgree(int32_t code, const Facts& want) {
  EXPECT_EQ(CountryFromLocation(want.iso), code);
  EXPECT_EQ(VideoStandards::DetectFamily(code), want.family);
  EXPECT_EQ(VideoStandards::StandardOf(kFamilyNtsc, code), want.ntsc);
  EXPECT_EQ(VideoStandards::StandardOf(kFamilyPal, code), want.pal);
  EXPECT_EQ(VideoStandards::StandardOf(kFamilySecam, code), want.secam);
  EXPECT_EQ(RemoteSoundKeyWorks(code), want.remoteSoundKey);
  for (uint32_t id : want.languages) {
    const LocaleIds locale{1252, id};
    EXPECT_EQ(CountryFromLocale(locale), code) << id;
    EXPECT_EQ(CountryFromProduct("USB\\VID_7A3E&PID_1310", locale),
              want.product1310 == -1 ? code : want.product1310)
        << id;
    EXPECT_EQ(CountryFromProduct("USB\\VID_7A3E&PID_1312", locale),
              want.product1312 == -1 ? code : want.product1312)
        << id;
  }
}

// The readers go by code, so they see the first of the rows that share one; those rows must
// not disagree underneath.
void ExpectRecordHolds(int row, const Facts& want) {
  const CountryRecord& record = CountryTable::Record(row);
  const auto code = static_cast<int32_t>(record.code);
  const int named = record.iso.empty() ? CountryTable::LastIndexOfCode(code) : row;
  EXPECT_EQ(CountryTable::Record(named).iso, want.iso);
  EXPECT_EQ(record.video.family, want.family);
  EXPECT_EQ(record.video.StandardOf(kFamilyNtsc), want.ntsc);
  EXPECT_EQ(record.video.StandardOf(kFamilyPal), want.pal);
  EXPECT_EQ(record.video.StandardOf(kFamilySecam), want.secam);
  EXPECT_EQ(static_cast<int32_t>(record.sound), want.isMts);
  EXPECT_EQ(record.remoteSoundKey, want.remoteSoundKey);
  std::vector<uint32_t> languages;
  for (uint16_t id : record.languages) {
    if (id != 0) languages.push_back(id);
  }
  EXPECT_EQ(languages, want.languages);
}

TEST(CountryFacts, EveryRowRoundTripsAndEveryReaderAgrees) {
  EnglishNamesAfter restore;
  const std::map<std::string, Facts> expected = ExpectedFacts();
  ASSERT_EQ(expected.size(), static_cast<size_t>(CountryTable::kCount));
  TvStations tv{{2}};
  FakeScanHost& host = tv.host;
  std::set<std::string> seen;
  for (int row = 0; row < CountryTable::kCount; ++row) {
    const std::string name = CountryTable::EnglishName(row);
    SCOPED_TRACE(name);
    const auto it = expected.find(name);
    ASSERT_NE(it, expected.end());
    seen.insert(name);
    const Facts& want = it->second;
    const auto code = static_cast<int32_t>(CountryTable::Record(row).code);

    // Choosing the row stores Country, Country1 and isMTS; a page opened on them shows it.
    {
      CScanPage page(host);
      page.OnCountryChosen(row);
    }
    EXPECT_EQ(host.country, code);
    EXPECT_EQ(host.isMts.back(), want.isMts);
    EXPECT_EQ(host.soundButton.back(), want.isMts != -1);
    CScanPage reopened(host);
    EXPECT_EQ(reopened.CountryBox()->currentIndex(), row);
    EXPECT_EQ(CountryTable::PageSelection(host.country, host.country1), row);

    ExpectReadersAgree(code, want);
    ExpectRecordHolds(row, want);
  }
  EXPECT_EQ(seen.size(), expected.size());
}

// A code no row has (a hand-edited profile) falls back to PAL B and no sound choice.
TEST(CountryFacts, UnknownCodesKeepTheFallbacks) {
  for (int32_t code : {0, -1, 8860, 3}) {
    SCOPED_TRACE(code);
    EXPECT_EQ(VideoStandards::DetectFamily(code), kFamilyPal);
    EXPECT_EQ(VideoStandards::StandardOf(kFamilyNtsc, code), sd::kNtscM);
    EXPECT_EQ(VideoStandards::StandardOf(kFamilyPal, code), sd::kPalB);
    EXPECT_EQ(VideoStandards::StandardOf(kFamilySecam, code), sd::kSecamB);
    EXPECT_EQ(VideoStandards::StandardOf(7, code), 0u);
    EXPECT_FALSE(RemoteSoundKeyWorks(code));
  }
  EXPECT_EQ(CountryFromLocation("XX"), std::nullopt);
  EXPECT_EQ(CountryFromLocation("U"), std::nullopt);
  EXPECT_EQ(CountryFromLocation("tw"), 886);
}

}  // namespace
}  // namespace vd::test
