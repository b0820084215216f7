#include <algorithm>
#include <array>
#include <atomic>
#include <stdexcept>
#include <string>

#include "country_names.h"
#include "country_table.h"
#include "frequency_plans.h"
#include "vd/capture_types.h"

uint32_t ChannelBand::FrequencyOf(uint32_t n) const {
  if (table == nullptr || n < first || n > last) return 0;
  return table[n - first];
}

uint32_t VideoFacts::StandardOf(int32_t family) const {
  switch (family) {
    case vd::kFamilyNtsc:
      return ntsc;
    case vd::kFamilyPal:
      return pal;
    case vd::kFamilySecam:
      return secam;
    default:
      return 0;
  }
}

std::optional<uint32_t> ChannelBand::ChannelOf(uint32_t hz) const {
  // 0 marks a missing channel, never a frequency: matching it would name a station after
  // a channel number that does not exist.
  if (table == nullptr || hz == 0 || last < first) return std::nullopt;
  for (uint32_t i = 0; i <= last - first; ++i) {
    if (table[i] == hz) return first + i;
  }
  return std::nullopt;
}

namespace {

struct RecordSource {
  uint32_t code;
  char cable;
  char antenna;
  std::string_view iso;
  VideoFacts video;
  SoundSystem sound;
  bool remoteSoundKey;
  std::array<uint16_t, 2> languages;
};

using S = SoundSystem;
using namespace vd::standard;
constexpr int32_t kNtsc = vd::kFamilyNtsc;
constexpr int32_t kPal = vd::kFamilyPal;
constexpr int32_t kSecam = vd::kFamilySecam;

// Table order is what the settings and the country lists store, so it never changes.
// Columns: code, cable and antenna plans, ISO code, {family, NTSC, PAL and SECAM standards},
// sound system, remote sound key, system languages.
// clang-format off
constexpr RecordSource kRecords[CountryTable::kCount] = {
    {54, 'C', 'D', "AR", {kPal, kNtscM, kPalN, kSecamB}, S::kNone, false, {11274}},        //  0 Argentina
    {61, 'M', 'N', "AU", {kPal, kNtscM, kPalB, kSecamB}, S::kNone, false, {3081}},         //  1 Australia
    {43, 'G', 'H', "AT", {kPal, kNtscM, kPalB, kSecamB}, S::kNone, false, {3079}},         //  2 Austria
    {1, 'C', 'D', "BS", {kNtsc, kNtscM, kPalB, kSecamB}, S::kMts, false, {}},              //  3 Bahamas
    {55, 'C', 'D', "BR", {kPal, kNtscM, kPalM, kSecamB}, S::kNone, false, {1046}},         //  4 Brazil
    {2, 'C', 'D', "CA", {kPal, kNtscM, kPalB, kSecamB}, S::kNone, false, {}},              //  5 Canada
    {56, 'C', 'D', "CL", {kNtsc, kNtscM, kPalB, kSecamB}, S::kNone, false, {13322}},       //  6 Chile
    {86, 'O', 'O', "CN", {kPal, kNtscM, kPalD, kSecamB}, S::kDual, true, {}},              //  7 China
    {57, 'C', 'D', "CO", {kNtsc, kNtscM, kPalB, kSecamB}, S::kNone, false, {9226}},        //  8 Colombia
    {53, 'C', 'D', "CU", {kNtsc, kNtscM, kPalB, kSecamB}, S::kNone, false, {}},            //  9 Cuba
    {420, 'S', 'T', "CZ", {kSecam, kNtscM, kPalB, kSecamD}, S::kNone, false, {1029}},      // 10 Czech
    {45, 'G', 'H', "DK", {kPal, kNtscM, kPalB, kSecamB}, S::kNone, false, {}},             // 11 Denmark
    {20, 'G', 'H', "EG", {kPal, kNtscM, kPalB, kSecamB}, S::kNone, false, {}},             // 12 Egypt
    {358, 'G', 'H', "FI", {kPal, kNtscM, kPalB, kSecamB}, S::kNone, false, {1035}},        // 13 Finland
    {33, 'U', 'V', "FR", {kSecam, kNtscM, kPalB, kSecamL}, S::kNone, false, {1036}},       // 14 France
    {49, 'G', 'H', "DE", {kPal, kNtscM, kPalB, kSecamB}, S::kNone, false, {1031}},         // 15 Germany
    {30, 'G', 'H', "GR", {kPal, kNtscM, kPalB, kSecamB}, S::kNone, false, {}},             // 16 Greece
    {1, 'C', 'D', "", {kNtsc, kNtscM, kPalB, kSecamB}, S::kMts, false, {}},                // 17 Hawaii
    {852, 'P', 'Q', "HK", {kPal, kNtscM, kPalI, kSecamB}, S::kNone, false, {3076, 5124}},  // 18 Hong Kong
    {36, 'Y', 'Z', "HU", {kSecam, kNtscM, kPalB, kSecamD}, S::kNone, false, {1038}},       // 19 Hungary
    {354, 'G', 'H', "IS", {kPal, kNtscM, kPalB, kSecamB}, S::kNone, false, {1039}},        // 20 Iceland
    {91, 'G', 'H', "IN", {kPal, kNtscM, kPalB, kSecamB}, S::kNone, false, {2080}},         // 21 India
    {62, 'G', 'H', "ID", {kPal, kNtscM, kPalB, kSecamB}, S::kNone, false, {1057}},         // 22 Indonesia
    {98, 'G', 'H', "IR", {kPal, kNtscM, kPalB, kSecamB}, S::kNone, false, {}},             // 23 Iran
    {964, 'G', 'H', "IQ", {kPal, kNtscM, kPalB, kSecamB}, S::kNone, false, {}},            // 24 Iraq
    {353, 'P', 'Q', "IE", {kPal, kNtscM, kPalI, kSecamB}, S::kNone, false, {6153}},        // 25 Ireland
    {972, 'G', 'H', "IL", {kPal, kNtscM, kPalB, kSecamB}, S::kNone, false, {}},            // 26 Israle
    {39, 'K', 'L', "IT", {kPal, kNtscM, kPalB, kSecamB}, S::kNone, false, {1040}},         // 27 Italy
    {81, 'E', 'F', "JP", {kNtsc, kNtscMJapan, kPalB, kSecamB}, S::kNone, false, {}},       // 28 Japan
    {82, 'C', 'D', "KR", {kNtsc, kNtscM, kPalB, kSecamB}, S::kNone, false, {}},            // 29 Korea
    {231, 'G', 'H', "LR", {kPal, kNtscM, kPalB, kSecamB}, S::kNone, false, {}},            // 30 Liberia
    {60, 'G', 'H', "MY", {kPal, kNtscM, kPalB, kSecamB}, S::kNone, false, {1086}},         // 31 Malaysia
    {52, 'C', 'D', "MX", {kNtsc, kNtscM, kPalB, kSecamB}, S::kNone, false, {2058}},        // 32 Mexico
    {377, 'G', 'H', "MC", {kPal, kNtscM, kPalB, kSecamL}, S::kNone, false, {}},            // 33 Monaco
    {31, 'G', 'H', "NL", {kPal, kNtscM, kPalB, kSecamB}, S::kNone, false, {1043}},         // 34 Netherlands
    {64, 'I', 'J', "NZ", {kPal, kNtscM, kPalB, kSecamB}, S::kNone, false, {5129}},         // 35 New Zealand
    {47, 'G', 'H', "NO", {kPal, kNtscM, kPalB, kSecamB}, S::kNone, false, {1044}},         // 36 Norway
    {92, 'G', 'H', "PK", {kPal, kNtscM, kPalB, kSecamB}, S::kNone, false, {}},             // 37 Pakistan
    {595, 'C', 'D', "PY", {kPal, kNtscM, kPalN, kSecamB}, S::kNone, false, {}},            // 38 Paraguay
    {63, 'C', 'D', "PH", {kNtsc, kNtscM, kPalB, kSecamB}, S::kNone, false, {13321}},       // 39 Philippines
    {48, 'S', 'T', "PL", {kPal, kNtscM, kPalD, kSecamB}, S::kNone, false, {1045}},         // 40 Poland
    {351, 'G', 'H', "PT", {kPal, kNtscM, kPalB, kSecamB}, S::kNone, false, {2070}},        // 41 Portugal
    {7, 'W', 'X', "RU", {kSecam, kNtscM, kPalB, kSecamD}, S::kNone, false, {1049}},        // 42 Russia
    {65, 'G', 'H', "SG", {kPal, kNtscM, kPalB, kSecamB}, S::kNone, false, {4100}},         // 43 Singapore
    {27, 'P', 'Q', "ZA", {kPal, kNtscM, kPalI, kSecamB}, S::kNone, false, {7177}},         // 44 South Africa
    {34, 'G', 'H', "ES", {kPal, kNtscM, kPalB, kSecamB}, S::kNone, false, {1034}},         // 45 Spain
    {268, 'G', 'H', "SZ", {kPal, kNtscM, kPalB, kSecamB}, S::kNone, false, {}},            // 46 Swaziland
    {46, 'G', 'H', "SE", {kPal, kNtscM, kPalB, kSecamB}, S::kNone, false, {1053}},         // 47 Sweden
    {41, 'G', 'H', "CH", {kPal, kNtscM, kPalB, kSecamB}, S::kNone, false, {2055}},         // 48 Switzerland
    {886, 'C', 'D', "TW", {kNtsc, kNtscM, kPalB, kSecamB}, S::kMts, true, {}},             // 49 Taiwan
    {66, 'G', 'H', "TH", {kPal, kNtscM, kPalB, kSecamB}, S::kNone, false, {}},             // 50 Thailand
    {90, 'G', 'H', "TR", {kPal, kNtscM, kPalB, kSecamB}, S::kNone, false, {1055}},         // 51 Turkey
    {44, 'P', 'R', "GB", {kPal, kNtscM, kPalB, kSecamB}, S::kNone, false, {2057}},         // 52 U.K.
    {598, 'C', 'D', "UY", {kPal, kNtscM, kPalN, kSecamB}, S::kNone, false, {}},            // 53 Uruguay
    {1, 'A', 'D', "", {kNtsc, kNtscM, kPalB, kSecamB}, S::kMts, false, {}},                // 54 U.S.A. (HRC)
    {1, 'B', 'D', "", {kNtsc, kNtscM, kPalB, kSecamB}, S::kMts, false, {}},                // 55 U.S.A. (IRC)
    {1, 'C', 'D', "US", {kNtsc, kNtscM, kPalB, kSecamB}, S::kMts, false, {}},              // 56 U.S.A.
};
// clang-format on

const std::array<CountryRecord, CountryTable::kCount>& Records() {
  static const std::array<CountryRecord, CountryTable::kCount> records = [] {
    std::array<CountryRecord, CountryTable::kCount> out{};
    for (int i = 0; i < CountryTable::kCount; ++i) {
      const RecordSource& r = kRecords[i];
      out[i] = CountryRecord{r.code,
                             vd::FrequencyPlans::Plan(r.cable),
                             vd::FrequencyPlans::Plan(r.antenna),
                             r.iso,
                             r.video,
                             r.sound,
                             r.remoteSoundKey,
                             r.languages};
    }
    return out;
  }();
  return records;
}

// The language column in force. The names themselves never change after start-up, so a
// reader holding a name keeps a valid string whatever language is chosen later.
std::atomic<vd::CountryLanguage> gLanguage{vd::CountryLanguage::kEnglish};

void CheckIndex(int index) {
  if (index < 0 || index >= CountryTable::kCount) {
    throw std::out_of_range("no country record " + std::to_string(index));
  }
}

}  // namespace

