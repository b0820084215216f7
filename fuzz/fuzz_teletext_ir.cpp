// The IR decoder over arbitrary bursts: whatever the samples, it must neither read beyond the
// burst nor report more units than the samples could hold.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "ir_decoder.h"
#include "raw_ring.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto ring = std::make_unique<vd::RawRing>();
  uint64_t samplesSeen = 0;
  int64_t unitsReported = 0;
  vd::IrDecoder decoder([&](int32_t units, int32_t) {
    if (units < 0) std::abort();
    unitsReported += units;
  });
  size_t at = 0;
  while (at < size) {
    const uint8_t lead = static_cast<uint8_t>(0x70 | (data[at] & 0x0F));
    const size_t n = std::min<size_t>(lead & 0x0F, size - at - 1);
    uint8_t burst[16];
    burst[0] = lead;
    for (size_t i = 0; i < n; ++i) burst[1 + i] = data[at + 1 + i];
    at += 1 + n;
    if (!ring->Write(burst, 1 + n)) std::abort();
    const uint32_t before = ring->Unread();
    const bool complete = decoder.HandleBurst(*ring);
    const uint32_t after = ring->Unread();
    if (after > before) std::abort();
    if (!complete && after != before) std::abort();
    if (complete) samplesSeen += 8u * (before - after);
    // Whatever the closing burst left unread is no longer part of the stream.
    ring->SkipToWrite();
    // Each unit needs at least two samples; a run table that wrapped may only lose units.
    if (unitsReported > static_cast<int64_t>(samplesSeen / 2 + 1)) std::abort();
  }
  return 0;
}
