#include "vd/pages/graph_pages_engine.h"

namespace vd {

namespace {

std::string InputName(int32_t physicalType) {
  switch (physicalType) {
    case physical::kVideoTuner:
      return "Tuner";
    case physical::kVideoComposite:
      return "Composite";
    case physical::kVideoSVideo:
      return "S-Video";
    default:
      return "Video " + std::to_string(physicalType);
  }
}

}  // namespace

void GraphPagesEngine::ShowMessage(const std::string& text) {
  if (window_.showMessage) window_.showMessage(text);
}

vd::WorkMode GraphPagesEngine::WorkMode() const {
  return window_.workMode ? window_.workMode() : graph_.WorkMode();
}

bool GraphPagesEngine::FullScreen() const {
  return window_.fullScreen && window_.fullScreen();
}

void GraphPagesEngine::RefreshDeviceStatus() {
  if (window_.refreshDeviceStatus) window_.refreshDeviceStatus();
}

void GraphPagesEngine::RedrawAll() {
  if (window_.redrawAll) window_.redrawAll();
}

void GraphPagesEngine::ResizeToVideo() {
  if (window_.resizeToVideo) window_.resizeToVideo();
}

std::string GraphPagesEngine::InstallFolder() const {
  return window_.installFolder ? window_.installFolder() : std::string();
}

std::string GraphPagesEngine::CurrentAlbumPath() const {
  return window_.currentAlbumPath ? window_.currentAlbumPath() : std::string();
}

std::vector<bool> GraphPagesEngine::VideoDeviceUsable() const {
  return graph_.Devices().VideoDeviceUsable();
}

std::optional<AmpRange> GraphPagesEngine::GetAmpRange(AmpProperty property) {
  CaptureDevice* device = graph_.VideoDevice();
  AmpRange range;
  if (device == nullptr || !Succeeded(device->GetAmpRange(property, &range))) return std::nullopt;
  return range;
}

std::optional<int32_t> GraphPagesEngine::GetAmp(AmpProperty property) {
  CaptureDevice* device = graph_.VideoDevice();
  int32_t value = 0;
  if (device == nullptr || !Succeeded(device->GetAmp(property, &value))) return std::nullopt;
  return value;
}

bool GraphPagesEngine::SetAmp(AmpProperty property, int32_t value) {
  CaptureDevice* device = graph_.VideoDevice();
  return device != nullptr && Succeeded(device->SetAmp(property, value));
}

int32_t GraphPagesEngine::StoredStandard(vd::WorkMode workMode) const {
  return workMode == vd::WorkMode::kSVideo ? graph_.Settings().videoStandard0
                                           : graph_.Settings().videoStandard1;
}

void GraphPagesEngine::StoreStandard(vd::WorkMode workMode, int32_t family) {
  // Written back with the other capture settings when the engine closes.
  if (workMode == vd::WorkMode::kSVideo) graph_.Settings().videoStandard0 = family;
  if (workMode == vd::WorkMode::kComposite) graph_.Settings().videoStandard1 = family;
}

void GraphPagesEngine::RefreshPreview() {
  if (!graph_.Lifecycle().IsPreviewing()) return;
  graph_.StopPreview(true);
  graph_.TearDownGraph();
  graph_.BuildPreviewGraph();
  graph_.StartPreview();
}

int32_t GraphPagesEngine::AudioIndex() const {
  const DeviceRouter& devices = graph_.Devices();
  return devices.CardInUse() ? devices.Sound().Index() : devices.AudioIndex();
}

bool GraphPagesEngine::ChooseDevices(int32_t video, int32_t audio, bool startPreview) {
  DeviceRouter& devices = graph_.Devices();
  if (devices.CardInUse()) {
    // The list showed this card's sound: a new row is its new sound. Moving to another
    // device keeps the box's stored index as it was.
    if (video == devices.VideoIndex())
      return audio == devices.Sound().Index() || graph_.ChooseCardSound(audio, startPreview);
    audio = devices.AudioIndex();
  }
  return graph_.ChooseDevices(video, audio, startPreview);
}

bool GraphPagesEngine::HasSeparateAudio() const {
  // A card's format dialog sets the input chosen for it; the box's stored index is no sign.
  if (graph_.Devices().CardInUse()) return graph_.Devices().Audio() != nullptr;
  return !graph_.Devices().AudioDeviceNames().empty() && graph_.Devices().AudioIndex() >= 0;
}

std::vector<AudioFormat> GraphPagesEngine::AudioFormats() {
  // The PCM formats sound devices take for capture; the device refuses what it lacks.
  std::vector<AudioFormat> formats;
  for (uint32_t rate : {8000u, 11025u, 16000u, 22050u, 32000u, 44100u, 48000u}) {
    for (uint16_t bits : {uint16_t{8}, uint16_t{16}}) {
      for (uint16_t channels : {uint16_t{1}, uint16_t{2}}) {
        formats.push_back({channels, rate, bits});
      }
    }
  }
  return formats;
}

bool GraphPagesEngine::HasPin(PinKind pin) const {
  CaptureDevice* device = const_cast<CaptureGraph&>(graph_).VideoDevice();
  return device != nullptr && device->HasPin(pin);
}

std::vector<VideoFormat> GraphPagesEngine::VideoFormats(PinKind pin) {
  std::vector<VideoFormat> formats;
  if (!graph_.Devices().GetVideoFormats(pin, &formats)) formats.clear();
  return formats;
}

std::optional<VideoFormat> GraphPagesEngine::CurrentVideoFormat(PinKind pin) {
  CaptureDevice* device = graph_.VideoDevice();
  VideoFormat format;
  if (device == nullptr || !Succeeded(device->GetVideoFormat(pin, &format))) return std::nullopt;
  return format;
}

void GraphPagesEngine::StopForFormatChange() {
  // A film of the album plays from its file, not from the pins: it goes on (the window still
  // shows it, and its Stop and Live still work on it).
  if (!graph_.Devices().WantPreview()) return;
  graph_.StopPreview(true);
  graph_.TearDownGraph();
}

bool GraphPagesEngine::ApplyVideoFormat(PinKind pin, const VideoFormat& format) {
  CaptureDevice* device = graph_.VideoDevice();
  if (device == nullptr) return false;
  VideoFormat chosen = format;
  VideoFormat current;
  // Keep the frame rate in force unless the chosen entry names one.
  if (chosen.frameInterval == 0 && Succeeded(device->GetVideoFormat(pin, &current))) {
    chosen.frameInterval = current.frameInterval;
  }
  if (!Succeeded(device->SetVideoFormat(pin, chosen))) return false;
  if (pin == PinKind::kCapture && device->HasPin(PinKind::kPreview)) {
    VideoFormat preview;
    if (Succeeded(device->GetVideoFormat(PinKind::kPreview, &preview))) {
      preview.width = chosen.width;
      preview.height = chosen.height;
      device->SetVideoFormat(PinKind::kPreview, preview);
    }
  } else if (pin == PinKind::kPreview) {
    VideoFormat capture;
    if (Succeeded(device->GetVideoFormat(PinKind::kCapture, &capture))) {
      capture.width = chosen.width;
      capture.height = chosen.height;
      device->SetVideoFormat(PinKind::kCapture, capture);
    }
  }
  return true;
}

void GraphPagesEngine::RestartAfterFormatChange() {
  // A film or a picture of the album shown in place of the live picture stays: the new format
  // is taken when the user goes back to live.
  if (!graph_.Devices().WantPreview() || graph_.StillOnDisplay() ||
      (graph_.Player() != nullptr && graph_.Player()->IsActive()))
    return;
  graph_.BuildPreviewGraph();
  graph_.StartPreview();
}

std::vector<std::string> GraphPagesEngine::VideoInputs() {
  inputPins_.clear();
  std::vector<std::string> names;
  CaptureDevice* device = graph_.VideoDevice();
  int32_t outputs = 0;
  int32_t inputs = 0;
  if (device == nullptr || !Succeeded(device->CrossbarPinCounts(&outputs, &inputs))) return names;
  for (int32_t i = 0; i < inputs; ++i) {
    CrossbarPin pin;
    if (!Succeeded(device->CrossbarPinInfo(true, i, &pin))) continue;
    if (pin.physicalType >= physical::kAudioTuner) continue;  // sound inputs
    inputPins_.push_back(i);
    names.push_back(InputName(pin.physicalType));
  }
  return names;
}

int32_t GraphPagesEngine::CurrentVideoInput() {
  CaptureDevice* device = graph_.VideoDevice();
  int32_t routed = -1;
  if (device == nullptr || !Succeeded(device->IsRoutedTo(0, &routed))) return -1;
  for (size_t i = 0; i < inputPins_.size(); ++i) {
    if (inputPins_[i] == routed) return static_cast<int32_t>(i);
  }
  return -1;
}

bool GraphPagesEngine::RouteVideoInput(int32_t input) {
  CaptureDevice* device = graph_.VideoDevice();
  if (device == nullptr || input < 0 || static_cast<size_t>(input) >= inputPins_.size()) {
    return false;
  }
  return Succeeded(device->Route(0, inputPins_[static_cast<size_t>(input)]));
}

}  // namespace vd
