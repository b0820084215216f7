// A live appsrc that produces one buffer per period on its own streaming thread, paced by
// the steady clock (so a sink that does not sync still gets real-time rates). Used for the
// simulated sound and bulk streams.
#pragma once

#include <gst/gst.h>

#include <chrono>
#include <functional>
#include <memory>

namespace vd {

class PacedSource {
 public:
  struct Producer {
    // Fills `size` bytes for the buffer starting at `index` (0, 1, 2, ...).
    std::function<void(uint8_t* data, size_t size, uint64_t index)> fill;
    // False once the device is gone: the source posts the unplug error and ends its stream.
    std::function<bool()> alive;
    std::chrono::microseconds period{10000};
    size_t bytesPerBuffer = 512;
    // When set: the device's own crystal runs this many ppm fast (negative: slow), so each
    // buffer comes that much sooner than its duration says.
    std::function<int32_t()> driftPpm;
    // When set: how long the device takes to send its first buffer.
    std::function<std::chrono::milliseconds()> startDelay;
  };

  // A new floating bin holding the appsrc, with a "src" pad of `caps` (taken).
  static GstElement* Create(GstCaps* caps, Producer producer);
};

}  // namespace vd
