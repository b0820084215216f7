// CaptureGraph: the recording, its statistics, options and the capture file.
#include <sys/stat.h>
#include <sys/statvfs.h>

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "avi_mend.h"
#include "vd/trace.h"
#include "vd/video/capture_graph.h"
#include "vd/video/capture_pipeline.h"
#include "vd/video/disk_budget.h"
#include "video_standards.h"

VD_DEFINE_TRACE(TraceCapture, "video")

bool CaptureGraph::BuildCaptureGraph() {
  if (lifecycle_.HasCaptureGraph()) return true;
  if (lifecycle_.IsPreviewing() || router_.Video() == nullptr) return false;
  // A card without sound records its picture alone (the status strip said so).
  if (settings_.captureAudio && !router_.HasSound() && !router_.CardInUse()) return false;
  if (lifecycle_.HasPreviewGraph()) TearDownGraph();

  if (!recorder_.Build(router_.WantPreview() ? video_sink_ : nullptr)) {
    TearDownGraph();
    return false;
  }
  GstElement* pipeline = recorder_.Pipeline()->Pipeline();
  stills_.Connect(router_.Video(), pipeline);
  WatchBus(pipeline, &captureWatch_);
  lifecycle_.MoveTo(vd::CaptureStage::kCaptureBuilt);
  return true;
}

bool CaptureGraph::BeginCapture() {
  // The recording would empty the file a save is still copying. Refused as the busy window
  // refuses its record key: quietly, with nothing torn down.
  if (recorder_.File().SavingCopy()) {
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
  if (recorder_.File().HasUnsavedCapture()) {
    Fail("The last recording was not saved, and a new one would overwrite it: " +
         recorder_.File().KeepFailure() + ".\nIt is still in " + recorder_.File().Path() +
         ". Let a folder named here be written to, or move that file elsewhere, then record "
         "again.");
    lifecycle_.CaptureFailed();  // the preview is gone: returning to live builds it again
    return false;
  }
  if (recorder_.File().IsForeign()) {
    Fail("The capture file " + recorder_.File().Path() +
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
  if (recorder_.File().SavingCopy()) return false;
  if (!SignalPresent()) {
    Fail("Warning: You can not Capture while there is no Video signal");
    return false;
  }
  if (lifecycle_.IsCapturing()) return true;
  if (lifecycle_.IsPreviewing()) StopPreview(false);
  if (!lifecycle_.HasCaptureGraph() || recorder_.Pipeline() == nullptr) return false;
  if (!recorder_.Start(kCaptureTimer, kCaptureTimerMs)) return false;
  lifecycle_.MoveTo(vd::CaptureStage::kCapturing);
  return true;
}

void CaptureGraph::EndRecording(bool writerFailed) {
  recorder_.End(kCaptureTimer, writerFailed);
  lifecycle_.MoveTo(vd::CaptureStage::kCaptureFinished);
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
    preview_.StopAudio();
    StopCapture();
  }
  if (lifecycle_.CaptureEnded() || stillOnDisplay_) {
    BuildPreviewGraph();
    preview_.StartAudio();
    StartPreview();
    lifecycle_.LiveRestored();
    stillOnDisplay_ = false;
  }
}

bool CaptureGraph::GetStatistics(bool final, vd::StatisticsRecord* record) {
  return recorder_.GetStatistics(final, record);
}

void CaptureGraph::OnTimer(uint32_t id) {
  if (id != kCaptureTimer || !lifecycle_.IsCapturing()) return;
  if (recorder_.ShowProgress()) host_.RunCaptureCommand();
}

vd::CaptureOptions CaptureGraph::GetCaptureOptions() {
  uint32_t standard = 0;
  if (router_.Video() != nullptr) router_.Video()->TvFormat(&standard);
  vd::CaptureOptions o;
  o.maxFramesPerSecond = vd::VideoStandards::MaxFramesPerSecond(standard);
  // A card's own rate may be below the standard's round one (NTSC's 29.97).
  if (const int64_t fastest = router_.ComputeFrameInterval(); fastest > 0)
    o.maxFramesPerSecond = std::min(o.maxFramesPerSecond, std::trunc(1e9 / fastest) / 100.0);
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
  if (o.deinterlaceLive != settings_.deinterlaceLive) preview_.SetDeinterlace(o.deinterlaceLive);
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
  if (o.useFrameRate && o.framesPerSecond != settings_.framesPerSecond &&
      router_.Video() != nullptr) {
    settings_.framesPerSecond = o.framesPerSecond;
    StopPreview(true);
    vd::VideoFormat format;
    bool ok = vd::Succeeded(router_.Video()->GetVideoFormat(vd::PinKind::kCapture, &format));
    if (ok) {
      format.frameInterval = std::max<int64_t>(
          vd::CaptureSettings::IntervalOfFps(o.framesPerSecond), router_.ComputeFrameInterval());
      ok = vd::Succeeded(router_.Video()->SetVideoFormat(vd::PinKind::kCapture, format));
      if (!ok) Fail("ERROR: Cannot set new frame rate");
    }
    if (!ok) Fail("Cannot set frame rate for capture");
    // The sources take their format when they are made.
    TearDownGraph();
    rebuild = true;
  }
  // A clip or a still in the video area keeps it; the live picture comes back with live.
  if (rebuild && router_.WantPreview() && !FileShown() && BuildPreviewGraph()) StartPreview();
}

vd::FileOptions CaptureGraph::GetFileOptions() {
  return recorder_.File().Options();
}

void CaptureGraph::SetFileOptions(const vd::FileOptions& options) {
  recorder_.File().SetOptions(options);
}

bool CaptureGraph::SaveCaptureAs(const std::string& target) {
  if (!recorder_.File().SaveAs(target)) return false;
  preview_.StopAudio();
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
  return recorder_.File().Keep(album, albumKnown, tell, [this] {
    if (lifecycle_.HasCaptureGraph()) TearDownGraph();
  });
}

int64_t CaptureGraph::FreeDiskSpaceKB(const std::string& path) {
  return vd::CaptureFile::FreeDiskSpaceKB(path);
}

bool CaptureGraph::ApplyAudioFormat(const vd::AudioFormat& format) {
  if (router_.Audio() == nullptr) return false;
  bool wasPreviewing = lifecycle_.IsPreviewing();
  bool wasSounding = preview_.AudioRunning();
  preview_.StopAudio();
  if (wasPreviewing) StopPreview(true);
  bool ok = vd::Succeeded(router_.Audio()->SetAudioFormat(vd::PinKind::kAudioCapture, format));
  // A clip or a still on show keeps the video area, and a clip its own sound.
  if (wasSounding || !FileShown()) preview_.StartAudio();
  if (router_.WantPreview() && !FileShown()) StartPreview();
  return ok;
}