const CountryRecord& CountryTable::Record(int index) {
  CheckIndex(index);
  return Records()[index];
}

const std::string& CountryTable::Name(int index) {
  return vd::CountryNames::Name(index, gLanguage.load(std::memory_order_relaxed));
}

const char* CountryTable::EnglishName(int index) {
  return vd::CountryNames::Name(index, vd::CountryLanguage::kEnglish).c_str();
}

void CountryTable::ApplyLanguage(std::string_view tag) {
  gLanguage.store(vd::CountryNames::LanguageOfTag(tag), std::memory_order_relaxed);
}

bool CountryTable::IsKnownCode(int32_t code) {
  return FirstIndexOfCode(code) >= 0;
}

int CountryTable::FirstIndexOfCode(int32_t code) {
  for (int i = 0; i < kCount; ++i) {
    if (static_cast<int64_t>(kRecords[i].code) == code) return i;
  }
  return -1;
}

const CountryRecord* CountryTable::RecordOfCode(int32_t code) {
  const int index = FirstIndexOfCode(code);
  return index < 0 ? nullptr : &Record(index);
}

const VideoFacts& CountryTable::VideoOf(int32_t code) {
  static constexpr VideoFacts kOther = {vd::kFamilyPal, vd::standard::kNtscM, vd::standard::kPalB,
                                        vd::standard::kSecamB};
  const CountryRecord* record = RecordOfCode(code);
  return record != nullptr ? record->video : kOther;
}

