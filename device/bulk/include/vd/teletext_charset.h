// The Latin national option subsets of teletext level 1: thirteen of the 96 character codes
// stand for the letters of a language. Pages are written in UTF-8 and sent with the codes of
// their station's language.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vd {

class TeletextCharset {
 public:
  // National options as the page header's C12..C14 select them in the western region.
  static constexpr uint8_t kEnglish = 0;
  static constexpr uint8_t kGerman = 1;
  static constexpr uint8_t kFrench = 4;

  // The option of an ISO 639-1 language code ("de", "fr"); English for any other.
  static uint8_t ForLanguage(std::string_view language);
  // `utf8` as 7-bit codes of option `option`. Control codes (below 0x20) pass unchanged, so
  // attributes stay where they are; a character the subset lacks becomes '?'.
  static std::string Encode(std::string_view utf8, uint8_t option);
};

}  // namespace vd
