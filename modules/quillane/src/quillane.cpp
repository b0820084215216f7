// The factories. The viewer never releases the access objects, so the module owns them:
// one of each kind per property set, kept until the module is unloaded. Asking again for the
// same device hands back the same object instead of piling up new ones.
#include "quillane.h"

#include <map>
#include <memory>
#include <mutex>
#include <new>

#include "asic_io_impl.h"
#include "i2c_io_impl.h"
#include "vd/device_props.h"
#include "vd/hresult.h"
#include "vd/trace.h"

VD_DEFINE_TRACE(QuillaneTrace, "quillane")

namespace {

template <typename Impl>
class Registry {
 public:
  Impl* Get(vd::KsPropertySet* props) {
    std::lock_guard lock(mutex_);
    auto& slot = objects_[props];
    if (!slot) slot = std::make_unique<Impl>(props);
    return slot.get();
  }

 private:
  std::mutex mutex_;
  std::map<vd::KsPropertySet*, std::unique_ptr<Impl>> objects_;
};

Registry<vd::AsicIoImpl> asicObjects;
Registry<vd::I2cIoImpl> i2cObjects;

// Releases the source's reference however the factory leaves.
struct PropsRef {
  vd::KsPropertySet* props;
  ~PropsRef() {
    if (props != nullptr) props->Release();
  }
};

template <typename Impl, typename Out>
int32_t Open(vd::PropertySetSource* captureFilter, Out** out, const vd::Guid& set, uint32_t id,
             Registry<Impl>& registry) {
  if (out == nullptr) return vd::kEPointer;
  *out = nullptr;
  if (captureFilter == nullptr) return vd::kEPointer;
  PropsRef ref{captureFilter->QueryPropertySet()};
  if (ref.props == nullptr) return vd::kENoInterface;
  uint32_t support = 0;
  const vd::HResult hr = ref.props->QuerySupported(set, id, &support);
  if (vd::Failed(hr)) {
    QuillaneTrace("device has no property set for this access: 0x%X\n", static_cast<unsigned>(hr));
    return hr;
  }
  try {
    *out = registry.Get(ref.props);
  } catch (const std::bad_alloc&) {
    return vd::kEOutOfMemory;
  }
  return vd::kSOk;
}

}  // namespace

extern "C" QUILLANE_EXPORT int32_t NewKXAsicIo(vd::PropertySetSource* captureFilter, AsicIo** out) {
  return Open(captureFilter, out, vd::kPropSetAsic, vd::kAsicPropRegister, asicObjects);
}

extern "C" QUILLANE_EXPORT int32_t NewKXI2cIo(vd::PropertySetSource* captureFilter, I2cIo** out) {
  return Open(captureFilter, out, vd::kPropSetI2c, vd::kI2cPropWrite, i2cObjects);
}
