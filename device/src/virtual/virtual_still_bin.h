// The box's still pin as a GStreamer bin: nothing flows until a picture is triggered (the
// trigger bit of the video control mode, or the box's snapshot button while the external
// trigger is enabled); then one RGB picture of the still format shows what the video shows.
// The picture is rendered on the thread that triggers it.
#pragma once

#include <gst/gst.h>

#include <cstdint>
#include <memory>

#include "vd/capture_types.h"

namespace vd {

class VirtualHardware;

class VirtualStillBin {
 public:
  // A new floating bin with a "src" pad of `format` (RGB 24 or 32 bits).
  static GstElement* Create(std::shared_ptr<VirtualHardware> hardware, uint64_t generation,
                            const VideoFormat& format);
};

}  // namespace vd
