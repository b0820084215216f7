// Band lookups for builds that do not yet contain the frequency-plan tables. Same contract as
// the real ones; no country is known, so the tuner control gets its band from the test.
#include "country_table.h"

uint32_t ChannelBand::FrequencyOf(uint32_t n) const {
  if (table == nullptr || n < first || n > last) return 0;
  return table[n - first];
}

std::optional<uint32_t> ChannelBand::ChannelOf(uint32_t hz) const {
  if (table == nullptr || last < first) return std::nullopt;
  for (uint32_t i = 0; i <= last - first; ++i) {
    if (table[i] == hz) return first + i;
  }
  return std::nullopt;
}

const ChannelBand* CountryTable::TunerBand(int32_t, uint32_t) {
  return nullptr;
}
