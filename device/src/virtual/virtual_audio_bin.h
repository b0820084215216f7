// The box's sound as a GStreamer bin: the station's tone shaped by the sound mode that
// registers 6 and 7 select (stereo: a second tone a fifth higher on the right; second
// language: the other programme, an octave up, on both sides; mono: one tone on both),
// noise when nothing is received, a steady tone on the line input.
#pragma once

#include <gst/gst.h>

#include <cstdint>
#include <memory>

#include "vd/capture_types.h"

namespace vd {

class VirtualHardware;

class VirtualAudioBin {
 public:
  // A new floating bin with a "src" pad of S16LE PCM in `format`.
  static GstElement* Create(std::shared_ptr<VirtualHardware> hardware, uint64_t generation,
                            const AudioFormat& format);
  // A sound card's line input with nothing plugged in: faint noise, never unplugged.
  static GstElement* CreateLineIn(const AudioFormat& format);
};

}  // namespace vd
