// CaptureGraph: the recording, its statistics, options and the capture file.
#include <sys/stat.h>
#include <sys/statvfs.h>

#include <algorithm>
#include <filesystem>

#include "avi_mend.h"
#include "capture_graph.h"
#include "capture_pipeline.h"
#include "disk_budget.h"
#include "vd/trace.h"
#include "video_standards.h"

VD_DEFINE_TRACE(TraceCapture, "video")

namespace {
constexpr auto kFinishTimeout = std::chrono::seconds(10);
constexpr auto kFailedWriterTimeout = std::chrono::seconds(1);
}  // namespace

bool CaptureGraph::BuildCaptureGraph() {
  if (lifecycle_.HasCaptureGraph()) return true;
  if (lifecycle_.IsPreviewing() || video_ == nullptr) return false;
  if (settings_.captureAudio && audio_ == nullptr && !audioOnCaptureFilter_) return false;
  if (lifecycle_.HasPreviewGraph()) TearDownGraph();

  vd::CapturePipelineConfig config;
  config.video = video_.get();
  if (settings_.captureAudio) config.audio = audio_ != nullptr ? audio_.get() : video_.get();
  config.path = file_.Path();
  config.reserveBytes = settings_.allocMem ? int64_t{settings_.preAllocSizeKb} * 1024 : 0;
  config.preview = wantPreview_ ? video_sink_ : nullptr;
  config.recording = settings_.recording;
  config.deinterlacePreview = settings_.deinterlaceLive;
  config.framesPerSecond = settings_.framesPerSecond;
  config.largestFile = file_.LargestCaptureFile();
  // avimux interleaves by time, and the sound is stretched to the time its stamps span and
  // the pictures repeated over the device's gaps, so the film keeps the pictures' clock
  // whichever stream the user made the master (the Capture page says so).
  if (settings_.useFrameRate) {
    int64_t interval = vd::CaptureSettings::IntervalOfFps(settings_.framesPerSecond);
    // No device runs faster than its standard: a stored rate above it records at the most.
    uint32_t standard = 0;
    video_->TvFormat(&standard);
    interval = std::max(interval, vd::standard::FrameIntervalOf(standard));
    vd::VideoFormat format;
    if (vd::Failed(video_->GetVideoFormat(vd::PinKind::kCapture, &format))) {
      Fail("Cannot set frame rate for capture");
    } else {
      format.frameInterval = interval;
      if (vd::Failed(video_->SetVideoFormat(vd::PinKind::kCapture, format)))
        Fail("Cannot set frame rate for capture");
    }
    config.frameInterval = interval;
  }
  std::string failure;
  capture_ = vd::CapturePipeline::Create(config, &failure);
  if (capture_ == nullptr) {
    Fail(failure);
    TearDownGraph();
    return false;
  }
  stills_.Connect(video_.get(), capture_->Pipeline());
  WatchBus(capture_->Pipeline(), &captureWatch_);
  lifecycle_.MoveTo(vd::CaptureStage::kCaptureBuilt);
  return true;
}

bool CaptureGraph::BeginCapture() {
  // The recording would empty the file a save is still copying. Refused as the busy window
  // refuses its record key: quietly, with nothing torn down.
  if (file_.SavingCopy()) {
    TraceCapture("no recording while a save copies the capture file\n");
    return false;
  }
  // Refused before anything is torn down: the live picture and its sound go on.
  if (!SignalPresent()) {
    Fail("Warning: You can not Capture while there is no Video signal");
    return false;
  }
  StopPlayer();
  if (lifecycle_.IsPreviewing() && !StopPreview(false)) return false;
  if (lifecycle_.HasPreviewGraph()) TearDownGraph();
  // The next recording empties the capture file: the last one goes to the album first.
  KeepUnsavedCapture();
  if (file_.HasUnsavedCapture()) {
    Fail("The last recording was not saved, and a new one would overwrite it: " +
         file_.KeepFailure() + ".\nIt is still in " + file_.Path() +
         ". Let a folder named here be written to, or move that file elsewhere, then record "
         "again.");
    lifecycle_.CaptureFailed();  // the preview is gone: returning to live builds it again
    return false;
  }
  if (file_.IsForeign()) {
    Fail("The capture file " + file_.Path() +
         " holds something that is not a recording of this program, and a recording would "
         "overwrite it. Move that file elsewhere, or name another capture file, then record "
         "again.");
    lifecycle_.CaptureFailed();
    return false;
  }
  stillOnDisplay_ = false;
  if (BuildCaptureGraph() && StartCapture()) return true;
  // The preview is gone: returning to live must build it again.
  lifecycle_.CaptureFailed();
  return false;
}

