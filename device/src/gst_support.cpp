#include "gst_support.h"

#include <cmath>
#include <mutex>

#include "vd/frame_rate.h"
#include "vd/gst_ptr.h"

namespace vd {

void EnsureGstInit() {
  static std::once_flag once;
  std::call_once(once, [] { gst_init(nullptr, nullptr); });
}

void PostUnpluggedError(GstElement* element) {
  const ErrorPtr error(
      g_error_new_literal(GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_NOT_FOUND, kUnpluggedText));
  gst_element_post_message(element, gst_message_new_error(GST_OBJECT(element), error.get(),
                                                          "device removed while streaming"));
}

void FrameRateOf(int64_t frameInterval, int* numerator, int* denominator) {
  if (frameInterval <= 0) frameInterval = 400000;
  if (ExactFrameRateOf(frameInterval, numerator, denominator)) return;
  gst_util_double_to_fraction(1e7 / static_cast<double>(frameInterval), numerator, denominator);
}

GstCaps* CapsOfVideoFormat(const VideoFormat& format) {
  EnsureGstInit();
  const char* name = nullptr;
  if (format.fourcc == kFourccYuy2 && format.bitCount == 16) {
    name = "YUY2";
  } else if (format.fourcc == kFourccRgb && format.bitCount == 24) {
    name = "BGR";
  } else if (format.fourcc == kFourccRgb && format.bitCount == 32) {
    name = "BGRx";
  } else {
    return nullptr;
  }
  int num = 0, den = 1;
  FrameRateOf(format.frameInterval, &num, &den);
  return gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, name, "width", G_TYPE_INT,
                             format.width, "height", G_TYPE_INT, format.height, "framerate",
                             GST_TYPE_FRACTION, num, den, "pixel-aspect-ratio", GST_TYPE_FRACTION,
                             1, 1, nullptr);
}

GstCaps* CapsOfAudioFormat(const AudioFormat& format) {
  EnsureGstInit();
  return gst_caps_new_simple("audio/x-raw", "format", G_TYPE_STRING, "S16LE", "layout",
                             G_TYPE_STRING, "interleaved", "rate", G_TYPE_INT,
                             static_cast<int>(format.samplesPerSec), "channels", G_TYPE_INT,
                             static_cast<int>(format.channels), nullptr);
}

bool AddGhostSrc(GstElement* bin, GstElement* inner) {
  const PadPtr pad(gst_element_get_static_pad(inner, "src"));
  if (pad == nullptr) return false;
  GstPad* ghost = gst_ghost_pad_new("src", pad.get());
  return gst_element_add_pad(bin, ghost) == TRUE;
}

}  // namespace vd
