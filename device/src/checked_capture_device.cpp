#include "checked_capture_device.h"

#include "pin_list.h"
#include "vd/device_props.h"

namespace vd {

namespace {

bool IsKnownAmpProperty(AmpProperty property) {
  const auto i = static_cast<int>(property);
  return i >= 0 && i < CheckedCaptureDevice::kAmpProperties;
}

bool IsSingleStandard(uint32_t standard) {
  return standard != 0 && (standard & (standard - 1)) == 0;
}

}  // namespace

HResult CheckedCaptureDevice::Check(DeviceFacility facility) const {
  if (!HasFacility(facility)) return kENoInterface;
  return IsAlive() ? kSOk : kEDeviceGone;
}

bool CheckedCaptureDevice::HasOutput(PinKind pin) const {
  return HasOutputPin(pins_, pin);
}

HResult CheckedCaptureDevice::CheckVideoPin(PinKind pin) const {
  if (!IsVideoPin(pin) || !HasOutput(pin)) return kENoInterface;
  return IsAlive() ? kSOk : kEDeviceGone;
}

HResult CheckedCaptureDevice::CheckAudioPin(PinKind pin) const {
  if (!IsAudioPin(pin) || !HasOutput(pin)) return kENoInterface;
  return IsConnected() ? kSOk : kEDeviceGone;
}

HResult CheckedCaptureDevice::CheckStillTrigger() const {
  if (HResult hr = Check(DeviceFacility::kVideoControl); Failed(hr)) return hr;
  // The trigger delivers on the still pin; without one there is nothing to trigger.
  return HasOutput(PinKind::kStill) ? kSOk : kENoInterface;
}

HResult CheckedCaptureDevice::CheckPictureSize(int32_t width, int32_t height) {
  int32_t maxWidth = 0;
  int32_t maxHeight = 0;
  MaxPictureSize(&maxWidth, &maxHeight);
  if (width < kMinSide || width > maxWidth || height < kMinSide || height > maxHeight)
    return kEInvalidArg;
  return kSOk;
}

KsPropertySet* CheckedCaptureDevice::QueryPinPropertySet(size_t pinIndex) {
  return PinPropertySetAt(pins_, pinIndex);
}

// --- crossbar

HResult CheckedCaptureDevice::CrossbarPinCounts(int32_t* outputs, int32_t* inputs) {
  if (HResult hr = Check(DeviceFacility::kCrossbar); Failed(hr)) return hr;
  if (outputs == nullptr || inputs == nullptr) return kEPointer;
  *outputs = kCrossbarOutputs;
  *inputs = CrossbarInputCount();
  return kSOk;
}

HResult CheckedCaptureDevice::CrossbarPinInfo(bool isInput, int32_t index, CrossbarPin* pin) {
  if (HResult hr = Check(DeviceFacility::kCrossbar); Failed(hr)) return hr;
  if (pin == nullptr) return kEPointer;
  if (isInput) {
    if (index < 0 || index >= CrossbarInputCount()) return kEInvalidArg;
    *pin = CrossbarInput(index);
    return kSOk;
  }
  // Each output names the other as the pin that belongs with it.
  if (index == kVideoOutput) {
    *pin = {physical::kVideoDecoder, kAudioOutput};
  } else if (index == kAudioOutput) {
    *pin = {physical::kAudioDecoder, kVideoOutput};
  } else {
    return kEInvalidArg;
  }
  return kSOk;
}

HResult CheckedCaptureDevice::CanRoute(int32_t output, int32_t input) {
  if (HResult hr = Check(DeviceFacility::kCrossbar); Failed(hr)) return hr;
  return Routable(output, input) ? kSOk : kSFalse;
}

HResult CheckedCaptureDevice::Route(int32_t output, int32_t input) {
  const HResult can = CanRoute(output, input);
  if (can != kSOk) return Failed(can) ? can : kEInvalidArg;
  return DoRoute(output, input);
}

HResult CheckedCaptureDevice::IsRoutedTo(int32_t output, int32_t* input) {
  if (HResult hr = Check(DeviceFacility::kCrossbar); Failed(hr)) return hr;
  if (input == nullptr) return kEPointer;
  if (output != kVideoOutput && output != kAudioOutput) return kEInvalidArg;
  return DoRoutedTo(output, input);
}

// --- decoder

HResult CheckedCaptureDevice::AvailableTvFormats(uint32_t* mask) {
  if (HResult hr = Check(DeviceFacility::kAnalogVideoDecoder); Failed(hr)) return hr;
  if (mask == nullptr) return kEPointer;
  return DoAvailableTvFormats(mask);
}

HResult CheckedCaptureDevice::SetTvFormat(uint32_t standard) {
  if (HResult hr = Check(DeviceFacility::kAnalogVideoDecoder); Failed(hr)) return hr;
  if (!IsSingleStandard(standard)) return kEInvalidArg;
  return DoSetTvFormat(standard);
}

HResult CheckedCaptureDevice::TvFormat(uint32_t* standard) {
  if (HResult hr = Check(DeviceFacility::kAnalogVideoDecoder); Failed(hr)) return hr;
  if (standard == nullptr) return kEPointer;
  return DoTvFormat(standard);
}

HResult CheckedCaptureDevice::HorizontalLocked(bool* locked) {
  if (HResult hr = Check(DeviceFacility::kAnalogVideoDecoder); Failed(hr)) return hr;
  if (locked == nullptr) return kEPointer;
  return DoHorizontalLocked(locked);
}

// --- amplifier

HResult CheckedCaptureDevice::GetAmpRange(AmpProperty property, AmpRange* range) {
  if (HResult hr = Check(DeviceFacility::kVideoProcAmp); Failed(hr)) return hr;
  if (!IsKnownAmpProperty(property)) return kEInvalidArg;
  if (range == nullptr) return kEPointer;
  return DoGetAmpRange(property, range);
}

HResult CheckedCaptureDevice::GetAmp(AmpProperty property, int32_t* value) {
  if (HResult hr = Check(DeviceFacility::kVideoProcAmp); Failed(hr)) return hr;
  if (!IsKnownAmpProperty(property)) return kEInvalidArg;
  if (value == nullptr) return kEPointer;
  return DoGetAmp(property, value);
}

HResult CheckedCaptureDevice::SetAmp(AmpProperty property, int32_t value) {
  AmpRange range;
  if (HResult hr = GetAmpRange(property, &range); Failed(hr)) return hr;
  if (value < range.min || value > range.max) return kEInvalidArg;
  return DoSetAmp(property, value);
}

// --- formats

HResult CheckedCaptureDevice::GetVideoFormat(PinKind pin, VideoFormat* format) {
  if (HResult hr = CheckVideoPin(pin); Failed(hr)) return hr;
  if (format == nullptr) return kEPointer;
  return DoGetVideoFormat(pin, format);
}

HResult CheckedCaptureDevice::SetVideoFormat(PinKind pin, const VideoFormat& format) {
  if (HResult hr = CheckVideoPin(pin); Failed(hr)) return hr;
  const bool rgb = format.fourcc == kFourccRgb && (format.bitCount == 24 || format.bitCount == 32);
  const bool yuy2 = format.fourcc == kFourccYuy2 && format.bitCount == 16;
  // The still pin sends RGB pictures only; the video pins YUY2 or RGB.
  if (pin == PinKind::kStill ? !rgb : !(rgb || yuy2)) return kEInvalidArg;
  if (HResult hr = CheckPictureSize(format.width, format.height); Failed(hr)) return hr;
  if (yuy2 && format.width % 2 != 0) return kEInvalidArg;
  VideoFormat accepted = format;
  const int64_t fastest = FastestInterval();
  // 0 asks for the standard's own rate; anything faster than the standard cannot be had.
  if (accepted.frameInterval == 0) accepted.frameInterval = fastest;
  if (accepted.frameInterval < fastest || accepted.frameInterval > kSlowestFrameInterval)
    return kEInvalidArg;
  return DoSetVideoFormat(pin, accepted);
}

HResult CheckedCaptureDevice::VideoFormatCaps(PinKind pin, std::vector<VideoFormat>* formats) {
  if (HResult hr = CheckVideoPin(pin); Failed(hr)) return hr;
  if (formats == nullptr) return kEPointer;
  return DoVideoFormatCaps(pin, formats);
}

HResult CheckedCaptureDevice::GetAudioFormat(PinKind pin, AudioFormat* format) {
  if (HResult hr = CheckAudioPin(pin); Failed(hr)) return hr;
  if (format == nullptr) return kEPointer;
  return DoGetAudioFormat(format);
}

HResult CheckedCaptureDevice::SetAudioFormat(PinKind pin, const AudioFormat& format) {
  if (HResult hr = CheckAudioPin(pin); Failed(hr)) return hr;
  if (format.channels < 1 || format.channels > kMaxAudioChannels ||
      format.bitsPerSample != kAudioBitsPerSample || format.samplesPerSec < kMinSampleRate ||
      format.samplesPerSec > kMaxSampleRate)
    return kEInvalidArg;
  return DoSetAudioFormat(format);
}

HResult CheckedCaptureDevice::MaxAvailableFrameInterval(PinKind pin, int32_t width, int32_t height,
                                                        int64_t* interval) {
  if (HResult hr = CheckVideoPin(pin); Failed(hr)) return hr;
  if (interval == nullptr) return kEPointer;
  if (HResult hr = CheckPictureSize(width, height); Failed(hr)) return hr;
  *interval = FastestInterval();
  return kSOk;
}

// --- still trigger and counters

HResult CheckedCaptureDevice::GetVideoControlMode(uint32_t* mode) {
  if (HResult hr = CheckStillTrigger(); Failed(hr)) return hr;
  if (mode == nullptr) return kEPointer;
  return DoGetVideoControlMode(mode);
}

HResult CheckedCaptureDevice::SetVideoControlMode(uint32_t mode) {
  if (HResult hr = CheckStillTrigger(); Failed(hr)) return hr;
  if ((mode & ~(kVideoControlExternalTriggerEnable | kVideoControlTrigger)) != 0)
    return kEInvalidArg;
  return DoSetVideoControlMode(mode);
}

HResult CheckedCaptureDevice::GetFrameCounts(FrameCounts* counts) {
  if (HResult hr = Check(DeviceFacility::kDroppedFrames); Failed(hr)) return hr;
  if (counts == nullptr) return kEPointer;
  return DoGetFrameCounts(counts);
}

}  // namespace vd
