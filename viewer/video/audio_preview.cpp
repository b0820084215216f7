#include "audio_preview.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "vd/device_enumerator.h"
#include "vd/gst_elements.h"
#include "vd/virtual_tv_box.h"

namespace vd {

namespace {
constexpr size_t kNamePrefix = 28;  // "Brevant TV USB Audio Capture"

bool HasSoundOutput() {
  std::error_code ec;
  if (std::filesystem::exists("/dev/snd", ec)) return true;
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime == nullptr) return false;
  std::string dir = runtime;
  return std::filesystem::exists(dir + "/pulse/native", ec) ||
         std::filesystem::exists(dir + "/pipewire-0", ec);
}
}  // namespace

GstElement* AudioPreview::MakeAudioSink() {
  const char* choice = std::getenv("VIEWDECK_AUDIO_SINK");
  bool fake = (choice != nullptr && std::strcmp(choice, "fake") == 0) || !HasSoundOutput();
  GstElement* sink = nullptr;
  if (!fake) sink = vd::MakeElement<"autoaudiosink">();
  if (sink == nullptr) {
    sink = vd::MakeElement<"fakesink">();
    if (sink != nullptr) g_object_set(sink, "sync", FALSE, nullptr);
  }
  return sink;
}

std::unique_ptr<AudioPreview> AudioPreview::Create(DeviceEnumerator& devices, bool* failed) {
  *failed = false;
  std::string wanted = VirtualTvBox::kAudioName;
  for (const DeviceInfo& info : devices.AudioInputDevices()) {
    if (info.friendlyName.compare(0, kNamePrefix, wanted, 0, kNamePrefix) != 0) continue;
    std::unique_ptr<CaptureDevice> device = devices.Open(info);
    if (device == nullptr) return nullptr;
    bool found = false;
    for (const PinInfo& pin : device->Pins()) {
      if (pin.direction == PinDirection::kOutput && pin.name == "Audio Preview" &&
          pin.kind == PinKind::kAudioPreview)
        found = true;
    }
    if (!found) return nullptr;
    GstElement* source = device->CreateSourceBin(PinKind::kAudioPreview);
    GstElement* convert = vd::MakeElement<"audioconvert">();
    GstElement* resample = vd::MakeElement<"audioresample">();
    GstElement* sink = MakeAudioSink();
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
    preview->device_ = std::move(device);
    return preview;
  }
  return nullptr;
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
