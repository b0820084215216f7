#include "pin_property_set.h"

#include <cstring>

#include "vd/device_props.h"

namespace vd {

KsPropertySet* PinPropertySet::Create(const Guid& category) {
  return new PinPropertySet(category);  // owned by its reference count
}

HResult PinPropertySet::Get(const Guid& set, uint32_t id, const void*, uint32_t, void* data,
                            uint32_t dataLen, uint32_t* returned) {
  if (set != kPropSetPin) return kEPropSetUnsupported;
  if (id != 0) return kEPropIdUnsupported;
  if (data == nullptr) return kEPointer;
  if (dataLen < 16) return kEInvalidArg;
  auto bytes = category_.Bytes();
  std::memcpy(data, bytes.data(), bytes.size());
  if (returned != nullptr) *returned = 16;
  return kSOk;
}

HResult PinPropertySet::Set(const Guid& set, uint32_t id, const void*, uint32_t, const void*,
                            uint32_t) {
  if (set != kPropSetPin) return kEPropSetUnsupported;
  if (id != 0) return kEPropIdUnsupported;
  return kENotImpl;  // a pin's category is read-only
}

HResult PinPropertySet::QuerySupported(const Guid& set, uint32_t id, uint32_t* support) {
  if (set != kPropSetPin) return kEPropSetUnsupported;
  if (id != 0) return kEPropIdUnsupported;
  if (support != nullptr) *support = kPropertySupportGet;
  return kSOk;
}

}  // namespace vd
