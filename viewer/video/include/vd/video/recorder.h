// One recording at a time: its pipeline, its statistics, the recording time left on the disk
// and the capture file it writes.
//
// Threads: the UI thread.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "capture_file.h"
#include "capture_statistics.h"

namespace vd {
class CaptureDevice;
class DeviceRouter;
class CaptureHost;
class CaptureLifecycle;
class CapturePipeline;
class VideoFrameSink;
struct CaptureSettings;

class Recorder {
 public:
  // Tells the user (UI thread).
  using Tell = std::function<void(const std::string&)>;
  // The devices are the router's, read when they are needed: they come and go with it.
  Recorder(CaptureSettings& settings, CaptureHost& host, const CaptureLifecycle& lifecycle,
           const DeviceRouter& devices, Tell tell);
  ~Recorder();
  Recorder(const Recorder&) = delete;
  Recorder& operator=(const Recorder&) = delete;

  // The recording's pipeline from the settings, showing its picture in `preview` (null:
  // none); false with the reason told.
  bool Build(VideoFrameSink* preview);
  // The pipeline built, null without one.
  CapturePipeline* Pipeline() const { return capture_.get(); }
  // Starts the built pipeline; the statistics count from here.
  bool Start(uint32_t timer, uint32_t timerMs);
  // Finishes the file (index and headers) and shows the final statistics. A writer that
  // failed by itself will not take the index either: it gets a short wait only.
  void End(uint32_t timer, bool writerFailed);
  // The pipeline goes (after its recording ended).
  void Release();

  bool GetStatistics(bool final, StatisticsRecord* record);
  // The final statistics of the last recording, as they were when it ended: they outlive
  // the pipeline, which goes when the live picture is built again after an early end.
  bool LastRecordingStatistics(StatisticsRecord* record) const;
  // The live statistics to the host; true when the recording's time limit is reached.
  bool ShowProgress();

  CaptureFile& File() { return file_; }
  const CaptureFile& File() const { return file_; }

 private:
  // The capture pin at the stored rate (never above the standard's); 0 without a rate.
  int64_t ApplyFrameRate();
  void ShowStatistics(bool final);
  void ResetStatistics();
  bool TimeLimitReached() const;
  // The recording time left on the capture file's disk, asked again at most once a second:
  // at the recording's own rate once it has run a while, before that at its format's.
  const std::string& DiskLeftText(bool started);
  double ExpectedBytesPerSecond();
  static int64_t NowMs();

  CaptureSettings& settings_;
  CaptureHost& host_;
  const CaptureLifecycle& lifecycle_;
  const DeviceRouter& devices_;
  const Tell tell_;
  CaptureFile file_;
  std::unique_ptr<CapturePipeline> capture_;

  int64_t startMs_ = 0;
  int64_t stopMs_ = 0;
  bool lastStatsKnown_ = false;
  StatisticsRecord lastStats_;
  int64_t droppedBaseline_ = 0;
  // The pictures the ended recording's file holds; -1 while one runs.
  int64_t filmFrames_ = -1;
  StatisticsRecord last_;
  int64_t diskAskedMs_ = -1;  // -1: ask at once
  std::string diskText_;
};
}  // namespace vd
