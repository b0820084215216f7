// A capture device's property sets for the modules' tests: a tuner with TV and radio
// ranges and a few stations, a register file, and an I2C bus with some devices on it.
// Records every tuner call so that tests can check what reached the device.
#pragma once

#include <array>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "vd/device_props.h"
#include "vd/ks_property_set.h"

namespace vd::test {

class FakeDevice final : public KsPropertySet, public PropertySetSource {
 public:
  // Reference-counted like a real device: it lives while a module holds a reference, also
  // after the test that made it has ended.
  static FakeDevice* Create() { return new FakeDevice; }

  void AddRef() override { ++refs; }
  void Release() override {
    if (--refs == 0) delete this;
  }
  HResult Get(const Guid& set, uint32_t id, const void* instance, uint32_t instanceLen, void* data,
              uint32_t dataLen, uint32_t* returned) override;
  HResult Set(const Guid& set, uint32_t id, const void* instance, uint32_t instanceLen,
              const void* data, uint32_t dataLen) override;
  HResult QuerySupported(const Guid& set, uint32_t id, uint32_t* support) override;
  KsPropertySet* QueryPropertySet() override;

  // What the device offers.
  bool hasPropertySet = true;
  bool hasTuner = true;
  bool hasRegisters = true;
  bool hasI2c = true;
  bool checksRange = true;   // a lenient device tunes anywhere
  bool signalFails = false;  // the signal property answers with an error
  uint32_t caps = kTunerCapTv | kTunerCapRadio;
  TunerRange tvRange{44'000'000, 870'000'000, 62'500};
  TunerRange radioRange{87'500'000, 108'000'000, 50'000};
  std::set<uint32_t> stations;

  // Hardware state.
  int refs = 1;  // the test's own reference
  uint32_t mode = kTunerModeTv;
  uint32_t frequency = 0;
  std::map<uint32_t, uint8_t> registers;  // registers from 0x100 on do not exist
  std::map<uint8_t, std::array<uint8_t, 256>> i2cDevices;

  std::vector<std::string> tunerCalls;

 private:
  FakeDevice();
  ~FakeDevice() override = default;

  HResult GetTuner(uint32_t id, const void* instance, uint32_t instanceLen, void* data,
                   uint32_t dataLen, uint32_t* returned);
  HResult SetTuner(uint32_t id, const void* data, uint32_t dataLen);
};

// The test's own reference.
class DeviceRef {
 public:
  DeviceRef() : dev_(FakeDevice::Create()) {}
  DeviceRef(const DeviceRef&) = delete;
  DeviceRef& operator=(const DeviceRef&) = delete;
  FakeDevice* operator->() const { return dev_.get(); }
  FakeDevice* get() const { return dev_.get(); }

 private:
  RefPtr<FakeDevice> dev_;
};

}  // namespace vd::test
