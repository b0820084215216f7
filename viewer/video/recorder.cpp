#include "vd/video/recorder.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>

#include "avi_mend.h"
#include "vd/capture_device.h"
#include "vd/trace.h"
#include "vd/video/capture_host.h"
#include "vd/video/capture_lifecycle.h"
#include "vd/video/capture_pipeline.h"
#include "vd/video/capture_settings.h"
#include "vd/video/device_router.h"
#include "vd/video/disk_budget.h"
#include "video_standards.h"

VD_DEFINE_TRACE(TraceRecorder, "video")

namespace vd {
namespace {
constexpr auto kFinishTimeout = std::chrono::seconds(10);
constexpr auto kFailedWriterTimeout = std::chrono::seconds(1);
}  // namespace

Recorder::Recorder(CaptureSettings& settings, CaptureHost& host, const CaptureLifecycle& lifecycle,
                   const DeviceRouter& devices, Tell tell)
    : settings_(settings),
      host_(host),
      lifecycle_(lifecycle),
      devices_(devices),
      tell_(std::move(tell)),
      file_(settings, host, lifecycle) {}

Recorder::~Recorder() = default;

int64_t Recorder::NowMs() {
  return static_cast<int64_t>(g_get_monotonic_time() / 1000);
}

bool Recorder::Build(VideoFrameSink* preview) {
  CapturePipelineConfig config;
  config.video = devices_.Video();
  if (settings_.captureAudio && devices_.HasSound())
    config.audio = devices_.Audio() != nullptr ? devices_.Audio() : devices_.Video();
  config.path = file_.Path();
  config.reserveBytes = settings_.allocMem ? int64_t{settings_.preAllocSizeKb} * 1024 : 0;
  config.preview = preview;
  config.recording = settings_.recording;
  config.deinterlacePreview = settings_.deinterlaceLive;
  config.framesPerSecond = settings_.framesPerSecond;
  config.largestFile = file_.LargestCaptureFile();
  // avimux interleaves by time, and the sound is stretched to the time its stamps span and
  // the pictures repeated over the device's gaps, so the film keeps the pictures' clock
  // whichever stream the user made the master (the Capture page says so).
  if (settings_.useFrameRate) config.frameInterval = ApplyFrameRate();
  std::string failure;
  capture_ = CapturePipeline::Create(config, &failure);
  if (capture_ == nullptr) {
    tell_(failure);
    return false;
  }
  return true;
}

int64_t Recorder::ApplyFrameRate() {
  // No device runs faster than its standard: a stored rate above it records at the most
  // (NTSC's 30000/1001 for a stored 30).
  int64_t fastest = 0;
  devices_.Video()->MaxAvailableFrameInterval(PinKind::kCapture, 320, 240, &fastest);
  uint32_t standard = 0;
  devices_.Video()->TvFormat(&standard);
  const int64_t interval =
      std::max({int64_t{CaptureSettings::IntervalOfFps(settings_.framesPerSecond)}, fastest,
                standard::FrameIntervalOf(standard)});
  VideoFormat format;
  if (Failed(devices_.Video()->GetVideoFormat(PinKind::kCapture, &format))) {
    tell_("Cannot set frame rate for capture");
  } else {
    format.frameInterval = interval;
    if (Failed(devices_.Video()->SetVideoFormat(PinKind::kCapture, format)))
      tell_("Cannot set frame rate for capture");
  }
  return interval;
}

bool Recorder::Start(uint32_t timer, uint32_t timerMs) {
  if (capture_ == nullptr) return false;
  ResetStatistics();
  lastStatsKnown_ = false;
  droppedBaseline_ = 0;
  filmFrames_ = -1;
  FrameCounts counts;
  if (Succeeded(devices_.Video()->GetFrameCounts(&counts))) droppedBaseline_ = counts.dropped;
  file_.RecordingStarts();
  if (!capture_->Start()) {
    gst_element_set_state(capture_->Pipeline(), GST_STATE_NULL);
    // The capture file may have been emptied already: nothing in it is a film to save.
    file_.RecordingRefused(capture_->FramesWritten());
    tell_("Error: Cannot start graph");
    return false;
  }
  startMs_ = NowMs();
  host_.SetTimer(timer, timerMs);
  return true;
}

void Recorder::End(uint32_t timer, bool writerFailed) {
  host_.KillTimer(timer);
  int64_t frames = file_.FramesRecorded();
  bool unmended = false;
  if (capture_ != nullptr) {
    // A writer that fails on the last writes (the disk filling as the index goes out) still
    // lets the end of the stream through, so the file itself says whether it is whole.
    const bool whole = capture_->Finish(writerFailed ? kFailedWriterTimeout : kFinishTimeout) &&
                       !writerFailed && AviMend::IsWhole(file_.Path());
    // Counted now: the pipeline goes when the live picture returns, before a save is asked.
    frames = capture_->FramesWritten();
    if (!whole) {
      // The muxer could not write the end of the file: what reached the disk is kept. On a
      // full disk the index may not fit yet; it is tried again before the film is kept.
      std::string why;
      uint32_t mended = 0;
      unmended = !AviMend::Mend(file_.Path(), &why, &mended);
      if (unmended) TraceRecorder("mend failed: %s\n", why.c_str());
      // A picture the writer took but could not write (the disk full under it) is not in
      // the film, while the sound before it is: the film holds what the mend found.
      if (!unmended) frames = std::min<int64_t>(frames, mended);
    }
  }
  stopMs_ = NowMs();
  filmFrames_ = frames;
  lastStatsKnown_ = GetStatistics(true, &lastStats_);
  ShowStatistics(true);
  file_.RecordingEnded(frames, unmended);
}

void Recorder::Release() {
  capture_.reset();
}

bool Recorder::TimeLimitReached() const {
  // In milliseconds: a command-line recording may ask for a fraction of a second more.
  return settings_.useTimeLimit &&
         static_cast<double>(NowMs() - startMs_) >= settings_.timeLimit * 1000.0;
}

bool Recorder::ShowProgress() {
  ShowStatistics(false);
  return TimeLimitReached();
}

bool Recorder::LastRecordingStatistics(StatisticsRecord* record) const {
  if (!lastStatsKnown_) return false;
  *record = lastStats_;
  return true;
}

bool Recorder::GetStatistics(bool final, StatisticsRecord* record) {
  if (capture_ == nullptr || devices_.Video() == nullptr) return false;
  // The file repeats a picture for each one lost: those count as dropped, not captured.
  // While recording, pictures on their way (in a queue, the filler or an encoder's look-ahead)
  // are neither written nor lost: they count as captured, and only those let go so far count
  // as dropped.
  int64_t captured = 0;
  int64_t dropped = 0;
  if (final) {
    // From what the writer wrote, as far as the file kept it: its repeats stand for the
    // pictures lost (the device's as well), the rest were captured. Pictures still on their
    // way when the recording ended, or cut off with its end, are in neither, so the counts
    // add up to the film's frames however loaded the machine was.
    const int64_t film = filmFrames_ >= 0 ? std::min(filmFrames_, capture_->FramesWritten())
                                          : capture_->FramesWritten();
    dropped = std::clamp<int64_t>(capture_->FramesRepeated(), 0, film);
    captured = film - dropped;
  } else {
    const int64_t lostSoFar = capture_->FramesLostSoFar();
    captured = std::max<int64_t>(0, capture_->FramesProduced() - lostSoFar);
    FrameCounts counts;
    int64_t deviceDropped = 0;
    if (Succeeded(devices_.Video()->GetFrameCounts(&counts)))
      deviceDropped = counts.dropped - droppedBaseline_;
    dropped = deviceDropped + std::max<int64_t>(0, lostSoFar);
  }
  int64_t frames = capture_->FramesWritten();
  int64_t average = frames > 0 ? capture_->VideoBytesWritten() / frames : 0;
  if (final) {
    *record = CaptureStatistics::Final(captured, dropped, stopMs_ - startMs_, average);
  } else {
    *record = CaptureStatistics::Live(captured, dropped, NowMs() - startMs_, average);
  }
  return true;
}

void Recorder::ShowStatistics(bool final) {
  if (!GetStatistics(final, &last_)) return;
  StatisticsText text = CaptureStatistics::TextOf(last_);
  if (final) diskAskedMs_ = -1;  // what the recording left, not a second ago
  text.disk = DiskLeftText(true);
  host_.ShowStatistics(text);
  int64_t average = last_.captured > 0 ? capture_->VideoBytesWritten() / last_.captured : 0;
  host_.ShowCaptureProgress(last_.seconds, last_.captured * average);
}

void Recorder::ResetStatistics() {
  StatisticsText text;
  diskAskedMs_ = -1;
  text.disk = DiskLeftText(false);
  host_.ShowStatistics(text);
}

double Recorder::ExpectedBytesPerSecond() {
  VideoFormat format;
  if (devices_.Video() == nullptr ||
      Failed(devices_.Video()->GetVideoFormat(PinKind::kCapture, &format)))
    return 0;
  double fps = format.frameInterval > 0 ? 1e7 / static_cast<double>(format.frameInterval) : 0;
  if (settings_.useFrameRate && settings_.framesPerSecond > 0)
    fps = fps > 0 ? std::min(fps, settings_.framesPerSecond) : settings_.framesPerSecond;
  int64_t sound = 0;
  CaptureDevice* audio = devices_.Audio() != nullptr ? devices_.Audio() : devices_.Video();
  AudioFormat audioFormat;
  if (settings_.captureAudio && devices_.HasSound() &&
      Succeeded(audio->GetAudioFormat(PinKind::kAudioCapture, &audioFormat)))
    sound = audioFormat.AvgBytesPerSec();
  return DiskBudget::ExpectedBytesPerSecond(settings_.recording, format.width,
                                            std::abs(format.height), fps, sound);
}

const std::string& Recorder::DiskLeftText(bool started) {
  // A second or two of the recording's own figures: the muxer writes in bursts at first.
  constexpr int64_t kOwnRateAfterMs = 2000;
  const int64_t now = NowMs();
  if (diskAskedMs_ >= 0 && now - diskAskedMs_ < 1000) return diskText_;
  diskAskedMs_ = now;
  struct stat st {};
  int64_t size = 0;
  int64_t held = 0;
  if (::stat(file_.Path().c_str(), &st) == 0) {
    held = std::max<int64_t>(st.st_size, static_cast<int64_t>(st.st_blocks) * 512);
    size = started ? st.st_size : 0;  // before the start the file is emptied
  }
  const int64_t freeKb = CaptureFile::FreeDiskSpaceKB(file_.Path());
  if (freeKb < 0) {
    diskText_.clear();
    return diskText_;
  }
  const int64_t elapsedMs = (lifecycle_.IsCapturing() ? now : stopMs_) - startMs_;
  const double rate = started && elapsedMs >= kOwnRateAfterMs
                          ? static_cast<double>(size) * 1000.0 / static_cast<double>(elapsedMs)
                          : ExpectedBytesPerSecond();
  diskText_ = DiskBudget::TextOf(DiskBudget::SecondsLeft(
      std::min(DiskBudget::FileCapacity(held, freeKb * 1024), file_.LargestCaptureFile()), size,
      rate));
  return diskText_;
}
}  // namespace vd
