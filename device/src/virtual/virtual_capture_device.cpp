#include "virtual_capture_device.h"

#include <algorithm>

#include "gst_support.h"
#include "pin_list.h"
#include "virtual_audio_bin.h"
#include "virtual_bulk_bin.h"
#include "virtual_hardware.h"
#include "virtual_property_set.h"
#include "virtual_still_bin.h"
#include "virtual_video_bin.h"

namespace vd {

namespace {
constexpr int32_t kMaxWidth = 768;
constexpr int32_t kMaxHeight = 576;

const AmpRange kAmpRanges[CheckedCaptureDevice::kAmpProperties] = {
    {0, 255, 1, 128},   // brightness
    {0, 255, 1, 128},   // contrast
    {-128, 127, 1, 0},  // hue
    {0, 255, 1, 128},   // saturation
};

std::vector<PinInfo> PinsOf(VirtualCaptureDevice::Model model, const VirtualHardware& hw) {
  using M = VirtualCaptureDevice::Model;
  std::vector<PinInfo> pins;
  auto add = [&](const char* name, PinDirection d, PinKind kind, Guid category) {
    pins.push_back({name, d, kind, category});
  };
  if (model == M::kVideo) {
    add("Analog Video In", PinDirection::kInput, PinKind::kAnalogVideoIn,
        kPinCategoryAnalogVideoIn);
    add("Capture", PinDirection::kOutput, PinKind::kCapture, kPinCategoryCapture);
    if (hw.HasPin(PinKind::kPreview))
      add("Preview", PinDirection::kOutput, PinKind::kPreview, kPinCategoryPreview);
    if (hw.HasPin(PinKind::kStill))
      add("Still", PinDirection::kOutput, PinKind::kStill, kPinCategoryStill);
    add("Audio Preview", PinDirection::kOutput, PinKind::kAudioPreview, kPinCategoryAudioPreview);
    add("Audio Capture", PinDirection::kOutput, PinKind::kAudioCapture, kPinCategoryAudioCapture);
    if (hw.HasPin(PinKind::kBulk))
      add("Bulk", PinDirection::kOutput, PinKind::kBulk, kPinCategoryBulk);
  } else if (model == M::kAudio) {
    // A sound device reports its outputs as capture pins; the preview one goes by its name.
    add("Audio Capture", PinDirection::kOutput, PinKind::kAudioCapture, kPinCategoryCapture);
    add("Audio Preview", PinDirection::kOutput, PinKind::kAudioPreview, kPinCategoryCapture);
  } else {
    add("Capture", PinDirection::kOutput, PinKind::kAudioCapture, kPinCategoryCapture);
  }
  return pins;
}

}  // namespace

VirtualCaptureDevice::VirtualCaptureDevice(Model model, DeviceInfo info,
                                           std::shared_ptr<VirtualHardware> hardware)
    : model_(model),
      info_(std::move(info)),
      hardware_(std::move(hardware)),
      generation_(hardware_->Generation()) {
  pins_ = PinsOf(model, *hardware_);
}

bool VirtualCaptureDevice::IsConnected() const {
  return model_ == Model::kLineIn || hardware_->IsAlive(generation_);
}

bool VirtualCaptureDevice::HasFacility(DeviceFacility) const {
  return model_ == Model::kVideo;
}

bool VirtualCaptureDevice::IsAlive() const {
  return hardware_->IsAlive(generation_);
}

KsPropertySet* VirtualCaptureDevice::QueryPropertySet() {
  if (model_ != Model::kVideo) return nullptr;
  return VirtualPropertySet::Create(hardware_, generation_);
}

// --- crossbar

int32_t VirtualCaptureDevice::CrossbarInputCount() const {
  return kCrossbarInputs;
}

CrossbarPin VirtualCaptureDevice::CrossbarInput(int32_t index) const {
  return VirtualHardware::InputPin(index);
}

bool VirtualCaptureDevice::Routable(int32_t output, int32_t input) const {
  return VirtualHardware::CanRoute(output, input);
}

HResult VirtualCaptureDevice::DoRoute(int32_t output, int32_t input) {
  return hardware_->Route(output, input);
}

HResult VirtualCaptureDevice::DoRoutedTo(int32_t output, int32_t* input) {
  *input = hardware_->RoutedTo(output);
  return kSOk;
}

// --- decoder

HResult VirtualCaptureDevice::DoAvailableTvFormats(uint32_t* mask) {
  *mask = kAvailableStandards;
  return kSOk;
}

HResult VirtualCaptureDevice::DoSetTvFormat(uint32_t standard) {
  if ((standard & kAvailableStandards) == 0) return kEInvalidArg;
  hardware_->SetStandard(standard);
  return kSOk;
}

HResult VirtualCaptureDevice::DoTvFormat(uint32_t* standard) {
  *standard = hardware_->Standard();
  return kSOk;
}

HResult VirtualCaptureDevice::DoHorizontalLocked(bool* locked) {
  *locked = hardware_->CurrentReception().locked;
  return kSOk;
}

// --- amplifier

HResult VirtualCaptureDevice::DoGetAmpRange(AmpProperty property, AmpRange* range) {
  *range = kAmpRanges[static_cast<int>(property)];
  return kSOk;
}

HResult VirtualCaptureDevice::DoGetAmp(AmpProperty property, int32_t* value) {
  *value = hardware_->Amp(property);
  return kSOk;
}

HResult VirtualCaptureDevice::DoSetAmp(AmpProperty property, int32_t value) {
  hardware_->SetAmp(property, value);
  return kSOk;
}

// --- formats

void VirtualCaptureDevice::MaxPictureSize(int32_t* width, int32_t* height) {
  *width = kMaxWidth;
  *height = kMaxHeight;
}

int64_t VirtualCaptureDevice::FastestInterval() {
  return standard::FrameIntervalOf(hardware_->Standard());
}

HResult VirtualCaptureDevice::DoGetVideoFormat(PinKind pin, VideoFormat* format) {
  *format = hardware_->Format(pin);
  return kSOk;
}

HResult VirtualCaptureDevice::DoSetVideoFormat(PinKind pin, const VideoFormat& format) {
  hardware_->SetFormat(pin, format);
  return kSOk;
}

HResult VirtualCaptureDevice::DoVideoFormatCaps(PinKind pin, std::vector<VideoFormat>* formats) {
  uint32_t standard = hardware_->Standard();
  int64_t interval = standard::FrameIntervalOf(standard);
  int32_t full = standard::FullHeightOf(standard);
  formats->clear();
  if (pin == PinKind::kStill) {
    formats->push_back({640, 480, kFourccRgb, 24, interval});
    formats->push_back({768, 576, kFourccRgb, 24, interval});
    return kSOk;
  }
  for (auto [w, h] : {std::pair{160, 120}, {320, 240}, {640, 480}, {720, full}}) {
    formats->push_back({w, h, kFourccYuy2, 16, interval});
    formats->push_back({w, h, kFourccRgb, 24, interval});
  }
  return kSOk;
}

HResult VirtualCaptureDevice::DoGetAudioFormat(AudioFormat* format) {
  if (model_ == Model::kLineIn) {
    std::lock_guard lock(lineInMutex_);
    *format = lineInFormat_;
  } else {
    *format = hardware_->SoundFormat();
  }
  return kSOk;
}

HResult VirtualCaptureDevice::DoSetAudioFormat(const AudioFormat& format) {
  if (model_ == Model::kLineIn) {
    std::lock_guard lock(lineInMutex_);
    lineInFormat_ = format;
  } else {
    hardware_->SetSoundFormat(format);
  }
  return kSOk;
}

// --- still trigger and counters

HResult VirtualCaptureDevice::DoGetVideoControlMode(uint32_t* mode) {
  *mode = hardware_->VideoControlMode();
  return kSOk;
}

HResult VirtualCaptureDevice::DoSetVideoControlMode(uint32_t mode) {
  hardware_->SetVideoControlMode(mode);
  return kSOk;
}

HResult VirtualCaptureDevice::DoGetFrameCounts(FrameCounts* counts) {
  *counts = hardware_->Counts();
  return kSOk;
}

VirtualCaptureDevice::~VirtualCaptureDevice() {
  hardware_->SetUnheardSnapshotHandler(this, nullptr);
}

void VirtualCaptureDevice::SetUnheardSnapshotHandler(std::function<void()> handler) {
  if (model_ == Model::kVideo) hardware_->SetUnheardSnapshotHandler(this, std::move(handler));
}

GstElement* VirtualCaptureDevice::CreateSourceBin(PinKind pin) {
  if (!HasOutput(pin) || !IsConnected()) return nullptr;
  EnsureGstInit();
  if (model_ == Model::kLineIn) {
    std::lock_guard lock(lineInMutex_);
    return VirtualAudioBin::CreateLineIn(lineInFormat_);
  }
  switch (pin) {
    case PinKind::kCapture:
    case PinKind::kPreview:
      return VirtualVideoBin::Create(hardware_, generation_, hardware_->Format(pin),
                                     pin == PinKind::kCapture);
    case PinKind::kStill:
      return VirtualStillBin::Create(hardware_, generation_, hardware_->Format(pin));
    case PinKind::kAudioCapture:
    case PinKind::kAudioPreview:
      return VirtualAudioBin::Create(hardware_, generation_, hardware_->SoundFormat());
    case PinKind::kBulk:
      return VirtualBulkBin::Create(hardware_, generation_);
    default:
      return nullptr;
  }
}

}  // namespace vd
