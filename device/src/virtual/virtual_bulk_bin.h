// The box's bulk byte stream as a GStreamer bin: samples of kSampleBytes every kPeriod
// (51,200 bytes per second), generated while the bin runs (filler, the received station's
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
  static constexpr auto kPeriod = std::chrono::milliseconds(10);
  static constexpr size_t kSampleBytes = 512;
  // Larger recordings are not replayed (the generated stream is sent instead).
  static constexpr size_t kMaxReplayBytes = 64u << 20;

  // A new floating bin with a "src" pad of application/octet-stream.
  static GstElement* Create(std::shared_ptr<VirtualHardware> hardware, uint64_t generation);
};

}  // namespace vd
