// Test clips made with GStreamer on the spot, a host that records what the player asks of
// the window, a frame sink that counts pictures, and a bounded wait that runs the default
// GLib main context the way the viewer's UI loop does.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "vd/video/file_player.h"
#include "vd/video/video_frame_sink.h"

namespace playertest {

// Runs `description` (a gst-launch line) until it ends; false when it fails.
bool RunPipeline(const std::string& description);

// Runs the default main context until `done` holds or `limit` passes.
bool RunUntil(const std::function<bool()>& done,
              std::chrono::milliseconds limit = std::chrono::seconds(15));

class RecordingHost : public vd::FilePlayerHost {
 public:
  explicit RecordingHost(bool ownTimer) : ownTimer_(ownTimer) {}

  void ShowPlayerMessage(const std::string& text) override { messages.push_back(text); }
  void ResizeVideoArea(int32_t width, int32_t height) override {
    resizes.emplace_back(width, height);
  }
  void OnClipEnded() override {
    ++clipsEnded;
    if (onClipEnded) onClipEnded();
  }
  void ShowPlaybackTimes(const std::string& length, const std::string& elapsed) override {
    times.emplace_back(length, elapsed);
  }
  bool StartPlaybackTimer(uint32_t id, uint32_t periodMs) override {
    if (!ownTimer_) return false;
    timerRunning = true;
    timerId = id;
    timerPeriod = periodMs;
    return true;
  }
  void StopPlaybackTimer(uint32_t id) override {
    EXPECT_EQ(id, timerId);
    timerRunning = false;
  }

  std::string Elapsed() const { return times.empty() ? "" : times.back().second; }
  std::string Length() const { return times.empty() ? "" : times.back().first; }

  std::vector<std::string> messages;
  std::vector<std::pair<int32_t, int32_t>> resizes;
  std::vector<std::pair<std::string, std::string>> times;
  int clipsEnded = 0;
  std::function<void()> onClipEnded;
  bool timerRunning = false;
  uint32_t timerId = 0;
  uint32_t timerPeriod = 0;

 private:
  bool ownTimer_;
};

// Pictures arrive on a streaming thread; the test reads them on its own.
class CountingSink : public vd::VideoFrameSink {
 public:
  struct Picture {
    int32_t width = 0;
    int32_t height = 0;
    int32_t stride = 0;
    uint8_t blue = 0, green = 0, red = 0;  // the centre pixel
  };

  void OnVideoFrame(const vd::VideoFrame& frame) override;
  int Count() const;
  Picture Last() const;
  void Reset();

 private:
  mutable std::mutex mutex_;
  int count_ = 0;
  Picture last_;
};

// The clips every test uses, made once per test program in a temporary folder.
struct Clips {
  std::string folder;
  std::string film;      // 2 s, 176 x 144 blue pictures at 10 per second, with sound
  std::string sound;     // 1 s of sound only
  std::string longFilm;  // 65 s, tiny pictures at 1 per second
  std::string notAFilm;  // text under an .avi name
};
const Clips& TestClips();

}  // namespace playertest
