// The tuner's TV channels: every frequency of every frequency plan, once, in ascending
// order. The index into this list is the channel index the viewer tunes by, so any plan of
// any country finds its channels here.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace vd {

class TvChannelList {
 public:
  static const std::vector<uint32_t>& Frequencies();
  // The index of exactly hz, nullopt when no plan has it.
  static std::optional<uint32_t> IndexOf(uint32_t hz);
};

}  // namespace vd
