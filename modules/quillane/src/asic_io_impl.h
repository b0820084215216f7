// Chip registers through the device's register property set, one byte per register.
#pragma once

#include "quillane.h"
#include "vd/ks_property_set.h"

namespace vd {

class AsicIoImpl final : public ::AsicIo {
 public:
  // Takes its own reference on `props`.
  explicit AsicIoImpl(KsPropertySet* props);
  ~AsicIoImpl();
  AsicIoImpl(const AsicIoImpl&) = delete;
  AsicIoImpl& operator=(const AsicIoImpl&) = delete;

  // Points the object at another device's property set, taking a reference on it and
  // letting the old one go.
  void Rebind(KsPropertySet* props);

  void Reserved0() override {}
  int32_t ReadRegisters(uint32_t reg, uint8_t* bytes, uint32_t count) override;
  int32_t WriteRegisters(uint32_t reg, const uint8_t* bytes, uint32_t count) override;

 private:
  KsPropertySetPtr props_;
};

}  // namespace vd