bool CaptureGraph::StartCapture() {
  if (file_.SavingCopy()) return false;
  if (!SignalPresent()) {
    Fail("Warning: You can not Capture while there is no Video signal");
    return false;
  }
  if (lifecycle_.IsCapturing()) return true;
  if (lifecycle_.IsPreviewing()) StopPreview(false);
  if (!lifecycle_.HasCaptureGraph() || capture_ == nullptr) return false;
  ResetStatistics();
  lastStatsKnown_ = false;
  droppedBaseline_ = 0;
  vd::FrameCounts counts;
  if (vd::Succeeded(video_->GetFrameCounts(&counts))) droppedBaseline_ = counts.dropped;
  file_.RecordingStarts();
  if (!capture_->Start()) {
    gst_element_set_state(capture_->Pipeline(), GST_STATE_NULL);
    // The capture file may have been emptied already: nothing in it is a film to save.
    file_.RecordingRefused(capture_->FramesWritten());
    Fail("Error: Cannot start graph");
    return false;
  }
  startMs_ = NowMs();
  host_.SetTimer(kCaptureTimer, kCaptureTimerMs);
  lifecycle_.MoveTo(vd::CaptureStage::kCapturing);
  return true;
}

void CaptureGraph::EndRecording(bool writerFailed) {
  host_.KillTimer(kCaptureTimer);
  const std::string& path = file_.Path();
  int64_t frames = capture_ != nullptr ? capture_->FramesWritten() : file_.FramesRecorded();
  bool unmended = false;
  // A writer that fails on the last writes (the disk filling as the index goes out) still
  // lets the end of the stream through, so the file itself says whether it is whole.
  if (capture_ != nullptr &&
      (!capture_->Finish(writerFailed ? kFailedWriterTimeout : kFinishTimeout) || writerFailed ||
       !vd::AviMend::IsWhole(path))) {
    // The muxer could not write the end of the file: what reached the disk is kept. On a
    // full disk the index may not fit yet; it is tried again before the film is kept.
    std::string why;
    uint32_t mended = 0;
    unmended = !vd::AviMend::Mend(path, &why, &mended);
    if (unmended) TraceCapture("mend failed: %s\n", why.c_str());
    // Counted now: the pipeline goes when the live picture returns, before a save is asked.
    // A picture the writer took but could not write (the disk full under it) is not in the
    // film, while the sound before it is: the film holds what the mend found.
    frames = capture_->FramesWritten();
    if (!unmended) frames = std::min<int64_t>(frames, mended);
  } else if (capture_ != nullptr) {
    frames = capture_->FramesWritten();
  }
  stopMs_ = NowMs();
  lastStatsKnown_ = GetStatistics(true, &lastStats_);
  ShowStatistics(true);
  lifecycle_.MoveTo(vd::CaptureStage::kCaptureFinished);
  file_.RecordingEnded(frames, unmended);
}

bool CaptureGraph::StopCapture() {
  if (!lifecycle_.IsCapturing()) return false;
  EndRecording();
  return true;
}

void CaptureGraph::ReturnToLive() {
  // Live already (a capture refused before it touched anything): picture and sound go on.
  if (!lifecycle_.IsCapturing() && !lifecycle_.CaptureEnded() && !stillOnDisplay_) return;
  if (!stillOnDisplay_) {
    StopAudioPreview();
    StopCapture();
  }
  if (lifecycle_.CaptureEnded() || stillOnDisplay_) {
    BuildPreviewGraph();
    StartAudioPreview();
    StartPreview();
    lifecycle_.LiveRestored();
    stillOnDisplay_ = false;
  }
}

bool CaptureGraph::TimeLimitReached() const {
  // In milliseconds: a command-line recording may ask for a fraction of a second more.
  return settings_.useTimeLimit &&
         static_cast<double>(NowMs() - startMs_) >= settings_.timeLimit * 1000.0;
}

bool CaptureGraph::LastRecordingStatistics(vd::StatisticsRecord* record) const {
  if (!lastStatsKnown_) return false;
  *record = lastStats_;
  return true;
}

