// First-run defaults of Country and isMTS from the system locale and the attached device's
// product id.
//
// How the system's two branches map onto Linux: the device lookup of the older branch
// works here through sysfs on every system, so when the device is found its product id
// decides (the regional rules); when it is not found, the locale decides, both for Country
// and, as on the newer branch, for isMTS.
//
// Both are defaults only: Country for a stored value below 1, isMTS for a profile that holds
// none (or one of the other type). A stored isMTS stands like a stored Country: the user
// picks the sound family with the country on the station-search page, and neither a product
// id nor a locale knows better than that choice.
//
// A device that can say which country it stands in (the virtual box; a real box cannot)
// gives Country directly: the product rules name no country for some regions (Canada) and
// place a box by its id alone, while the virtual one may be told to stand elsewhere.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "locale_ids.h"

namespace vd {

inline constexpr int32_t kFallbackCountry = 886;

struct FirstRunInputs {
  int osKind = 2000;  // GetOsKind()
  LocaleIds locale;
  // The hardware key FindDeviceNode reported, e.g. "USB\VID_7A3E&PID_1311"; none when the
  // device was not found.
  std::optional<std::string> hardwareKey;
  // The ISO 3166 code of the country the same device stands in, when it can tell.
  std::string deviceLocation;
};

// The dialling code of the country table's country with this ISO 3166 code (any case); none
// for a country the table does not have.
std::optional<int32_t> CountryFromLocation(std::string_view isoCode);

// The locale table alone (first match wins; anything else gives 1).
int32_t CountryFromLocale(LocaleIds locale);
// The regional rule that the product id in the hardware key selects; 886 for an unknown id.
int32_t CountryFromProduct(const std::string& hardwareKey, LocaleIds locale);
// The default for a stored Country below 1: the device's location, else its product rule,
// else the locale.
int32_t DefaultCountry(const FirstRunInputs& in);
// isMTS for a profile that stores none: the device's product id, else the system's locale
// rule; -1 (not known) on a system of neither branch.
int32_t DefaultIsMts(const FirstRunInputs& in);

}  // namespace vd
