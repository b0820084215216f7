// The audio-preview graph: its own pipeline from the box's audio device to the sound card,
// so that sound plays while the video is stopped (radio, format dialogs).
#pragma once

#include <gst/gst.h>

#include <memory>

#include "gst_ptr.h"
#include "vd/capture_device.h"

namespace vd {

class DeviceEnumerator;

class AudioPreview {
 public:
  // The first audio device whose name begins with the box's audio device name and its
  // "Audio Preview" output. Null when there is none, or with *failed set when the pipeline
  // could not be built.
  static std::unique_ptr<AudioPreview> Create(DeviceEnumerator& devices, bool* failed);
  ~AudioPreview();
  AudioPreview(const AudioPreview&) = delete;
  AudioPreview& operator=(const AudioPreview&) = delete;

  bool Start();
  void Stop();
  bool Restart();
  bool IsRunning() const { return running_; }

  // Where the sound goes: autoaudiosink, or fakesink with VIEWDECK_AUDIO_SINK=fake or when
  // the machine has no sound output.
  static GstElement* MakeAudioSink();

 private:
  AudioPreview() = default;
  std::unique_ptr<CaptureDevice> device_;
  GstPtr<GstElement> pipeline_;
  bool running_ = false;
};

}  // namespace vd
