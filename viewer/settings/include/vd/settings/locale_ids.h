// The system locale as the first-run rules see it: an ANSI code page and a language id,
// worked out from the POSIX locale names.
#pragma once

#include <cstdint>
#include <string_view>

namespace vd {

struct LocaleIds {
  uint32_t codePage = 1252;
  uint32_t langId = 1033;

  friend bool operator==(const LocaleIds&, const LocaleIds&) = default;
};

// "de_DE.UTF-8@euro" -> {1252, 1031}. The language and territory decide; an unknown
// territory falls back to the language's primary id; C, POSIX, empty and unknown names give
// {1252, 1033}.
LocaleIds LocaleIdsFor(std::string_view posixLocale);

// From the first of LC_ALL, LC_MESSAGES and LANG that is set and not empty.
LocaleIds SystemLocaleIds();

// The interface language's tag, which picks the translated country names: "de_DE" gives
// "Deutschland", "zh_TW" the Traditional Chinese tag; anything without names, "English".
std::string_view InterfaceLanguageTag(std::string_view posixLocale);
std::string_view SystemInterfaceLanguageTag();

}  // namespace vd
