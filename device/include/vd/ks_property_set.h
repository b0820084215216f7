// The one view of a capture device that the outside modules (tuner, device access) get:
// property sets addressed by GUID and id. Every device back-end implements it.
//
// Threads: a device's property set may be called from any thread; implementations serialise
// calls themselves.
#pragma once

#include <cstdint>

#include "vd/guid.h"
#include "vd/hresult.h"
#include "vd/ref_ptr.h"

namespace vd {

// Bits of QuerySupported's answer.
inline constexpr uint32_t kPropertySupportGet = 1;
inline constexpr uint32_t kPropertySupportSet = 2;

class KsPropertySet {
 public:
  // Reference counting: the object lives while anyone holds a reference. The device layer
  // hands out referenced pointers; every holder calls Release exactly once.
  virtual void AddRef() = 0;
  virtual void Release() = 0;

  // Reads property `id` of `set`. `instance` carries the property's arguments (may be null),
  // `data` receives up to `dataLen` bytes and `*returned` (may be null) their count.
  // Unknown sets answer kEPropSetUnsupported, unknown ids kEPropIdUnsupported; a buffer too
  // small answers kEInvalidArg. Never throws.
  virtual HResult Get(const Guid& set, uint32_t id, const void* instance, uint32_t instanceLen,
                      void* data, uint32_t dataLen, uint32_t* returned) = 0;
  virtual HResult Set(const Guid& set, uint32_t id, const void* instance, uint32_t instanceLen,
                      const void* data, uint32_t dataLen) = 0;
  // kSOk and the support bits in *support when the property exists.
  virtual HResult QuerySupported(const Guid& set, uint32_t id, uint32_t* support) = 0;

 protected:
  virtual ~KsPropertySet() = default;
};

// Holds one reference: `KsPropertySetPtr props(filter->QueryPropertySet());`.
using KsPropertySetPtr = RefPtr<KsPropertySet>;

// Anything that can hand out the device's property set: every capture filter of the device
// layer is one. The device-access module takes the capture filter through this view.
class PropertySetSource {
 public:
  // A referenced pointer (the caller releases it), or null when the device has none.
  virtual KsPropertySet* QueryPropertySet() = 0;

 protected:
  virtual ~PropertySetSource() = default;
};

}  // namespace vd
