#include "vd/capture_device.h"

#include <algorithm>

#include "vd/device_props.h"

namespace vd {

Guid PinCategoryOf(PinKind kind) {
  switch (kind) {
    case PinKind::kCapture:
      return kPinCategoryCapture;
    case PinKind::kPreview:
      return kPinCategoryPreview;
    case PinKind::kStill:
      return kPinCategoryStill;
    case PinKind::kAudioPreview:
      return kPinCategoryAudioPreview;
    case PinKind::kAudioCapture:
      return kPinCategoryAudioCapture;
    case PinKind::kBulk:
      return kPinCategoryBulk;
    case PinKind::kAnalogVideoIn:
      return kPinCategoryAnalogVideoIn;
  }
  return {};
}

bool CaptureDevice::HasPin(PinKind kind) const {
  auto pins = Pins();
  return std::any_of(pins.begin(), pins.end(), [&](const PinInfo& p) { return p.kind == kind; });
}

}  // namespace vd
