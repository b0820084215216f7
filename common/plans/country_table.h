// The 57 reception areas ("countries") and their cable and antenna frequency plans.
// Constant data apart from the display names, which follow the interface language.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// One frequency plan: picture-carrier frequencies in Hz by channel number; 0 = no channel.
struct ChannelBand {
  uint32_t first = 0;               // channel number of table[0]
  uint32_t last = 0;                // highest channel number
  const uint32_t* table = nullptr;  // last - first + 1 entries

  // Frequency of channel n, 0 when n is outside first..last or has no frequency.
  uint32_t FrequencyOf(uint32_t n) const;
  // Channel number of the first entry equal to hz (exact), nullopt when none.
  std::optional<uint32_t> ChannelOf(uint32_t hz) const;
};

struct CountryRecord {
  uint32_t code;        // international dialling code (1 U.S.A. and others, 2 Canada, 7 Russia)
  ChannelBand cable;    // band 0 ("Source" = 0)
  ChannelBand antenna;  // band 1 ("Source" = 1)

  const ChannelBand& Band(uint32_t source) const { return source == 1 ? antenna : cable; }
};

class CountryTable {
 public:
  static constexpr int kCount = 57;

  static const CountryRecord& Record(int index);  // 0 <= index < kCount
  // Display name (UTF-8) in the language chosen by ApplyLanguage; English until then.
  static const std::string& Name(int index);
  static const char* EnglishName(int index);

  // Selects the display names by the interface language tag ("France", "Deutschland", ...,
  // the Chinese and Japanese tags); any other tag keeps the English names.
  static void ApplyLanguage(std::string_view tag);

  static bool IsKnownCode(int32_t code);
  // First record from index 0 up with this code (the tuner's rule), -1 when none.
  static int FirstIndexOfCode(int32_t code);
  // First record from index 56 down with this code (the scan dialog's rule), -1 when none.
  static int LastIndexOfCode(int32_t code);
  // The station-search page's row: the "Country1" rule for code 1, else LastIndexOfCode.
  static int PageSelection(int32_t country, int32_t country1);
  // The band the TV tuner starts with: FirstIndexOfCode(country)'s band for source;
  // null when no record has the code.
  static const ChannelBand* TunerBand(int32_t country, uint32_t source);
  // The same, except that the row the station-search page shows for "Country1" decides when
  // its plan differs from the first record's: a list scanned on "U.S.A. (HRC)" must keep
  // being numbered by plan A, not by the plan of "Bahamas" that code 1 finds first.
  static const ChannelBand* TunerBand(int32_t country, int32_t country1, uint32_t source);
};
