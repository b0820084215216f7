// Questions about a device's pin list that every back-end answers the same way.
#pragma once

#include <algorithm>
#include <vector>

#include "pin_property_set.h"
#include "vd/capture_types.h"

namespace vd {

inline bool IsVideoPin(PinKind pin) {
  return pin == PinKind::kCapture || pin == PinKind::kPreview || pin == PinKind::kStill;
}

inline bool IsAudioPin(PinKind pin) {
  return pin == PinKind::kAudioCapture || pin == PinKind::kAudioPreview;
}

inline bool HasOutputPin(const std::vector<PinInfo>& pins, PinKind pin) {
  return std::any_of(pins.begin(), pins.end(), [&](const PinInfo& p) {
    return p.kind == pin && p.direction == PinDirection::kOutput;
  });
}

// The property set of the pin at `index` (a referenced object), or null past the list's end.
inline KsPropertySet* PinPropertySetAt(const std::vector<PinInfo>& pins, size_t index) {
  return index < pins.size() ? PinPropertySet::Create(pins[index].category) : nullptr;
}

}  // namespace vd
