// Conversion passes over arbitrary bytes, cut into samples whose sizes the input chooses.
// Checks the invariants a host relies on: never more than 600 packets, the ring's count of
// unread bytes within its size, and packets copied out whole.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "vbi_converter.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto converter = std::make_unique<vd::VbiConverter>([](int32_t, int32_t) {});
  std::vector<uint8_t> host(vd::VbiConverter::kSlots * vd::VbiConverter::kPacketSize);
  size_t at = 0;
  while (at < size) {
    // First byte of each chunk: its length (1-256 bytes) and whether the host reads after it.
    const size_t length = static_cast<size_t>(data[at] & 0x7F) * 2 + 1;
    const bool hostReads = (data[at] & 0x80) != 0;
    ++at;
    const size_t n = std::min(length, size - at);
    auto& ring = converter->Ring();
    if (ring.Overflow() || !ring.Write(data + at, n)) ring.SetOverflow();
    at += n;
    converter->ConvertPass();
    if (converter->PacketsInBuffer() > vd::VbiConverter::kSlots) std::abort();
    if (ring.Unread() > vd::RawRing::kSize) std::abort();
    if (hostReads) {
      const uint32_t before = converter->PacketsInBuffer();
      const uint32_t got = converter->TakePackets(host.data(), (n * 7) % host.size());
      if (got > before || converter->PacketsInBuffer() != before - got) std::abort();
    }
  }
  return 0;
}
