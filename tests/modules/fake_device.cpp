#include "fake_device.h"

#include <cstring>

namespace vd::test {

namespace {

uint32_t ReadU32(const void* p) {
  uint32_t v = 0;
  std::memcpy(&v, p, sizeof v);
  return v;
}

}  // namespace

FakeDevice::FakeDevice() {
  i2cDevices[0xC2] = {};
}

KsPropertySet* FakeDevice::QueryPropertySet() {
  if (!hasPropertySet) return nullptr;
  AddRef();
  return this;
}

HResult FakeDevice::QuerySupported(const Guid& set, uint32_t id, uint32_t* support) {
  if (support == nullptr) return kEPointer;
  if ((set == kPropSetTuner && hasTuner && id <= kTunerPropRange) ||
      (set == kPropSetAsic && hasRegisters && id == kAsicPropRegister) ||
      (set == kPropSetI2c && hasI2c && id <= kI2cPropRead)) {
    *support = kPropertySupportGet | kPropertySupportSet;
    return kSOk;
  }
  return kEPropSetUnsupported;
}

HResult FakeDevice::GetTuner(uint32_t id, const void* instance, uint32_t instanceLen, void* data,
                             uint32_t dataLen, uint32_t* returned) {
  uint32_t value = 0;
  switch (id) {
    case kTunerPropCaps:
      tunerCalls.push_back("get caps");
      value = caps;
      break;
    case kTunerPropMode:
      tunerCalls.push_back("get mode");
      value = mode;
      break;
    case kTunerPropFrequency:
      tunerCalls.push_back("get frequency");
      value = frequency;
      break;
    case kTunerPropSignal:
      tunerCalls.push_back("get signal");
      if (signalFails) return kEFail;
      value = stations.count(frequency) != 0 ? 1 : 0;
      break;
    case kTunerPropRange: {
      if (instance == nullptr || instanceLen < 4) return kEInvalidArg;
      const uint32_t m = ReadU32(instance);
      tunerCalls.push_back("get range " + std::to_string(m));
      if (dataLen < sizeof(TunerRange)) return kEInvalidArg;
      if (m != kTunerModeTv && m != kTunerModeRadio) return kEInvalidArg;
      std::memcpy(data, m == kTunerModeTv ? &tvRange : &radioRange, sizeof(TunerRange));
      if (returned != nullptr) *returned = sizeof(TunerRange);
      return kSOk;
    }
    default:
      return kEPropIdUnsupported;
  }
  if (dataLen < sizeof value) return kEInvalidArg;
  std::memcpy(data, &value, sizeof value);
  if (returned != nullptr) *returned = sizeof value;
  return kSOk;
}

HResult FakeDevice::SetTuner(uint32_t id, const void* data, uint32_t dataLen) {
  if (dataLen < 4) return kEInvalidArg;
  const uint32_t value = ReadU32(data);
  switch (id) {
    case kTunerPropMode:
      tunerCalls.push_back("set mode " + std::to_string(value));
      if (value != kTunerModeTv && value != kTunerModeRadio) return kEInvalidArg;
      mode = value;
      return kSOk;
    case kTunerPropFrequency: {
      tunerCalls.push_back("set frequency " + std::to_string(value));
      const TunerRange& r = mode == kTunerModeTv ? tvRange : radioRange;
      if (checksRange && (value < r.minHz || value > r.maxHz)) return kEInvalidArg;
      frequency = value;
      return kSOk;
    }
    default:
      return kEPropIdUnsupported;
  }
}

HResult FakeDevice::Get(const Guid& set, uint32_t id, const void* instance, uint32_t instanceLen,
                        void* data, uint32_t dataLen, uint32_t* returned) {
  if (set == kPropSetTuner && hasTuner) {
    return GetTuner(id, instance, instanceLen, data, dataLen, returned);
  }
  if (set == kPropSetAsic && hasRegisters) {
    if (instance == nullptr || instanceLen < 4 || dataLen < 1) return kEInvalidArg;
    const uint32_t reg = ReadU32(instance);
    if (reg >= 0x100) return kEInvalidArg;
    *static_cast<uint8_t*>(data) = registers[reg];
    if (returned != nullptr) *returned = 1;
    return kSOk;
  }
  if (set == kPropSetI2c && hasI2c && id == kI2cPropRead) {
    if (instance == nullptr || instanceLen < 3) return kEInvalidArg;
    const auto* in = static_cast<const uint8_t*>(instance);
    auto dev = i2cDevices.find(in[0]);
    if (dev == i2cDevices.end()) return kEFail;
    if (dataLen < in[2]) return kEInvalidArg;
    for (uint32_t i = 0; i < in[2]; ++i) {
      static_cast<uint8_t*>(data)[i] = dev->second[(in[1] + i) % 256];
    }
    if (returned != nullptr) *returned = in[2];
    return kSOk;
  }
  return kEPropSetUnsupported;
}

HResult FakeDevice::Set(const Guid& set, uint32_t id, const void* instance, uint32_t instanceLen,
                        const void* data, uint32_t dataLen) {
  if (set == kPropSetTuner && hasTuner) return SetTuner(id, data, dataLen);
  if (set == kPropSetAsic && hasRegisters) {
    if (instance == nullptr || instanceLen < 4 || dataLen < 1) return kEInvalidArg;
    const uint32_t reg = ReadU32(instance);
    if (reg >= 0x100) return kEInvalidArg;
    registers[reg] = *static_cast<const uint8_t*>(data);
    return kSOk;
  }
  if (set == kPropSetI2c && hasI2c && id == kI2cPropWrite) {
    if (data == nullptr || dataLen < 2) return kEInvalidArg;
    const auto* bytes = static_cast<const uint8_t*>(data);
    auto dev = i2cDevices.find(bytes[0]);
    if (dev == i2cDevices.end()) return kEFail;
    for (uint32_t i = 2; i < dataLen; ++i) dev->second[(bytes[1] + i - 2) % 256] = bytes[i];
    return kSOk;
  }
  return kEPropSetUnsupported;
}

}  // namespace vd::test
