// The end of every picture branch: converts to 32-bit BGRx and hands each picture to a
// VideoFrameSink from the streaming thread.
#pragma once

#include <gst/gst.h>

#include "video_frame_sink.h"

namespace vd {

class FrameOutput {
 public:
  // A new floating bin with a "sink" pad. The sink must outlive the bin's streaming (the
  // caller stops the pipeline before it lets the sink go).
  static GstElement* Create(VideoFrameSink* sink);
};

}  // namespace vd
