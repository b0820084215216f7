// The live picture and the live sound: the preview pipeline with its deinterlacer, and the
// audio-preview pipeline that plays the card's sound while the picture is stopped or
// recording. The engine decides when they run; this object knows how they are made.
//
// Threads: the UI thread, as the engine. Only the deinterlacer change runs where the
// preview's source pad is idle (a streaming thread while the picture runs).
#pragma once

#include <gst/gst.h>

#include <functional>
#include <memory>
#include <string>

#include "audio_preview.h"
#include "capture_settings.h"
#include "vd/capture_device.h"
#include "vd/gst_ptr.h"
#include "video_frame_sink.h"

namespace vd {

class DeviceRouter;

class LivePreview {
 public:
  LivePreview(CaptureSettings& settings, DeviceRouter& router,
              std::function<void(const std::string&)> fail);
  ~LivePreview();
  LivePreview(const LivePreview&) = delete;
  LivePreview& operator=(const LivePreview&) = delete;

  // --- The picture.
  // Makes the pipeline from the router's video device to `sink` (a fake sink when null),
  // with the card's own sound when no audio preview plays it; false when the device gives
  // no picture source.
  bool Build(VideoFrameSink* sink);
  // Runs the built pipeline; on failure it is left stopped.
  bool Run();
  // Stops the pipeline; false without one or when it will not stop.
  bool Stop();
  // Stops the pipeline and lets it go.
  void Release();
  // The live pipeline, for looking into it; null without one.
  GstElement* Pipeline() const { return pipeline_.get(); }
  // The device has no preview output: the picture comes from its capture output.
  bool NoPreviewPin() const { return noPreviewPin_; }
  // Deinterlaces the live picture or stops doing so, in the running preview between two
  // pictures; a recording's picture follows from its next start.
  void SetDeinterlace(bool on);

  // --- The sound.
  // Made from the router's devices when they are opened; gone when they close.
  void BuildAudio();
  void ReleaseAudio() { audio_.reset(); }
  bool HasAudio() const { return audio_ != nullptr; }
  void StartAudio();
  void StopAudio();
  bool AudioRunning() const { return audio_ != nullptr && audio_->IsRunning(); }
  // Where the audio preview's sound comes from; null without one.
  const DeviceInfo* AudioDevice() const { return audio_ != nullptr ? &audio_->Device() : nullptr; }

 private:
  // The capture filter's own sound to the speakers.
  void AddCardSound();
  // Brings the deinterlacer in line with the setting.
  void ApplyDeinterlace();

  CaptureSettings& settings_;
  DeviceRouter& router_;
  std::function<void(const std::string&)> fail_;
  std::unique_ptr<AudioPreview> audio_;
  GstPtr<GstElement> pipeline_;
  GstElement* source_ = nullptr;  // the picture source and output, the pipeline's own
  GstElement* output_ = nullptr;
  bool noPreviewPin_ = false;
};

}  // namespace vd
