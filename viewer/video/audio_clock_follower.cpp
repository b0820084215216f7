#include "vd/video/audio_clock_follower.h"

#include <algorithm>
#include <cstring>

#include "vd/gst_ptr.h"

namespace vd {

namespace {
// Frames to remove (> 0) or add (< 0) from a buffer of `frames` whose end is `error` frames
// ahead of its time.
int64_t ChangeFor(int64_t error, int64_t tolerance, int64_t jump, int64_t frames) {
  if (error > jump || error < -jump) return error;
  const int64_t most = std::max<int64_t>(1, frames / AudioClockFollower::kMaxShare);
  return std::clamp(error > 0 ? error - tolerance : error + tolerance, -most, most);
}

// Writes the `frames` of `in` to `out` with `change` of them removed or added: spread
// through the buffer, or as silence in front of it when the gap is longer than the buffer.
void Respace(const uint8_t* in, int64_t frames, int64_t change, uint8_t* out, int64_t outFrames,
             int32_t bytesPerFrame, uint8_t silence) {
  if (change > 0 && change < frames) {
    // Every (frames / change)-th frame is left out.
    int64_t w = 0;
    for (int64_t r = 0; r < frames && w < outFrames; ++r) {
      if ((r + 1) * change / frames != r * change / frames) continue;
      std::memcpy(out + w * bytesPerFrame, in + r * bytesPerFrame, bytesPerFrame);
      ++w;
    }
  } else if (change < 0 && -change <= frames) {
    // Every (frames / added)-th frame is written twice.
    const int64_t added = -change;
    int64_t w = 0;
    for (int64_t r = 0; r < frames; ++r) {
      std::memcpy(out + w++ * bytesPerFrame, in + r * bytesPerFrame, bytesPerFrame);
      if ((r + 1) * added / frames != r * added / frames)
        std::memcpy(out + w++ * bytesPerFrame, in + r * bytesPerFrame, bytesPerFrame);
    }
  } else if (change < 0) {
    // A gap longer than the buffer: silence in front of it.
    const int64_t gap = outFrames - frames;
    std::memset(out, silence, gap * bytesPerFrame);
    std::memcpy(out + gap * bytesPerFrame, in, frames * bytesPerFrame);
  }
}
}  // namespace

AudioClockFollower::AudioClockFollower(int32_t rate, int32_t bytesPerFrame, uint8_t silence)
    : rate_(std::max(1, rate)), bytesPerFrame_(std::max(1, bytesPerFrame)), silence_(silence) {}

GstBuffer* AudioClockFollower::Follow(GstBuffer* buffer) {
  BufferPtr taken(buffer);
  const int64_t frames = static_cast<int64_t>(gst_buffer_get_size(buffer)) / bytesPerFrame_;
  const GstClockTime pts = GST_BUFFER_PTS(buffer);
  in_ += frames;
  if (!GST_CLOCK_TIME_IS_VALID(pts) || frames == 0) {
    out_ += frames;
    return taken.release();
  }
  if (!GST_CLOCK_TIME_IS_VALID(base_)) base_ = pts;
  // Where the count should stand at the end of this buffer.
  const int64_t target =
      static_cast<int64_t>(gst_util_uint64_scale(pts - std::min(pts, base_), rate_, GST_SECOND)) +
      frames;
  const int64_t error = out_ + frames - target;  // > 0: the sound runs ahead of its time
  const int64_t tolerance = static_cast<int64_t>(kTolerance * rate_ / GST_SECOND);
  const int64_t jump = static_cast<int64_t>(kJump * rate_ / GST_SECOND);
  if (error >= -tolerance && error <= tolerance) {
    out_ += frames;
    return taken.release();
  }
  const int64_t change = ChangeFor(error, tolerance, jump, frames);
  const int64_t outFrames = std::max<int64_t>(0, frames - change);
  if (outFrames == 0) return nullptr;
  GstBuffer* result = gst_buffer_new_allocate(nullptr, outFrames * bytesPerFrame_, nullptr);
  GstMapInfo in, out;
  gst_buffer_map(buffer, &in, GST_MAP_READ);
  gst_buffer_map(result, &out, GST_MAP_WRITE);
  Respace(in.data, frames, change, out.data, outFrames, bytesPerFrame_, silence_);
  gst_buffer_unmap(result, &out);
  gst_buffer_unmap(buffer, &in);
  gst_buffer_copy_into(result, buffer, GST_BUFFER_COPY_METADATA, 0, -1);
  GST_BUFFER_DURATION(result) = gst_util_uint64_scale(outFrames, GST_SECOND, rate_);
  out_ += outFrames;
  return result;
}

}  // namespace vd
