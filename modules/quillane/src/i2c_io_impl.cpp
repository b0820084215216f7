#include "i2c_io_impl.h"

#include <algorithm>
#include <array>

#include "vd/device_props.h"
#include "vd/hresult.h"

namespace vd {

I2cIoImpl::I2cIoImpl(KsPropertySet* props) : props_(KsPropertySetPtr::Share(props)) {}

I2cIoImpl::~I2cIoImpl() = default;

void I2cIoImpl::Rebind(KsPropertySet* props) {
  props_ = KsPropertySetPtr::Share(props);
}

int32_t I2cIoImpl::Read(uint8_t device, uint8_t* data, uint8_t count) {
  if (data == nullptr) return kEPointer;
  // data[0] names the register, so there is no read of nothing.
  if (count == 0) return kEInvalidArg;
  const std::array<uint8_t, 3> instance = {device, data[0], count};
  // Read into a copy: a failed transfer leaves the caller's register byte as it was.
  std::array<uint8_t, 255> bytes{};
  uint32_t returned = 0;
  const HResult hr =
      props_->Get(kPropSetI2c, kI2cPropRead, instance.data(),
                  static_cast<uint32_t>(instance.size()), bytes.data(), count, &returned);
  if (Failed(hr)) return hr;
  if (returned != count) return kEFail;
  std::copy_n(bytes.begin(), count, data);
  return kSOk;
}

int32_t I2cIoImpl::Write(uint8_t device, const uint8_t* data, uint8_t count) {
  if (data == nullptr) return kEPointer;
  if (count == 0) return kEInvalidArg;
  std::array<uint8_t, 256> message{};
  message[0] = device;
  std::copy_n(data, count, message.begin() + 1);
  return props_->Set(kPropSetI2c, kI2cPropWrite, nullptr, 0, message.data(),
                     static_cast<uint32_t>(count) + 1);
}

}  // namespace vd