bool CaptureGraph::GetStatistics(bool final, vd::StatisticsRecord* record) {
  if (capture_ == nullptr || video_ == nullptr) return false;
  // The file repeats a picture for each one lost: those count as dropped, not captured.
  // While recording, pictures on their way (in a queue, the filler or an encoder's look-ahead)
  // are neither written nor lost: they count as captured, and only those let go so far count
  // as dropped.
  const int64_t lostSoFar = final ? 0 : capture_->FramesLostSoFar();
  int64_t captured =
      final ? std::max<int64_t>(0, capture_->FramesWritten() - capture_->FramesRepeated())
            : std::max<int64_t>(0, capture_->FramesProduced() - lostSoFar);
  vd::FrameCounts counts;
  int64_t deviceDropped = 0;
  if (vd::Succeeded(video_->GetFrameCounts(&counts)))
    deviceDropped = counts.dropped - droppedBaseline_;
  int64_t lost = final ? capture_->FramesProduced() - captured : lostSoFar;
  int64_t dropped = deviceDropped + std::max<int64_t>(0, lost);
  int64_t frames = capture_->FramesWritten();
  int64_t average = frames > 0 ? capture_->VideoBytesWritten() / frames : 0;
  if (final) {
    *record = vd::CaptureStatistics::Final(captured, dropped, stopMs_ - startMs_, average);
  } else {
    *record = vd::CaptureStatistics::Live(captured, dropped, NowMs() - startMs_, average);
  }
  return true;
}

void CaptureGraph::ShowStatistics(bool final) {
  if (!GetStatistics(final, &last_)) return;
  vd::StatisticsText text = vd::CaptureStatistics::TextOf(last_);
  if (final) diskAskedMs_ = -1;  // what the recording left, not a second ago
  text.disk = DiskLeftText(true);
  host_.ShowStatistics(text);
  int64_t average = last_.captured > 0 ? capture_->VideoBytesWritten() / last_.captured : 0;
  host_.ShowCaptureProgress(last_.seconds, last_.captured * average);
}

void CaptureGraph::ResetStatistics() {
  vd::StatisticsText text;
  diskAskedMs_ = -1;
  text.disk = DiskLeftText(false);
  host_.ShowStatistics(text);
}

double CaptureGraph::ExpectedBytesPerSecond() {
  vd::VideoFormat format;
  if (video_ == nullptr || vd::Failed(video_->GetVideoFormat(vd::PinKind::kCapture, &format)))
    return 0;
  double fps = format.frameInterval > 0 ? 1e7 / static_cast<double>(format.frameInterval) : 0;
  if (settings_.useFrameRate && settings_.framesPerSecond > 0)
    fps = fps > 0 ? std::min(fps, settings_.framesPerSecond) : settings_.framesPerSecond;
  int64_t sound = 0;
  vd::CaptureDevice* audio = audio_ != nullptr ? audio_.get() : video_.get();
  vd::AudioFormat audioFormat;
  if (settings_.captureAudio &&
      vd::Succeeded(audio->GetAudioFormat(vd::PinKind::kAudioCapture, &audioFormat)))
    sound = audioFormat.AvgBytesPerSec();
  return vd::DiskBudget::ExpectedBytesPerSecond(settings_.recording, format.width,
                                                std::abs(format.height), fps, sound);
}

const std::string& CaptureGraph::DiskLeftText(bool started) {
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
  const int64_t freeKb = FreeDiskSpaceKB(file_.Path());
  if (freeKb < 0) {
    diskText_.clear();
    return diskText_;
  }
  const int64_t elapsedMs = (lifecycle_.IsCapturing() ? now : stopMs_) - startMs_;
  const double rate = started && elapsedMs >= kOwnRateAfterMs
                          ? static_cast<double>(size) * 1000.0 / static_cast<double>(elapsedMs)
                          : ExpectedBytesPerSecond();
  diskText_ = vd::DiskBudget::TextOf(vd::DiskBudget::SecondsLeft(
      std::min(vd::DiskBudget::FileCapacity(held, freeKb * 1024), file_.LargestCaptureFile()), size,
      rate));
  return diskText_;
}

void CaptureGraph::OnTimer(uint32_t id) {
  if (id != kCaptureTimer || !lifecycle_.IsCapturing()) return;
  ShowStatistics(false);
  if (TimeLimitReached()) host_.RunCaptureCommand();
}

vd::CaptureOptions CaptureGraph::GetCaptureOptions() {
  uint32_t standard = 0;
  if (video_ != nullptr) video_->TvFormat(&standard);
  vd::CaptureOptions o;
  o.maxFramesPerSecond = vd::VideoStandards::MaxFramesPerSecond(standard);
  if (settings_.framesPerSecond > o.maxFramesPerSecond)
    settings_.framesPerSecond = o.maxFramesPerSecond;
  o.framesPerSecond = settings_.framesPerSecond;
  o.timeLimit = settings_.timeLimit;
  o.useFrameRate = settings_.useFrameRate;
  o.useTimeLimit = settings_.useTimeLimit;
  o.masterStream = settings_.masterStream;
  o.captureAudio = settings_.captureAudio;
  o.recording = settings_.recording;
  o.deinterlaceLive = settings_.deinterlaceLive;
  o.keepPictureAspect = settings_.keepPictureAspect;
  return o;
}

