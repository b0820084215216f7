// The audio-preview graph: its own pipeline from the card's sound to the sound output, so
// that sound plays while the video is stopped or recording (radio, capture, format dialogs).
#pragma once

#include <gst/gst.h>

#include <memory>
#include <vector>

#include "vd/capture_device.h"
#include "vd/gst_ptr.h"

namespace vd {

class DeviceEnumerator;

class AudioPreview {
 public:
  // The one place that decides where the preview's sound comes from. For the virtual box, in
  // order: the box's audio device, the video device itself when it carries sound, the user's
  // chosen audio device, the other audio devices, only devices of the box's own back-end. For
  // a card: the card itself when it carries sound, else the input chosen for it, else none.
  static std::vector<DeviceInfo> Candidates(const std::vector<DeviceInfo>& audioDevices,
                                            const DeviceInfo& video, bool soundOnVideo,
                                            int32_t chosenAudio);
  // The first candidate with an "Audio Preview" output; the video device (`videoInfo`, open
  // as `video`, which must outlive the preview) is used as it is. Null when there is none,
  // or with *failed set when the pipeline could not be built.
  static std::unique_ptr<AudioPreview> Create(DeviceEnumerator& devices,
                                              const std::vector<DeviceInfo>& candidates,
                                              const DeviceInfo& videoInfo, CaptureDevice& video,
                                              bool* failed);
  ~AudioPreview();
  AudioPreview(const AudioPreview&) = delete;
  AudioPreview& operator=(const AudioPreview&) = delete;

  bool Start();
  void Stop();
  bool Restart();
  bool IsRunning() const { return running_; }
  // The device the sound comes from, as the enumerator listed it.
  const DeviceInfo& Device() const { return info_; }

 private:
  AudioPreview() = default;
  static bool HasPreviewPin(CaptureDevice& device);
  static std::unique_ptr<AudioPreview> Build(CaptureDevice& device, bool* failed);

  std::unique_ptr<CaptureDevice> device_;  // null when playing from the video device
  DeviceInfo info_;
  GstPtr<GstElement> pipeline_;
  bool running_ = false;
};

}  // namespace vd
