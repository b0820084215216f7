#include <algorithm>
#include <array>
#include <atomic>
#include <stdexcept>
#include <string>

#include "country_names.h"
#include "country_table.h"
#include "frequency_plans.h"

uint32_t ChannelBand::FrequencyOf(uint32_t n) const {
  if (table == nullptr || n < first || n > last) return 0;
  return table[n - first];
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
};

// Table order is what the settings and the country lists store, so it never changes.
// clang-format off
constexpr RecordSource kRecords[CountryTable::kCount] = {
    {54, 'C', 'D'},  //  0 Argentina
    {61, 'M', 'N'},  //  1 Australia
    {43, 'G', 'H'},  //  2 Austria
    {1, 'C', 'D'},  //  3 Bahamas
    {55, 'C', 'D'},  //  4 Brazil
    {2, 'C', 'D'},  //  5 Canada
    {56, 'C', 'D'},  //  6 Chile
    {86, 'O', 'O'},  //  7 China
    {57, 'C', 'D'},  //  8 Colombia
    {53, 'C', 'D'},  //  9 Cuba
    {420, 'S', 'T'},  // 10 Czech
    {45, 'G', 'H'},  // 11 Denmark
    {20, 'G', 'H'},  // 12 Egypt
    {358, 'G', 'H'},  // 13 Finland
    {33, 'U', 'V'},  // 14 France
    {49, 'G', 'H'},  // 15 Germany
    {30, 'G', 'H'},  // 16 Greece
    {1, 'C', 'D'},  // 17 Hawaii
    {852, 'P', 'Q'},  // 18 Hong Kong
    {36, 'Y', 'Z'},  // 19 Hungary
    {354, 'G', 'H'},  // 20 Iceland
    {91, 'G', 'H'},  // 21 India
    {62, 'G', 'H'},  // 22 Indonesia
    {98, 'G', 'H'},  // 23 Iran
    {964, 'G', 'H'},  // 24 Iraq
    {353, 'P', 'Q'},  // 25 Ireland
    {972, 'G', 'H'},  // 26 Israle
    {39, 'K', 'L'},  // 27 Italy
    {81, 'E', 'F'},  // 28 Japan
    {82, 'C', 'D'},  // 29 Korea
    {231, 'G', 'H'},  // 30 Liberia
    {60, 'G', 'H'},  // 31 Malaysia
    {52, 'C', 'D'},  // 32 Mexico
    {377, 'G', 'H'},  // 33 Monaco
    {31, 'G', 'H'},  // 34 Netherlands
    {64, 'I', 'J'},  // 35 New Zealand
    {47, 'G', 'H'},  // 36 Norway
    {92, 'G', 'H'},  // 37 Pakistan
    {595, 'C', 'D'},  // 38 Paraguay
    {63, 'C', 'D'},  // 39 Philippines
    {48, 'S', 'T'},  // 40 Poland
    {351, 'G', 'H'},  // 41 Portugal
    {7, 'W', 'X'},  // 42 Russia
    {65, 'G', 'H'},  // 43 Singapore
    {27, 'P', 'Q'},  // 44 South Africa
    {34, 'G', 'H'},  // 45 Spain
    {268, 'G', 'H'},  // 46 Swaziland
    {46, 'G', 'H'},  // 47 Sweden
    {41, 'G', 'H'},  // 48 Switzerland
    {886, 'C', 'D'},  // 49 Taiwan
    {66, 'G', 'H'},  // 50 Thailand
    {90, 'G', 'H'},  // 51 Turkey
    {44, 'P', 'R'},  // 52 U.K.
    {598, 'C', 'D'},  // 53 Uruguay
    {1, 'A', 'D'},  // 54 U.S.A. (HRC)
    {1, 'B', 'D'},  // 55 U.S.A. (IRC)
    {1, 'C', 'D'},  // 56 U.S.A.
};
// clang-format on

const std::array<CountryRecord, CountryTable::kCount>& Records() {
  static const std::array<CountryRecord, CountryTable::kCount> records = [] {
    std::array<CountryRecord, CountryTable::kCount> out{};
    for (int i = 0; i < CountryTable::kCount; ++i) {
      out[i] = CountryRecord{kRecords[i].code, vd::FrequencyPlans::Plan(kRecords[i].cable),
                             vd::FrequencyPlans::Plan(kRecords[i].antenna)};
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
