// Display names of the country table's rows in English and the eight translated languages.
#pragma once

#include <string>
#include <string_view>

#include "country_table.h"

namespace vd {

// Columns of the name table; kEnglish is what the country records are known by.
enum class CountryLanguage {
  kEnglish,
  kFrench,
  kGerman,
  kSpanish,
  kItalian,
  kTurkish,
  kTraditionalChinese,
  kJapanese,
  kSimplifiedChinese,
};

class CountryNames {
 public:
  static constexpr int kLanguageCount = 9;
  static constexpr int kCountryCount = CountryTable::kCount;
  // The name field of a country record holds 31 bytes and a NUL.
  static constexpr size_t kMaxNameBytes = 31;

  // The column an interface language tag selects; kEnglish for a tag that matches none.
  static CountryLanguage LanguageOfTag(std::string_view tag);
  // UTF-8 name of country index (0..56) in the language; throws std::out_of_range otherwise.
  static const std::string& Name(int index, CountryLanguage language);
  // Column heading for listings, e.g. "French".
  static std::string_view LanguageLabel(CountryLanguage language);
};

}  // namespace vd
