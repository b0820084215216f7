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
constexpr int32_t kMinSide = 32;

const AmpRange kAmpRanges[4] = {
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
      generation_(hardware_->Generation()),
      pins_(PinsOf(model, *hardware_)) {}

bool VirtualCaptureDevice::IsConnected() const {
  return model_ == Model::kLineIn || hardware_->IsAlive(generation_);
}

bool VirtualCaptureDevice::HasFacility(DeviceFacility) const {
  return model_ == Model::kVideo;
}

HResult VirtualCaptureDevice::Check(DeviceFacility facility) const {
  if (!HasFacility(facility)) return kENoInterface;
  return hardware_->IsAlive(generation_) ? kSOk : kEDeviceGone;
}

bool VirtualCaptureDevice::HasOutput(PinKind pin) const {
  return HasOutputPin(pins_, pin);
}

HResult VirtualCaptureDevice::CheckVideoPin(PinKind pin) const {
  if (!IsVideoPin(pin) || !HasOutput(pin)) return kENoInterface;
  return hardware_->IsAlive(generation_) ? kSOk : kEDeviceGone;
}

HResult VirtualCaptureDevice::CheckAudioPin(PinKind pin) const {
  if (!IsAudioPin(pin) || !HasOutput(pin)) return kENoInterface;
  return IsConnected() ? kSOk : kEDeviceGone;
}

KsPropertySet* VirtualCaptureDevice::QueryPinPropertySet(size_t pinIndex) {
  return PinPropertySetAt(pins_, pinIndex);
}

KsPropertySet* VirtualCaptureDevice::QueryPropertySet() {
  if (model_ != Model::kVideo) return nullptr;
  return VirtualPropertySet::Create(hardware_, generation_);
}

// --- crossbar

HResult VirtualCaptureDevice::CrossbarPinCounts(int32_t* outputs, int32_t* inputs) {
  if (HResult hr = Check(DeviceFacility::kCrossbar); Failed(hr)) return hr;
  if (outputs == nullptr || inputs == nullptr) return kEPointer;
  *outputs = 2;
  *inputs = kCrossbarInputs;
  return kSOk;
}

HResult VirtualCaptureDevice::CrossbarPinInfo(bool isInput, int32_t index, CrossbarPin* pin) {
  if (HResult hr = Check(DeviceFacility::kCrossbar); Failed(hr)) return hr;
  if (pin == nullptr) return kEPointer;
  if (isInput) {
    if (index < 0 || index >= kCrossbarInputs) return kEInvalidArg;
    *pin = VirtualHardware::InputPin(index);
    return kSOk;
  }
  if (index == 0) {
    *pin = {physical::kVideoDecoder, 1};
  } else if (index == 1) {
    *pin = {physical::kAudioDecoder, 0};
  } else {
    return kEInvalidArg;
  }
  return kSOk;
}

HResult VirtualCaptureDevice::CanRoute(int32_t output, int32_t input) {
  if (HResult hr = Check(DeviceFacility::kCrossbar); Failed(hr)) return hr;
  return VirtualHardware::CanRoute(output, input) ? kSOk : kSFalse;
}

HResult VirtualCaptureDevice::Route(int32_t output, int32_t input) {
  if (HResult hr = Check(DeviceFacility::kCrossbar); Failed(hr)) return hr;
  return hardware_->Route(output, input);
}

HResult VirtualCaptureDevice::IsRoutedTo(int32_t output, int32_t* input) {
  if (HResult hr = Check(DeviceFacility::kCrossbar); Failed(hr)) return hr;
  if (input == nullptr) return kEPointer;
  if (output != 0 && output != 1) return kEInvalidArg;
  *input = hardware_->RoutedTo(output);
  return kSOk;
}

// --- decoder

HResult VirtualCaptureDevice::AvailableTvFormats(uint32_t* mask) {
  if (HResult hr = Check(DeviceFacility::kAnalogVideoDecoder); Failed(hr)) return hr;
  if (mask == nullptr) return kEPointer;
  *mask = kAvailableStandards;
  return kSOk;
}

HResult VirtualCaptureDevice::SetTvFormat(uint32_t standard) {
  if (HResult hr = Check(DeviceFacility::kAnalogVideoDecoder); Failed(hr)) return hr;
  // Exactly one bit, and one the decoder knows.
  if (standard == 0 || (standard & (standard - 1)) != 0 || (standard & kAvailableStandards) == 0)
    return kEInvalidArg;
  hardware_->SetStandard(standard);
  return kSOk;
}

HResult VirtualCaptureDevice::TvFormat(uint32_t* standard) {
  if (HResult hr = Check(DeviceFacility::kAnalogVideoDecoder); Failed(hr)) return hr;
  if (standard == nullptr) return kEPointer;
  *standard = hardware_->Standard();
  return kSOk;
}

HResult VirtualCaptureDevice::HorizontalLocked(bool* locked) {
  if (HResult hr = Check(DeviceFacility::kAnalogVideoDecoder); Failed(hr)) return hr;
  if (locked == nullptr) return kEPointer;
  *locked = hardware_->CurrentReception().locked;
  return kSOk;
}

// --- amplifier

HResult VirtualCaptureDevice::GetAmpRange(AmpProperty property, AmpRange* range) {
  if (HResult hr = Check(DeviceFacility::kVideoProcAmp); Failed(hr)) return hr;
  auto i = static_cast<int>(property);
  if (i < 0 || i > 3) return kEInvalidArg;
  if (range == nullptr) return kEPointer;
  *range = kAmpRanges[i];
  return kSOk;
}

HResult VirtualCaptureDevice::GetAmp(AmpProperty property, int32_t* value) {
  if (HResult hr = Check(DeviceFacility::kVideoProcAmp); Failed(hr)) return hr;
  auto i = static_cast<int>(property);
  if (i < 0 || i > 3) return kEInvalidArg;
  if (value == nullptr) return kEPointer;
  *value = hardware_->Amp(property);
  return kSOk;
}

HResult VirtualCaptureDevice::SetAmp(AmpProperty property, int32_t value) {
  if (HResult hr = Check(DeviceFacility::kVideoProcAmp); Failed(hr)) return hr;
  auto i = static_cast<int>(property);
  if (i < 0 || i > 3) return kEInvalidArg;
  if (value < kAmpRanges[i].min || value > kAmpRanges[i].max) return kEInvalidArg;
  hardware_->SetAmp(property, value);
  return kSOk;
}

// --- formats

HResult VirtualCaptureDevice::GetVideoFormat(PinKind pin, VideoFormat* format) {
  if (HResult hr = CheckVideoPin(pin); Failed(hr)) return hr;
  if (format == nullptr) return kEPointer;
  *format = hardware_->Format(pin);
  return kSOk;
}

HResult VirtualCaptureDevice::SetVideoFormat(PinKind pin, const VideoFormat& format) {
  if (HResult hr = CheckVideoPin(pin); Failed(hr)) return hr;
  bool rgb = format.fourcc == kFourccRgb && (format.bitCount == 24 || format.bitCount == 32);
  bool yuy2 = format.fourcc == kFourccYuy2 && format.bitCount == 16;
  // The still pin sends RGB pictures only; the video pins YUY2 or RGB.
  if (pin == PinKind::kStill ? !rgb : !(rgb || yuy2)) return kEInvalidArg;
  if (format.width < kMinSide || format.width > kMaxWidth || format.height < kMinSide ||
      format.height > kMaxHeight || (yuy2 && format.width % 2 != 0))
    return kEInvalidArg;
  VideoFormat accepted = format;
  int64_t fastest = standard::FrameIntervalOf(hardware_->Standard());
  // 0 asks for the standard's own rate; anything faster than the standard cannot be had.
  if (accepted.frameInterval == 0) accepted.frameInterval = fastest;
  if (accepted.frameInterval < fastest || accepted.frameInterval > 10000000) return kEInvalidArg;
  hardware_->SetFormat(pin, accepted);
  return kSOk;
}

HResult VirtualCaptureDevice::VideoFormatCaps(PinKind pin, std::vector<VideoFormat>* formats) {
  if (HResult hr = CheckVideoPin(pin); Failed(hr)) return hr;
  if (formats == nullptr) return kEPointer;
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

HResult VirtualCaptureDevice::GetAudioFormat(PinKind pin, AudioFormat* format) {
  if (HResult hr = CheckAudioPin(pin); Failed(hr)) return hr;
  if (format == nullptr) return kEPointer;
  if (model_ == Model::kLineIn) {
    std::lock_guard lock(lineInMutex_);
    *format = lineInFormat_;
  } else {
    *format = hardware_->SoundFormat();
  }
  return kSOk;
}

HResult VirtualCaptureDevice::SetAudioFormat(PinKind pin, const AudioFormat& format) {
  if (HResult hr = CheckAudioPin(pin); Failed(hr)) return hr;
  if (format.channels < 1 || format.channels > 2 || format.bitsPerSample != 16 ||
      format.samplesPerSec < 8000 || format.samplesPerSec > 48000)
    return kEInvalidArg;
  if (model_ == Model::kLineIn) {
    std::lock_guard lock(lineInMutex_);
    lineInFormat_ = format;
  } else {
    hardware_->SetSoundFormat(format);
  }
  return kSOk;
}

HResult VirtualCaptureDevice::MaxAvailableFrameInterval(PinKind pin, int32_t width, int32_t height,
                                                        int64_t* interval) {
  if (HResult hr = CheckVideoPin(pin); Failed(hr)) return hr;
  if (interval == nullptr) return kEPointer;
  if (width < kMinSide || width > kMaxWidth || height < kMinSide || height > kMaxHeight)
    return kEInvalidArg;
  *interval = standard::FrameIntervalOf(hardware_->Standard());
  return kSOk;
}

// --- still trigger and counters

HResult VirtualCaptureDevice::GetVideoControlMode(uint32_t* mode) {
  if (HResult hr = Check(DeviceFacility::kVideoControl); Failed(hr)) return hr;
  if (!HasOutput(PinKind::kStill)) return kENoInterface;
  if (mode == nullptr) return kEPointer;
  *mode = hardware_->VideoControlMode();
  return kSOk;
}

VirtualCaptureDevice::~VirtualCaptureDevice() {
  hardware_->SetUnheardSnapshotHandler(this, nullptr);
}

void VirtualCaptureDevice::SetUnheardSnapshotHandler(std::function<void()> handler) {
  if (model_ == Model::kVideo) hardware_->SetUnheardSnapshotHandler(this, std::move(handler));
}

HResult VirtualCaptureDevice::SetVideoControlMode(uint32_t mode) {
  if (HResult hr = Check(DeviceFacility::kVideoControl); Failed(hr)) return hr;
  if (!HasOutput(PinKind::kStill)) return kENoInterface;
  if ((mode & ~(kVideoControlExternalTriggerEnable | kVideoControlTrigger)) != 0)
    return kEInvalidArg;
  hardware_->SetVideoControlMode(mode);
  return kSOk;
}

HResult VirtualCaptureDevice::GetFrameCounts(FrameCounts* counts) {
  if (HResult hr = Check(DeviceFacility::kDroppedFrames); Failed(hr)) return hr;
  if (counts == nullptr) return kEPointer;
  *counts = hardware_->Counts();
  return kSOk;
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
