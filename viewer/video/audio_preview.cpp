#include "vd/video/audio_preview.h"

#include <algorithm>
#include <string>

#include "audio_sink.h"
#include "vd/device_enumerator.h"
#include "vd/gst_elements.h"
#include "vd/virtual_box_backend.h"
#include "vd/virtual_tv_box.h"

namespace vd {

namespace {
constexpr size_t kNamePrefix = 28;  // "Brevant TV USB Audio Capture"

}  // namespace

std::vector<DeviceInfo> AudioPreview::Candidates(const std::vector<DeviceInfo>& audioDevices,
                                                 const DeviceInfo& video, bool soundOnVideo,
                                                 int32_t chosenAudio) {
  const bool chosen = chosenAudio >= 0 && static_cast<size_t>(chosenAudio) < audioDevices.size();
  if (video.backend != VirtualBoxBackend::kName) {
    // A card: its own sound, else the input chosen for it; never another device's by chance
    // (the box's invented sound, or a second card's).
    std::vector<DeviceInfo> card;
    if (soundOnVideo) card.push_back(video);
    if (chosen && !(audioDevices[static_cast<size_t>(chosenAudio)] == video))
      card.push_back(audioDevices[static_cast<size_t>(chosenAudio)]);
    return card;
  }
  std::vector<DeviceInfo> sameBackend;
  for (const DeviceInfo& info : audioDevices) {
    if (info.backend == video.backend) sameBackend.push_back(info);
  }
  std::vector<DeviceInfo> order;
  const std::string product = VirtualTvBox::kAudioName;
  for (const DeviceInfo& info : sameBackend) {
    if (info.friendlyName.compare(0, kNamePrefix, product, 0, kNamePrefix) == 0)
      order.push_back(info);
  }
  if (soundOnVideo) order.push_back(video);
  if (chosen && audioDevices[static_cast<size_t>(chosenAudio)].backend == video.backend) {
    order.push_back(audioDevices[static_cast<size_t>(chosenAudio)]);
  }
  for (const DeviceInfo& info : sameBackend) order.push_back(info);
  // Each device once, in the order found.
  std::vector<DeviceInfo> unique;
  for (const DeviceInfo& info : order) {
    if (std::find(unique.begin(), unique.end(), info) == unique.end()) unique.push_back(info);
  }
  return unique;
}

std::unique_ptr<AudioPreview> AudioPreview::Create(DeviceEnumerator& devices,
                                                   const std::vector<DeviceInfo>& candidates,
                                                   const DeviceInfo& videoInfo,
                                                   CaptureDevice& video, bool* failed) {
  *failed = false;
  for (const DeviceInfo& info : candidates) {
    // The video device is open already: its own sound plays from it.
    std::unique_ptr<CaptureDevice> opened;
    if (!(info == videoInfo)) opened = devices.Open(info);
    CaptureDevice* device = opened != nullptr ? opened.get() : &video;
    if ((opened == nullptr && !(info == videoInfo)) || !HasPreviewPin(*device)) continue;
    auto preview = Build(*device, failed);
    if (preview == nullptr) return nullptr;
    preview->device_ = std::move(opened);
    preview->info_ = info;
    return preview;
  }
  return nullptr;
}

bool AudioPreview::HasPreviewPin(CaptureDevice& device) {
  for (const PinInfo& pin : device.Pins()) {
    if (pin.direction == PinDirection::kOutput && pin.name == "Audio Preview" &&
        pin.kind == PinKind::kAudioPreview)
      return true;
  }
  return false;
}

std::unique_ptr<AudioPreview> AudioPreview::Build(CaptureDevice& device, bool* failed) {
  GstElement* source = device.CreateSourceBin(PinKind::kAudioPreview);
  GstElement* convert = vd::MakeElement<"audioconvert">();
  GstElement* resample = vd::MakeElement<"audioresample">();
  GstElement* sink = MakeAudioSink(AudioSinkClock::kLive);
  auto preview = std::unique_ptr<AudioPreview>(new AudioPreview);
  preview->pipeline_ = AdoptElement(gst_pipeline_new("audio-preview"));
  GstElement* pipeline = preview->pipeline_.get();
  bool made = source != nullptr && convert != nullptr && resample != nullptr && sink != nullptr;
  for (GstElement* e : {source, convert, resample, sink}) {
    if (e != nullptr) gst_bin_add(GST_BIN(pipeline), e);
  }
  if (!made || !gst_element_link_many(source, convert, resample, sink, nullptr)) {
    *failed = true;
    return nullptr;
  }
  // No reference clock: the sound plays as it comes, never waiting on the video's clock.
  gst_pipeline_use_clock(GST_PIPELINE(pipeline), nullptr);
  return preview;
}

AudioPreview::~AudioPreview() {
  if (pipeline_ != nullptr) gst_element_set_state(pipeline_.get(), GST_STATE_NULL);
}

bool AudioPreview::Start() {
  if (gst_element_set_state(pipeline_.get(), GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
    gst_element_set_state(pipeline_.get(), GST_STATE_NULL);
    running_ = false;
    return false;
  }
  running_ = true;
  return true;
}

void AudioPreview::Stop() {
  gst_element_set_state(pipeline_.get(), GST_STATE_NULL);
  running_ = false;
}

bool AudioPreview::Restart() {
  Stop();
  return Start();
}

}  // namespace vd
