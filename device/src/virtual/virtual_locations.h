// Where the virtual TV box stands: the stations of a country, and the country the system's
// locale names.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "vd/virtual_sky.h"

namespace vd {

class VirtualLocations {
 public:
  static constexpr const char* kDefault = "US";

  // The TV stations of `country` (ISO 3166 code, any case); none for a country without a set.
  static std::optional<std::vector<Station>> TvStations(std::string_view country);
  // The product id of the box model sold in `country`; none for a country without a set.
  static std::optional<uint32_t> ProductId(std::string_view country);
  // Every country with its own set of stations.
  static std::vector<std::string> Countries();
  // The territory of the POSIX locale (LC_ALL, LC_MESSAGES, LANG) when it has a set of
  // stations, else kDefault.
  static std::string FromLocale();
};

}  // namespace vd