const CountryRecord* CountryTable::RecordOfLanguage(uint32_t langId) {
  if (langId == 0) return nullptr;
  for (const CountryRecord& record : Records()) {
    for (uint16_t id : record.languages) {
      if (id == langId) return &record;
    }
  }
  return nullptr;
}

int CountryTable::LastIndexOfCode(int32_t code) {
  for (int i = kCount - 1; i >= 0; --i) {
    if (static_cast<int64_t>(kRecords[i].code) == code) return i;
  }
  return -1;
}

int CountryTable::PageSelection(int32_t country, int32_t country1) {
  // Several records share code 1; "Country1" remembers which of them the user picked.
  if (country == 1 && country1 >= 1 && country1 <= kCount - 1 && kRecords[country1].code == 1) {
    return country1;
  }
  return LastIndexOfCode(country);
}

const ChannelBand* CountryTable::TunerBand(int32_t country, uint32_t source) {
  const int index = FirstIndexOfCode(country);
  if (index < 0) return nullptr;
  return &Record(index).Band(source);
}

const ChannelBand* CountryTable::TunerBand(int32_t country, int32_t country1, uint32_t source) {
  const ChannelBand* first = TunerBand(country, source);
  const int chosen = PageSelection(country, country1);
  if (first == nullptr || chosen < 0) return first;
  const ChannelBand& band = Record(chosen).Band(source);
  // Records that share the plan keep the first record's band, so nothing changes for them.
  return band.table == first->table ? first : &band;
}
