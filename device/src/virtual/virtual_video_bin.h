// The moving picture of the virtual TV box as a GStreamer bin: a live test picture with the
// station name and a clock (one caption) on a station, snow off it, a labelled picture on
// the external inputs; the amplifier acts through videobalance. The bin follows the box's
// state from a probe on its streaming thread and touches an element's properties only when
// what it shows changes, so a steady picture costs little more than the test source itself.
#pragma once

#include <gst/gst.h>

#include <cstdint>
#include <memory>

#include "vd/capture_types.h"

namespace vd {

class VirtualHardware;

class VirtualVideoBin {
 public:
  // A new floating bin with a "src" pad; null when the format has no raw-video equivalent.
  // With countFrames the bin feeds the hardware's frame counters (the capture pin).
  static GstElement* Create(std::shared_ptr<VirtualHardware> hardware, uint64_t generation,
                            const VideoFormat& format, bool countFrames);
};

}  // namespace vd
