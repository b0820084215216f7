// The capture device's I2C bus through the device's I2C property set.
#pragma once

#include "quillane.h"
#include "vd/ks_property_set.h"

namespace vd {

class I2cIoImpl final : public ::I2cIo {
 public:
  // Takes its own reference on `props`.
  explicit I2cIoImpl(KsPropertySet* props);
  ~I2cIoImpl();
  I2cIoImpl(const I2cIoImpl&) = delete;
  I2cIoImpl& operator=(const I2cIoImpl&) = delete;

  // Points the object at another device's property set, taking a reference on it and
  // letting the old one go.
  void Rebind(KsPropertySet* props);

  void Reserved0() override {}
  int32_t Read(uint8_t device, uint8_t* data, uint8_t count) override;
  int32_t Write(uint8_t device, const uint8_t* data, uint8_t count) override;

 private:
  KsPropertySetPtr props_;
};

}  // namespace vd
