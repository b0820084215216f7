// The transmitters the virtual TV box receives: TV stations on picture-carrier frequencies
// and FM stations. The built-in sky is deterministic: a few stations on carriers that many
// frequency plans share, plus a hash rule over the 250 kHz grid that puts roughly one
// station on every eighth carrier, so each country's cable and antenna plan finds several.
#pragma once

#include "vd/device_export.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vd {

struct Station {
  uint32_t frequencyHz = 0;
  std::string name;
  uint32_t toneHz = 440;  // the sound the station sends
  std::string language;   // of its teletext (ISO 639-1); empty for English
};

class VD_DEVICE_EXPORT VirtualSky {
 public:
  // A TV carrier is received within this distance (fine tuning keeps the picture).
  static constexpr uint32_t kTvToleranceHz = 100000;
  // FM stations sit on the 50 kHz grid; only the exact step receives them.
  static constexpr uint32_t kFmToleranceHz = 20000;

  // The built-in sky.
  static VirtualSky BuiltIn();
  // A sky of these stations (configuration file); with hashRule the built-in rule's TV
  // stations are received as well.
  VirtualSky(std::vector<Station> tv, std::vector<Station> fm, bool hashRule = false);

  std::optional<Station> TvStationAt(uint32_t hz) const;
  std::optional<Station> FmStationAt(uint32_t hz) const;
  // Explicit stations; the built-in hash rule's stations are not listed.
  const std::vector<Station>& ExplicitTvStations() const { return tv_; }
  const std::vector<Station>& FmStations() const { return fm_; }
  bool UsesHashRule() const { return hashRule_; }

 private:
  VirtualSky() = default;
  std::vector<Station> tv_;
  std::vector<Station> fm_;
  bool hashRule_ = false;
};

}  // namespace vd
