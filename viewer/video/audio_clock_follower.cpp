#include "vd/video/audio_clock_follower.h"

#include <algorithm>
#include <cstring>

#include "vd/gst_ptr.h"

namespace vd {

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
  int64_t change = 0;  // frames to remove (> 0) or add (< 0)
  if (error > jump || error < -jump) {
    change = error;
  } else {
    const int64_t most = std::max<int64_t>(1, frames / kMaxShare);
    change = std::clamp(error > 0 ? error - tolerance : error + tolerance, -most, most);
  }
  const int64_t outFrames = std::max<int64_t>(0, frames - change);
  if (outFrames == 0) return nullptr;
  GstBuffer* result = gst_buffer_new_allocate(nullptr, outFrames * bytesPerFrame_, nullptr);
  GstMapInfo in, out;
  gst_buffer_map(buffer, &in, GST_MAP_READ);
  gst_buffer_map(result, &out, GST_MAP_WRITE);
  if (change > 0 && change < frames) {
    // Every (frames / change)-th frame is left out.
    int64_t w = 0;
    for (int64_t r = 0; r < frames && w < outFrames; ++r) {
      if ((r + 1) * change / frames != r * change / frames) continue;
      std::memcpy(out.data + w * bytesPerFrame_, in.data + r * bytesPerFrame_, bytesPerFrame_);
      ++w;
    }
  } else if (change < 0 && -change <= frames) {
    // Every (frames / added)-th frame is written twice.
    const int64_t added = -change;
    int64_t w = 0;
    for (int64_t r = 0; r < frames; ++r) {
      std::memcpy(out.data + w++ * bytesPerFrame_, in.data + r * bytesPerFrame_, bytesPerFrame_);
      if ((r + 1) * added / frames != r * added / frames)
        std::memcpy(out.data + w++ * bytesPerFrame_, in.data + r * bytesPerFrame_, bytesPerFrame_);
    }
  } else if (change < 0) {
    // A gap longer than the buffer: silence in front of it.
    const int64_t silence = outFrames - frames;
    std::memset(out.data, silence_, silence * bytesPerFrame_);
    std::memcpy(out.data + silence * bytesPerFrame_, in.data, frames * bytesPerFrame_);
  }
  gst_buffer_unmap(result, &out);
  gst_buffer_unmap(buffer, &in);
  gst_buffer_copy_into(result, buffer, GST_BUFFER_COPY_METADATA, 0, -1);
  GST_BUFFER_DURATION(result) = gst_util_uint64_scale(outFrames, GST_SECOND, rate_);
  out_ += outFrames;
  return result;
}

}  // namespace vd
