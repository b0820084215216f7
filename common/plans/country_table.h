// The 57 reception areas ("countries"): their codes, cable and antenna frequency plans,
// picture standards and sound systems. Every fact about a country is kept here, once.
// Constant data apart from the display names, which follow the interface language.
#pragma once

#include <array>
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

namespace vd {
// The colour system of a picture standard, as the settings store it.
enum StandardFamily : int32_t { kFamilyNtsc = 0, kFamilyPal = 1, kFamilySecam = 2 };
}  // namespace vd

// The picture standards a country broadcasts: its family, and the one standard bit (of
// vd::standard) the engine sets in it for each family the user may choose.
struct VideoFacts {
  int32_t family;
  uint32_t ntsc;
  uint32_t pal;
  uint32_t secam;

  // The bit for that family; 0 for a family that does not exist.
  uint32_t StandardOf(int32_t family) const;
};

// How the country's TV sound carries a second programme. The values are the ones the
// "isMTS" setting stores.
enum class SoundSystem : int32_t {
  kNone = -1,  // nothing to choose: the sound-mode button stays off
  kDual = 0,   // PAL D/K and I sound, chosen by hand
  kMts = 1,    // multichannel television sound
};

struct CountryRecord {
  uint32_t code;        // international dialling code (1 U.S.A. and others, 2 Canada, 7 Russia)
  ChannelBand cable;    // band 0 ("Source" = 0)
  ChannelBand antenna;  // band 1 ("Source" = 1)
  // ISO 3166 code; empty for the rows that stand in a country another row names (the U.S.
  // plans and Hawaii share U.S.A.'s code 1).
  std::string_view iso;
  VideoFacts video;
  SoundSystem sound;
  bool remoteSoundKey;  // the remote control's sound-mode key switches the sound in TV
  // The system language ids (as LocaleIds carries them) that place a first start here; 0
  // marks an unused place.
  std::array<uint16_t, 2> languages;

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
  // The first record with this code (the tuner's rule), null when none has it. Records that
  // share a code share their standards and sound.
  static const CountryRecord* RecordOfCode(int32_t code);
  // The standards for a code: its record's, or for a code no record has, PAL with the
  // B standards.
  static const VideoFacts& VideoOf(int32_t code);
  // The record a system language id places a first start in, null when none.
  static const CountryRecord* RecordOfLanguage(uint32_t langId);
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
