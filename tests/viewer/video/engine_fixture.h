// A capture engine on a private virtual TV box, with a host, a tuning context and a frame
// sink that record what the engine shows, and a loop that pumps the default main context.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "vd/device_enumerator.h"
#include "vd/settings/settings_store.h"
#include "vd/tuning/unattended_tuning.h"
#include "vd/video/capture_graph.h"
#include "vd/virtual_tv_box.h"

namespace vdtest {

class RecordingHost : public vd::CaptureHost {
 public:
  void ShowMessage(const std::string& text) override { messages.push_back(text); }
  void ShowMessageBox(const std::string& caption, const std::string& text) override {
    boxes.push_back(caption + "|" + text);
  }
  void SetTimer(uint32_t id, uint32_t ms) override { timers.push_back({id, ms}); }
  void KillTimer(uint32_t id) override { killed.push_back(id); }
  void ShowStatistics(const vd::StatisticsText& text) override { statistics.push_back(text); }
  void ShowCaptureProgress(double, int64_t) override {}
  void ShowStatusNote(const std::string& text) override { notes.push_back(text); }
  void OnWorkModeForced(vd::WorkMode mode) override { forcedMode = mode; }
  void OnDeviceLost() override { ++lost; }
  void RefreshControls() override { ++refreshed; }
  void OnCaptureAborted() override { ++aborted; }
  void RunCaptureCommand() override { ++captureCommands; }
  void MarkAlbumForRefresh() override { ++albumRefreshes; }
  void ResizeVideoArea(int32_t, int32_t) override {}
  bool OfferCard(const vd::CardOffer& card) override {
    return answerCard ? answerCard(card) : false;
  }
  void WaitForCopy(vd::CopyControl& control, const std::function<bool()>& finished) override {
    ++copies;
    if (duringCopy) duringCopy(control);
    while (!finished()) {
      g_main_context_iteration(nullptr, FALSE);
      g_usleep(1000);
    }
  }

  // Runs on the UI thread while a save's copy is under way.
  std::function<void(vd::CopyControl&)> duringCopy;
  int copies = 0;
  std::function<bool(const vd::CardOffer&)> answerCard;
  std::vector<std::string> messages;
  std::vector<std::string> boxes;
  std::vector<std::string> notes;
  std::vector<std::pair<uint32_t, uint32_t>> timers;
  std::vector<uint32_t> killed;
  std::vector<vd::StatisticsText> statistics;
  std::optional<vd::WorkMode> forcedMode;
  int lost = 0;
  int refreshed = 0;
  int aborted = 0;
  int captureCommands = 0;
  int albumRefreshes = 0;
};

// Composite video unless a test says otherwise; the tuner needs no settling time here.
// A film player's host for tests that only need a clip to play.
class SilentPlayerHost : public vd::FilePlayerHost {
 public:
  void ShowPlayerMessage(const std::string&) override {}
  void ResizeVideoArea(int32_t, int32_t) override {}
  void OnClipEnded() override {}
  void ShowPlaybackTimes(const std::string&, const std::string&) override {}
  bool StartPlaybackTimer(uint32_t, uint32_t) override { return false; }
  void StopPlaybackTimer(uint32_t) override {}
};

class FakeTuning : public vd::UnattendedTuning {
 public:
  FakeTuning() { workMode = vd::WorkMode::kComposite; }
  void Wait(uint32_t) override {}
};

class CountingSink : public vd::VideoFrameSink {
 public:
  void OnVideoFrame(const vd::VideoFrame& frame) override {
    std::lock_guard lock(mutex);
    ++frames;
    width = frame.width;
    height = frame.height;
    stride = frame.stride;
  }
  int Frames() {
    std::lock_guard lock(mutex);
    return frames;
  }
  std::mutex mutex;
  int frames = 0;
  int32_t width = 0;
  int32_t height = 0;
  int32_t stride = 0;
};

// What a recorded AVI holds, read back with avidemux.
struct AviContents {
  bool opened = false;
  int64_t videoFrames = 0;
  int64_t audioBuffers = 0;
  int64_t videoBytes = 0;
  std::string videoCaps;  // the media type of the video stream, e.g. "image/jpeg"
  // From the first buffer's start to the last one's end, as the demuxer times them.
  GstClockTime videoSpan = 0;
  GstClockTime audioSpan = 0;
  // Internal: the streams' first start and last end.
  GstClockTime videoStart = GST_CLOCK_TIME_NONE, videoEnd = 0;
  GstClockTime audioStart = GST_CLOCK_TIME_NONE, audioEnd = 0;
};
// `timeout`: how long the file may take to play through (a file of a gigabyte takes long).
AviContents ReadAvi(const std::string& path, GstClockTime timeout = 20 * GST_SECOND);

// Pumps the default main context until `done` or the timeout; returns done().
bool PumpUntil(const std::function<bool()>& done,
               std::chrono::milliseconds timeout = std::chrono::seconds(10));
void PumpFor(std::chrono::milliseconds time);

class EngineTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // A box with this configuration text (see VirtualBoxConfig), served by a fresh enumerator.
  void MakeBox(const std::string& config = "lock_time_ms = 0\n");
  // Writes a setting of the capture section before the engine starts.
  void SetDword(const std::string& name, int32_t value);
  std::unique_ptr<CaptureGraph> MakeEngine();
  // Init with the counting sink; asserts success.
  std::unique_ptr<CaptureGraph> StartEngine();
  // Captures for about `time`, driving the capture timer, then stops.
  void Capture(CaptureGraph& engine, std::chrono::milliseconds time);
  // Records with `album` as the still folder, copies the data folder mid-recording into
  // `snapshot` (what a kill leaves on disk), then stops and saves the recording.
  void RecordAndSave(const std::filesystem::path& album, const std::filesystem::path& snapshot,
                     std::filesystem::path* capture);
  // Puts the data folder back as the kill left it.
  static void PutBack(const std::filesystem::path& snapshot, const std::filesystem::path& data);

  std::filesystem::path dir;
  std::shared_ptr<vd::VirtualTvBox> box;
  std::unique_ptr<vd::DeviceEnumerator> devices;
  std::unique_ptr<vd::SettingsStore> store;
  RecordingHost host;
  FakeTuning tuning;
  CountingSink sink;
};

}  // namespace vdtest
