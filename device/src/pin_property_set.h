// The property set of one pin: answers kPropSetPin id 0 with the pin's category bytes.
// Shared by every back-end.
#pragma once

#include "counted_property_set.h"
#include "vd/guid.h"

namespace vd {

class PinPropertySet final : public CountedPropertySet {
 public:
  // Returns a referenced object (count 1).
  static KsPropertySet* Create(const Guid& category);

  HResult Get(const Guid& set, uint32_t id, const void* instance, uint32_t instanceLen, void* data,
              uint32_t dataLen, uint32_t* returned) override;
  HResult Set(const Guid& set, uint32_t id, const void* instance, uint32_t instanceLen,
              const void* data, uint32_t dataLen) override;
  HResult QuerySupported(const Guid& set, uint32_t id, uint32_t* support) override;

 private:
  explicit PinPropertySet(const Guid& category) : category_(category) {}
  ~PinPropertySet() override = default;

  Guid category_;
};

}  // namespace vd
