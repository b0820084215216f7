// The byte layout of the channel files: little-endian u32 count, for radio files an i32
// current index, then per station id, name length, name bytes, frequency and number.
// No header, no tags.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "channel.h"

namespace vd {

struct ChannelFileContents {
  std::vector<CChannel> stations;  // every complete, valid station before any damage
  int32_t current = -1;            // radio files only
  // Set when the file was damaged: what was wrong, in words for the user.
  std::optional<std::string> damage;
};

class ChannelFile {
 public:
  static constexpr uint32_t kCapacity = 3000;  // stations, and ids 0..kCapacity-1
  // The largest file a full table can produce; readers never need more.
  static constexpr size_t kMaxBytes = 8 + kCapacity * (16 + CChannel::kMaxNameBytes);

  static std::vector<uint8_t> Encode(std::span<const CChannel> stations, bool radio,
                                     int32_t current);
  // Never allocates by the stored count: stations are appended as they are read.
  static ChannelFileContents Decode(std::span<const uint8_t> bytes, bool radio);
};

}  // namespace vd
