#include "virtual_property_set.h"

#include <cstring>

#include "../property_bytes.h"
#include "../property_support.h"
#include "vd/device_props.h"
#include "virtual_hardware.h"

namespace vd {

namespace {
using property_bytes::PutU32;
using property_bytes::ReadU32;
using property_bytes::WriteU32;

HResult CheckSupport(const Guid& set, uint32_t id, uint32_t wanted) {
  int64_t support = DevicePropertySupport(set, id);
  if (support < 0) return kEPropSetUnsupported;
  if ((support & wanted) == 0) return kEPropIdUnsupported;
  return kSOk;
}
}  // namespace

KsPropertySet* VirtualPropertySet::Create(std::shared_ptr<VirtualHardware> hardware,
                                          uint64_t generation) {
  return new VirtualPropertySet(std::move(hardware), generation);  // owned by its count
}

HResult VirtualPropertySet::QuerySupported(const Guid& set, uint32_t id, uint32_t* support) {
  int64_t s = DevicePropertySupport(set, id);
  if (s < 0) return kEPropSetUnsupported;
  if (s == 0) return kEPropIdUnsupported;
  if (!hardware_->IsAlive(generation_)) return kEDeviceGone;
  if (support != nullptr) *support = static_cast<uint32_t>(s);
  return kSOk;
}

HResult VirtualPropertySet::Get(const Guid& set, uint32_t id, const void* instance,
                                uint32_t instanceLen, void* data, uint32_t dataLen,
                                uint32_t* returned) {
  if (HResult hr = CheckSupport(set, id, kPropertySupportGet); Failed(hr)) return hr;
  if (!hardware_->IsAlive(generation_)) return kEDeviceGone;
  if (set == kPropSetProduct) return PutU32(hardware_->ProductId(), data, dataLen, returned);
  if (set == kPropSetTuner) return GetTuner(id, instance, instanceLen, data, dataLen, returned);
  if (set == kPropSetAsic) {
    if (instance == nullptr || instanceLen < 4) return kEInvalidArg;
    if (data == nullptr) return kEPointer;
    if (dataLen < 1) return kEInvalidArg;
    uint8_t value = 0;
    if (HResult hr = hardware_->ReadRegister(ReadU32(instance), &value); Failed(hr)) return hr;
    *static_cast<uint8_t*>(data) = value;
    if (returned != nullptr) *returned = 1;
    return kSOk;
  }
  // I2C read: instance = address, register, count.
  if (instance == nullptr || instanceLen < 3) return kEInvalidArg;
  const auto* in = static_cast<const uint8_t*>(instance);
  uint8_t count = in[2];
  if (count == 0) return kEInvalidArg;
  if (data == nullptr) return kEPointer;
  if (dataLen < count) return kEInvalidArg;
  HResult hr = hardware_->I2cRead(in[0], in[1], static_cast<uint8_t*>(data), count);
  if (Succeeded(hr) && returned != nullptr) *returned = count;
  return hr;
}

HResult VirtualPropertySet::Set(const Guid& set, uint32_t id, const void* instance,
                                uint32_t instanceLen, const void* data, uint32_t dataLen) {
  if (HResult hr = CheckSupport(set, id, kPropertySupportSet); Failed(hr)) return hr;
  if (!hardware_->IsAlive(generation_)) return kEDeviceGone;
  if (set == kPropSetTuner) return SetTuner(id, data, dataLen);
  if (set == kPropSetAsic) {
    if (instance == nullptr || instanceLen < 4) return kEInvalidArg;
    if (data == nullptr) return kEPointer;
    if (dataLen < 1) return kEInvalidArg;
    return hardware_->WriteRegister(ReadU32(instance), *static_cast<const uint8_t*>(data));
  }
  // I2C write: data = address, register, values.
  if (data == nullptr) return kEPointer;
  if (dataLen < 2) return kEInvalidArg;
  const auto* d = static_cast<const uint8_t*>(data);
  return hardware_->I2cWrite(d[0], d[1], d + 2, dataLen - 2);
}

HResult VirtualPropertySet::GetTuner(uint32_t id, const void* instance, uint32_t instanceLen,
                                     void* data, uint32_t dataLen, uint32_t* returned) {
  switch (id) {
    case kTunerPropCaps:
      return PutU32(kTunerCapTv | kTunerCapRadio, data, dataLen, returned);
    case kTunerPropMode:
      return PutU32(hardware_->TunerMode(), data, dataLen, returned);
    case kTunerPropFrequency:
      return PutU32(hardware_->Frequency(), data, dataLen, returned);
    case kTunerPropSignal:
    case kTunerPropStrength: {
      if (data == nullptr) return kEPointer;
      if (dataLen < 4) return kEInvalidArg;
      bool signal = hardware_->WaitForSignal();
      // The box's stations sit exactly on their frequencies: full strength there, none beside.
      const uint32_t full = id == kTunerPropStrength ? 0xFFFF : 1;
      return PutU32(signal ? full : 0, data, dataLen, returned);
    }
    case kTunerPropRange: {
      if (instance == nullptr || instanceLen < 4) return kEInvalidArg;
      uint32_t mode = ReadU32(instance);
      if (mode != kTunerModeTv && mode != kTunerModeRadio) return kEInvalidArg;
      if (data == nullptr) return kEPointer;
      if (dataLen < sizeof(TunerRange)) return kEInvalidArg;
      TunerRange r = VirtualHardware::RangeOf(mode);
      auto* out = static_cast<uint8_t*>(data);
      WriteU32(out, r.minHz);
      WriteU32(out + 4, r.maxHz);
      WriteU32(out + 8, r.stepHz);
      if (returned != nullptr) *returned = sizeof(TunerRange);
      return kSOk;
    }
    default:
      return kEPropIdUnsupported;
  }
}

HResult VirtualPropertySet::SetTuner(uint32_t id, const void* data, uint32_t dataLen) {
  if (data == nullptr) return kEPointer;
  if (dataLen < 4) return kEInvalidArg;
  uint32_t value = ReadU32(data);
  if (id == kTunerPropMode) return hardware_->SetTunerMode(value);
  return hardware_->SetFrequency(value);
}

}  // namespace vd
