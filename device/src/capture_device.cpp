#include "vd/capture_device.h"

#include <algorithm>
#include <array>

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

int32_t CaptureDevice::CrossbarInputOf(int32_t physicalType, int32_t skip) {
  int32_t outputs = 0;
  int32_t inputs = 0;
  if (Failed(CrossbarPinCounts(&outputs, &inputs))) return -1;
  for (int32_t i = 0; i < inputs; ++i) {
    CrossbarPin pin;
    if (Succeeded(CrossbarPinInfo(true, i, &pin)) && pin.physicalType == physicalType &&
        skip-- == 0)
      return i;
  }
  return -1;
}

bool CaptureDevice::IsBulkPin(size_t pinIndex) {
  const KsPropertySetPtr props(QueryPinPropertySet(pinIndex));
  if (props == nullptr) return false;
  std::array<uint8_t, 16> category{};
  uint32_t returned = 0;
  const HResult hr = props->Get(kPropSetPin, 0, nullptr, 0, category.data(),
                                static_cast<uint32_t>(category.size()), &returned);
  return Succeeded(hr) && returned == category.size() && category == kPinCategoryBulk.Bytes();
}

}  // namespace vd
