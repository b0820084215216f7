// The 26 analogue frequency plans A-Z that the country records point at.
#pragma once

#include <cstdint>
#include <optional>

#include "country_table.h"

namespace vd {

class FrequencyPlans {
 public:
  static constexpr int kCount = 26;

  // The plan with letter 'A'..'Z'; the band's table stays valid for the whole run.
  // Throws std::out_of_range for any other letter.
  static const ChannelBand& Plan(char letter);
  // Number of slots the plan's table holds. Equals last - first + 1 except for plan G,
  // which carries one more slot (0) after its last channel.
  static uint32_t SlotCount(char letter);
  // The letter of the plan whose table the band uses, nullopt for a band of no plan.
  static std::optional<char> LetterOf(const ChannelBand& band);
};

}  // namespace vd
