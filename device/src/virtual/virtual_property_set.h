// The capture filter's property set on the virtual TV box: the product set, the tuner, the
// chip registers and the I2C bus, answered from the shared hardware state.
#pragma once

#include <cstdint>
#include <memory>

#include "counted_property_set.h"

namespace vd {

class VirtualHardware;

class VirtualPropertySet final : public CountedPropertySet {
 public:
  // A referenced object (count 1) bound to the hardware as plugged in now: after an unplug
  // every call answers kEDeviceGone.
  static KsPropertySet* Create(std::shared_ptr<VirtualHardware> hardware, uint64_t generation);

  HResult Get(const Guid& set, uint32_t id, const void* instance, uint32_t instanceLen, void* data,
              uint32_t dataLen, uint32_t* returned) override;
  HResult Set(const Guid& set, uint32_t id, const void* instance, uint32_t instanceLen,
              const void* data, uint32_t dataLen) override;
  HResult QuerySupported(const Guid& set, uint32_t id, uint32_t* support) override;

 private:
  VirtualPropertySet(std::shared_ptr<VirtualHardware> hardware, uint64_t generation)
      : hardware_(std::move(hardware)), generation_(generation) {}
  ~VirtualPropertySet() override = default;

  HResult GetTuner(uint32_t id, const void* instance, uint32_t instanceLen, void* data,
                   uint32_t dataLen, uint32_t* returned);
  HResult SetTuner(uint32_t id, const void* data, uint32_t dataLen);

  std::shared_ptr<VirtualHardware> hardware_;
  uint64_t generation_;
};

}  // namespace vd
