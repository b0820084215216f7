#include "vd/teletext_charset.h"

#include <array>

namespace vd {

namespace {

// The codes a national option redefines, and what each of them stands for.
constexpr std::array<char, 13> kNationalCodes = {0x23, 0x24, 0x40, 0x5B, 0x5C, 0x5D, 0x5E,
                                                 0x5F, 0x60, 0x7B, 0x7C, 0x7D, 0x7E};
constexpr std::array<char32_t, 13> kEnglishSet = {U'£', U'$', U'@', U'←', U'½', U'→', U'↑',
                                                  U'#', U'—', U'¼', U'‖', U'¾', U'÷'};
constexpr std::array<char32_t, 13> kGermanSet = {U'#', U'$', U'§', U'Ä', U'Ö', U'Ü', U'^',
                                                 U'_', U'°', U'ä', U'ö', U'ü', U'ß'};
constexpr std::array<char32_t, 13> kFrenchSet = {U'é', U'ï', U'à', U'ë', U'ê', U'ù', U'î',
                                                 U'#', U'è', U'â', U'ô', U'û', U'ç'};

const std::array<char32_t, 13>& SetOf(uint8_t option) {
  switch (option) {
    case TeletextCharset::kGerman:
      return kGermanSet;
    case TeletextCharset::kFrench:
      return kFrenchSet;
    default:
      return kEnglishSet;
  }
}

// The next code point of `text` from `at`, or U+FFFD for a broken sequence.
char32_t NextCodePoint(std::string_view text, size_t& at) {
  const auto lead = static_cast<unsigned char>(text[at++]);
  if (lead < 0x80) return lead;
  size_t more = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
  if (more == 0) return U'\uFFFD';
  char32_t c = lead & (0x3F >> more);
  for (; more > 0; --more) {
    if (at >= text.size() || (static_cast<unsigned char>(text[at]) & 0xC0) != 0x80)
      return U'\uFFFD';
    c = c << 6 | (static_cast<unsigned char>(text[at++]) & 0x3F);
  }
  return c;
}

}  // namespace

uint8_t TeletextCharset::ForLanguage(std::string_view language) {
  if (language == "de") return kGerman;
  if (language == "fr") return kFrench;
  return kEnglish;
}

std::string TeletextCharset::Encode(std::string_view utf8, uint8_t option) {
  const auto& set = SetOf(option);
  std::string out;
  out.reserve(utf8.size());
  for (size_t at = 0; at < utf8.size();) {
    const char32_t c = NextCodePoint(utf8, at);
    char code = '?';
    bool found = false;
    for (size_t i = 0; i < set.size() && !found; ++i) {
      if (set[i] == c) {
        code = kNationalCodes[i];
        found = true;
      }
    }
    if (!found && c < 0x7F) {
      bool redefined = false;
      for (char n : kNationalCodes) redefined = redefined || static_cast<char32_t>(n) == c;
      if (!redefined) code = static_cast<char>(c);
    }
    out += code;
  }
  return out;
}

}  // namespace vd
