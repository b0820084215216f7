// The box's bulk byte stream as a GStreamer bin: one sample per field of the generator
// (1,024 bytes, 50 a second), generated while the bin runs (filler, the received station's
// teletext records, the bursts of remote keys pressed since the bin was made), or replayed
// in a loop from a recorded file.
#pragma once

#include <gst/gst.h>

#include <chrono>
#include <cstdint>
#include <memory>

namespace vd {

class VirtualHardware;

class VirtualBulkBin {
 public:
  // Whole fields: the reading libraries restart their zero counts at sample boundaries, and
  // the generator lays out each field so that they see every item.
  static constexpr auto kPeriod = std::chrono::milliseconds(20);
  static constexpr size_t kSampleBytes = 1024;
  // Larger recordings are not replayed (the generated stream is sent instead).
  static constexpr size_t kMaxReplayBytes = 64u << 20;

  // A new floating bin with a "src" pad of application/octet-stream.
  static GstElement* Create(std::shared_ptr<VirtualHardware> hardware, uint64_t generation);
};

}  // namespace vd
