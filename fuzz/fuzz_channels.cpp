// The channel-file reader over arbitrary bytes, in both layouts. Beyond not crashing, every
// station it keeps must be one the writer could have written, and writing the kept stations
// must read back as the same list, or a damaged file would change on every save.
#include <cstddef>
#include <cstdint>
#include <span>

#include "vd/tuning/channel_file.h"

namespace {

void Check(std::span<const uint8_t> bytes, bool radio) {
  const vd::ChannelFileContents read = vd::ChannelFile::Decode(bytes, radio);
  if (read.stations.size() > vd::ChannelFile::kCapacity) __builtin_trap();
  for (const CChannel& station : read.stations) {
    if (station.id >= vd::ChannelFile::kCapacity) __builtin_trap();
    if (station.Name().size() > CChannel::kMaxNameBytes) __builtin_trap();
  }
  const std::vector<uint8_t> written = vd::ChannelFile::Encode(read.stations, radio, read.current);
  if (written.size() > vd::ChannelFile::kMaxBytes) __builtin_trap();
  const vd::ChannelFileContents again = vd::ChannelFile::Decode(written, radio);
  if (again.damage || again.stations != read.stations) __builtin_trap();
  if (radio && again.current != read.current) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const uint8_t> bytes(data, size);
  Check(bytes, false);
  Check(bytes, true);
  return 0;
}
