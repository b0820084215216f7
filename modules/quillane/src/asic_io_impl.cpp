#include "asic_io_impl.h"

#include "vd/device_props.h"
#include "vd/hresult.h"

namespace vd {

AsicIoImpl::AsicIoImpl(KsPropertySet* props) : props_(KsPropertySetPtr::Share(props)) {}

AsicIoImpl::~AsicIoImpl() = default;

void AsicIoImpl::Rebind(KsPropertySet* props) {
  props_ = KsPropertySetPtr::Share(props);
}

int32_t AsicIoImpl::ReadRegisters(uint32_t reg, uint8_t* bytes, uint32_t count) {
  if (bytes == nullptr && count > 0) return kEPointer;
  for (uint32_t i = 0; i < count; ++i) {
    const uint32_t r = reg + i;
    uint32_t returned = 0;
    const HResult hr =
        props_->Get(kPropSetAsic, kAsicPropRegister, &r, sizeof r, &bytes[i], 1, &returned);
    if (Failed(hr)) return hr;
    // A device that answers without a byte has not read the register.
    if (returned != 1) return kEFail;
  }
  return kSOk;
}

int32_t AsicIoImpl::WriteRegisters(uint32_t reg, const uint8_t* bytes, uint32_t count) {
  if (bytes == nullptr && count > 0) return kEPointer;
  for (uint32_t i = 0; i < count; ++i) {
    const uint32_t r = reg + i;
    const HResult hr = props_->Set(kPropSetAsic, kAsicPropRegister, &r, sizeof r, &bytes[i], 1);
    if (Failed(hr)) return hr;
  }
  return kSOk;
}

}  // namespace vd