void CaptureGraph::SetCaptureOptions(const vd::CaptureOptions& o) {
  settings_.timeLimit = o.timeLimit;
  settings_.useFrameRate = o.useFrameRate;
  settings_.useTimeLimit = o.useTimeLimit;
  settings_.masterStream = o.masterStream;
  // Taken by the next recording's graph, which is built from the settings anew.
  settings_.recording = o.recording;
  // A recording's own preview keeps its chain: the setting applies from the next one.
  if (o.deinterlaceLive != settings_.deinterlaceLive) SetLiveDeinterlace(o.deinterlaceLive);
  settings_.keepPictureAspect = o.keepPictureAspect;
  if (video_sink_ != nullptr) video_sink_->SetKeepPictureAspect(o.keepPictureAspect);
  if (lifecycle_.IsCapturing()) {
    // Tearing down would end the recording: the rest applies to the next one, whose graph
    // is built from the settings anew.
    settings_.captureAudio = o.captureAudio;
    if (o.useFrameRate) settings_.framesPerSecond = o.framesPerSecond;
    return;
  }
  bool rebuild = false;
  if (o.captureAudio != settings_.captureAudio) {
    StopPreview(true);
    settings_.captureAudio = o.captureAudio;
    TearDownGraph();
    rebuild = true;
  }
  if (o.useFrameRate && o.framesPerSecond != settings_.framesPerSecond && video_ != nullptr) {
    settings_.framesPerSecond = o.framesPerSecond;
    StopPreview(true);
    vd::VideoFormat format;
    bool ok = vd::Succeeded(video_->GetVideoFormat(vd::PinKind::kCapture, &format));
    if (ok) {
      format.frameInterval = vd::CaptureSettings::IntervalOfFps(o.framesPerSecond);
      ok = vd::Succeeded(video_->SetVideoFormat(vd::PinKind::kCapture, format));
      if (!ok) Fail("ERROR: Cannot set new frame rate");
    }
    if (!ok) Fail("Cannot set frame rate for capture");
    // The sources take their format when they are made.
    TearDownGraph();
    rebuild = true;
  }
  // A clip or a still in the video area keeps it; the live picture comes back with live.
  if (rebuild && wantPreview_ && !FileShown() && BuildPreviewGraph()) StartPreview();
}

vd::FileOptions CaptureGraph::GetFileOptions() {
  return file_.Options();
}

void CaptureGraph::SetFileOptions(const vd::FileOptions& options) {
  file_.SetOptions(options);
}

bool CaptureGraph::SaveCaptureAs(const std::string& target) {
  if (!file_.SaveAs(target)) return false;
  StopAudioPreview();
  StopPreview(true);
  if (player_ != nullptr) player_->OpenAndShow(target);
  return true;
}

std::string CaptureGraph::KeepUnsavedCapture() {
  return KeepUnsaved(true);
}

std::string CaptureGraph::KeepUnsaved(bool tell) {
  bool albumKnown = false;
  const std::string album = stills_.Album(&albumKnown);
  return file_.Keep(album, albumKnown, tell, [this] {
    if (lifecycle_.HasCaptureGraph()) TearDownGraph();
  });
}

int64_t CaptureGraph::FreeDiskSpaceKB(const std::string& path) {
  std::error_code ec;
  std::filesystem::path p = std::filesystem::absolute(path, ec);
  while (!p.empty() && !std::filesystem::exists(p, ec) && p != p.root_path()) p = p.parent_path();
  struct statvfs fs {};
  if (p.empty() || ::statvfs(p.c_str(), &fs) != 0) return -1;
  return static_cast<int64_t>(fs.f_bavail) * static_cast<int64_t>(fs.f_frsize) / 1024;
}

bool CaptureGraph::ApplyAudioFormat(const vd::AudioFormat& format) {
  if (audio_ == nullptr) return false;
  bool wasPreviewing = lifecycle_.IsPreviewing();
  bool wasSounding = AudioPreviewRunning();
  StopAudioPreview();
  if (wasPreviewing) StopPreview(true);
  bool ok = vd::Succeeded(audio_->SetAudioFormat(vd::PinKind::kAudioCapture, format));
  // A clip or a still on show keeps the video area, and a clip its own sound.
  if (wasSounding || !FileShown()) StartAudioPreview();
  if (wantPreview_ && !FileShown()) StartPreview();
  return ok;
}
