#include "vd/video/playback_clock.h"

#include <cstdio>

namespace vd {

PlaybackClock::PlaybackClock(Host* host) : host_(host) {}

std::string PlaybackClock::FormatTime(int32_t seconds) {
  if (seconds < 0) seconds = 0;
  char text[32];
  std::snprintf(text, sizeof text, "%02d:%02d", seconds / 60, seconds % 60);
  return text;
}

void PlaybackClock::SetLength(int32_t seconds) {
  length_ = seconds < 0 ? kUnknownLength : seconds;
}

void PlaybackClock::Start() {
  elapsed_ = 0;
  host_->ShowElapsed(FormatTime(0));
  StartTimer();
}

void PlaybackClock::Stop() {
  StopTimer();
  elapsed_ = 0;
  host_->ShowElapsed(FormatTime(0));
}

void PlaybackClock::Hold() {
  StopTimer();
}

void PlaybackClock::Resume() {
  if (elapsed_ == 0) {
    Start();
    return;
  }
  StartTimer();
}

void PlaybackClock::Seek(int32_t seconds) {
  if (seconds < 0) seconds = 0;
  if (length_ != kUnknownLength && seconds > length_) seconds = length_;
  elapsed_ = seconds;
  host_->ShowElapsed(FormatTime(elapsed_));
}

void PlaybackClock::OnTimer(uint32_t id) {
  // A tick can already be queued in the host's loop when the timer is stopped.
  if (id != kTimerId || !running_) return;
  if (length_ != kUnknownLength && elapsed_ + 1 > length_) {
    StopTimer();
    host_->OnClockEnded();
    return;
  }
  ++elapsed_;
  host_->ShowElapsed(FormatTime(elapsed_));
}

void PlaybackClock::StartTimer() {
  // Restarting a running timer would leave the host with two ticks per second.
  if (running_) host_->StopClockTimer(kTimerId);
  running_ = true;
  host_->StartClockTimer(kTimerId, kTickMs);
}

void PlaybackClock::StopTimer() {
  if (!running_) return;
  running_ = false;
  host_->StopClockTimer(kTimerId);
}

}  // namespace vd
