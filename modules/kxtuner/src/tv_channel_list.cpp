#include "tv_channel_list.h"

#include <algorithm>

#include "frequency_plans.h"

namespace vd {

const std::vector<uint32_t>& TvChannelList::Frequencies() {
  static const std::vector<uint32_t> list = [] {
    std::vector<uint32_t> all;
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
      const ChannelBand& band = FrequencyPlans::Plan(letter);
      for (uint32_t n = band.first; n <= band.last; ++n) {
        if (const uint32_t hz = band.FrequencyOf(n); hz != 0) all.push_back(hz);
      }
    }
    std::sort(all.begin(), all.end());
    all.erase(std::unique(all.begin(), all.end()), all.end());
    return all;
  }();
  return list;
}

std::optional<uint32_t> TvChannelList::IndexOf(uint32_t hz) {
  const auto& list = Frequencies();
  const auto it = std::lower_bound(list.begin(), list.end(), hz);
  if (it == list.end() || *it != hz) return std::nullopt;
  return static_cast<uint32_t>(it - list.begin());
}

}  // namespace vd
