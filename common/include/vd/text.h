// Small text helpers shared by the readers of the system's text files (exports, channel lists,
// device descriptions) and by the teletext decoder.
#pragma once

#include <string_view>

namespace vd {

// Blanks inside a line: what the system's own text files pad fields with.
inline constexpr std::string_view kBlanks = " \t";
// Every byte the C locale's isspace accepts, for readers that also take line ends.
inline constexpr std::string_view kWhitespace = " \t\n\v\f\r";

// `s` without leading and trailing characters from `chars`. The result views `s`, so it lives
// no longer than what `s` views.
constexpr std::string_view Trim(std::string_view s, std::string_view chars = kBlanks) {
  const size_t from = s.find_first_not_of(chars);
  if (from == std::string_view::npos) return {};
  return s.substr(from, s.find_last_not_of(chars) - from + 1);
}

}  // namespace vd
