// What the device's property sets offer, id by id. Every back-end answers with this table;
// a back-end may only take a set away (a card without a tuner, say).
#pragma once

#include <cstdint>

#include "vd/device_props.h"
#include "vd/guid.h"
#include "vd/ks_property_set.h"

namespace vd {

// Get/Set bits of `id` in `set`: 0 for an id the set does not know, -1 for an unknown set.
inline int64_t DevicePropertySupport(const Guid& set, uint32_t id) {
  constexpr uint32_t kGet = kPropertySupportGet, kSet = kPropertySupportSet;
  if (set == kPropSetProduct) return id == kProductPropId ? kGet : 0;
  if (set == kPropSetTuner) {
    switch (id) {
      case kTunerPropCaps:
      case kTunerPropSignal:
      case kTunerPropRange:
      case kTunerPropStrength:
        return kGet;
      case kTunerPropMode:
      case kTunerPropFrequency:
        return kGet | kSet;
      default:
        return 0;
    }
  }
  if (set == kPropSetAsic) return id == kAsicPropRegister ? (kGet | kSet) : 0;
  if (set == kPropSetI2c) return id == kI2cPropWrite ? kSet : id == kI2cPropRead ? kGet : 0;
  return -1;
}

}  // namespace vd
