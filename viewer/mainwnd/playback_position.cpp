#include "playback_position.h"

#include <algorithm>
#include <charconv>

#include "vd/video/playback_clock.h"

namespace vd {

namespace {

std::optional<int32_t> Digits(const std::string& text, size_t from, size_t to) {
  if (from >= to) return std::nullopt;
  int32_t value = 0;
  const auto [end, error] = std::from_chars(text.data() + from, text.data() + to, value);
  if (error != std::errc() || end != text.data() + to || value < 0) return std::nullopt;
  return value;
}

}  // namespace

std::optional<int32_t> PlaybackPosition::ParseTime(const std::string& text) {
  const size_t colon = text.find(':');
  if (colon == std::string::npos || text.size() - colon != 3 || colon < 2) return std::nullopt;
  const auto minutes = Digits(text, 0, colon);
  const auto seconds = Digits(text, colon + 1, text.size());
  if (!minutes || !seconds || *seconds > 59 || *minutes > 35791394) return std::nullopt;
  return *minutes * 60 + *seconds;
}

void PlaybackPosition::Open(int32_t seconds) {
  length_ = seconds < 0 ? -1 : seconds;
  elapsed_ = 0;
  lengthText_ = PlaybackClock::FormatTime(std::max(seconds, 0));
  elapsedText_ = PlaybackClock::FormatTime(0);
}

void PlaybackPosition::ShowTimes(const std::string& length, const std::string& elapsed) {
  lengthText_ = length;
  elapsedText_ = elapsed;
  // A text the bar cannot read leaves the slider where it was rather than at the start.
  if (const auto value = ParseTime(elapsed)) {
    elapsed_ = Seekable() ? std::min(*value, length_) : *value;
  }
}

std::optional<int32_t> PlaybackPosition::SeekTarget(int32_t value) const {
  if (!Seekable()) return std::nullopt;
  return std::clamp(value, 0, length_);
}

}  // namespace vd
