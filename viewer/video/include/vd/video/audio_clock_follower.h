// Keeps a recording's sound as long as the time it spans. A capture card's sound has its own
// crystal, some hundred ppm off the clock the pictures are timed by; an AVI's sound plays
// for its sample count, not its time stamps, so over an hour it would drift seconds away
// from the picture. This drops or repeats single samples, spread through the buffers, so
// that the count of samples written follows the buffers' time stamps; a jump (a stalled
// device) is closed at once with silence or a cut.
//
// Threads: one streaming thread at a time.
#pragma once

#include <gst/gst.h>

#include <cstddef>
#include <cstdint>

namespace vd {

class AudioClockFollower {
 public:
  // Time within which the count is left alone: the jitter of time stamps taken on arrival.
  static constexpr GstClockTime kTolerance = 10 * GST_MSECOND;
  // Beyond this the gap is closed in one step.
  static constexpr GstClockTime kJump = 200 * GST_MSECOND;
  // At most one sample in this many is dropped or repeated (4 %, far beyond any crystal).
  static constexpr int64_t kMaxShare = 25;

  // `silence`: the byte value of silence (0x80 for 8-bit samples, else 0).
  AudioClockFollower(int32_t rate, int32_t bytesPerFrame, uint8_t silence);

  // The buffer as the recording must write it: the buffer itself when nothing is to be
  // changed, else a new one, or null when all of it is to go. Takes `buffer`.
  GstBuffer* Follow(GstBuffer* buffer);
  // Counts from `base` instead of the first buffer's time: a sound that begins later is
  // preceded by silence.
  void StartAt(GstClockTime base) { base_ = base; }

  int64_t FramesIn() const { return in_; }
  int64_t FramesOut() const { return out_; }

 private:
  int32_t rate_;
  int32_t bytesPerFrame_;
  uint8_t silence_;
  GstClockTime base_ = GST_CLOCK_TIME_NONE;
  int64_t in_ = 0;
  int64_t out_ = 0;
};

}  // namespace vd
