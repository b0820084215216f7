// The GStreamer source bins of a real card's pins: video and stills from the card's shared
// stream (V4l2FrameHub), sound from the ALSA capture device of the same USB device, and the
// bulk byte stream made from sliced teletext and the infrared receiver.
#pragma once

#include <gst/gst.h>

#include <memory>
#include <string>

#include "vd/capture_types.h"

namespace vd {

class V4l2Card;

class V4l2SourceBins {
 public:
  // Video in the pin's format; with `still`, one picture per trigger. With `record` (the
  // capture pin) the bin holds the card's record priority from its first picture until it
  // goes.
  static GstElement* Video(const std::shared_ptr<V4l2Card>& card, const VideoFormat& format,
                           bool still, bool record = false);
  // `sourceDescription` is a gst-launch fragment producing raw sound (alsasrc device=hw:N).
  static GstElement* Audio(const std::shared_ptr<V4l2Card>& card,
                           const std::string& sourceDescription, const AudioFormat& format);
  static GstElement* Bulk(const std::shared_ptr<V4l2Card>& card);
};

}  // namespace vd
