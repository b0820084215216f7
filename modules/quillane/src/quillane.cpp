// The factories. The viewer never releases the access objects, so the module owns them: one
// of each kind, kept until the module is unloaded and pointed at the device asked for last.
// The device layer hands out a new property-set object on every query, so no pointer can
// tell one device from another; and the viewer works with one capture device at a time.
// Asking again therefore hands back the same object, which lets go of the previous device
// (an unplugged card's node is closed) instead of piling up objects and references.
#include "quillane.h"

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
    if (object_) {
      object_->Rebind(props);
    } else {
      object_ = std::make_unique<Impl>(props);
    }
    return object_.get();
  }

 private:
  std::mutex mutex_;
  std::unique_ptr<Impl> object_;
};

Registry<vd::AsicIoImpl> asicObjects;
Registry<vd::I2cIoImpl> i2cObjects;

template <typename Impl, typename Out>
int32_t Open(vd::PropertySetSource* captureFilter, Out** out, const vd::Guid& set, uint32_t id,
             Registry<Impl>& registry) {
  if (out == nullptr) return vd::kEPointer;
  *out = nullptr;
  if (captureFilter == nullptr) return vd::kEPointer;
  // The source's reference goes however the factory leaves.
  const vd::KsPropertySetPtr props(captureFilter->QueryPropertySet());
  if (props == nullptr) return vd::kENoInterface;
  uint32_t support = 0;
  const vd::HResult hr = props->QuerySupported(set, id, &support);
  if (vd::Failed(hr)) {
    QuillaneTrace("device has no property set for this access: 0x%X\n", static_cast<unsigned>(hr));
    return hr;
  }
  try {
    *out = registry.Get(props.get());
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
