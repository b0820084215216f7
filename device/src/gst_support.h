// Small GStreamer helpers shared by the source bins of every back-end.
#pragma once

#include <gst/gst.h>

#include <cstdint>
#include <string>

#include "vd/capture_types.h"

namespace vd {

// gst_init once per process (safe to call from any thread, any number of times).
void EnsureGstInit();

// The message a running source posts when its device is unplugged.
inline constexpr const char* kUnpluggedText = "The capture device was unplugged.";
void PostUnpluggedError(GstElement* element);

// Raw video caps of a pin format (YUY2, BGR or BGRx); null for a format GStreamer lacks.
GstCaps* CapsOfVideoFormat(const VideoFormat& format);
GstCaps* CapsOfAudioFormat(const AudioFormat& format);
// The frame rate of a 100 ns frame interval as a fraction; whole rates stay whole.
void FrameRateOf(int64_t frameInterval, int* numerator, int* denominator);

// Wraps `inner` (already in `bin`) with a ghost pad named "src".
bool AddGhostSrc(GstElement* bin, GstElement* inner);

}  // namespace vd
