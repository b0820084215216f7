// The end of every picture branch: converts to 32-bit BGRx and hands each picture to a
// VideoFrameSink from the streaming thread.
#pragma once

#include <gst/gst.h>

#include "vd/video/video_frame_sink.h"

namespace vd {

class FrameOutput {
 public:
  // A new floating bin with a "sink" pad. The sink must outlive the bin's streaming (the
  // caller stops the pipeline before it lets the sink go).
  static GstElement* Create(VideoFrameSink* sink);
  // A deinterlacer (the live picture's is named kDeinterlacerName); null when its plug-in is
  // missing. It deinterlaces whatever the device says of its fields: many boxes call their
  // interlaced pictures progressive, and the user who asks for it sees the combs.
  static GstElement* CreateDeinterlacer(const char* name = kDeinterlacerName);
  static constexpr const char* kDeinterlacerName = "livedeinterlace";
  // The pixel aspect ratio that `caps` state into the frame; left at 0 / 0 when they state
  // none (most sources say 1/1 only when they know it).
  static void TakePixelAspect(GstCaps* caps, VideoFrame* frame);
};

}  // namespace vd
