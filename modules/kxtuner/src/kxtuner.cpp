// The module's one export.
#include <memory>
#include <new>

#include "kx_tuner_impl.h"
#include "tv_channel_list.h"

extern "C" __attribute__((visibility("default"))) int32_t NewKXTuner(vd::KsPropertySet* props,
                                                                     KXTuner** tuner) {
  if (tuner == nullptr) return vd::kEPointer;
  *tuner = nullptr;
  if (props == nullptr) return vd::kEPointer;
  uint32_t support = 0;
  if (const vd::HResult hr = props->QuerySupported(vd::kPropSetTuner, vd::kTunerPropCaps, &support);
      vd::Failed(hr)) {
    return hr;
  }
  try {
    // The caller owns it from here and frees it with Destroy(1).
    *tuner = std::make_unique<vd::KXTunerImpl>(props).release();
  } catch (const std::bad_alloc&) {
    return vd::kEOutOfMemory;
  }
  // Builds the channel list now rather than in the first tuning call.
  (void)vd::TvChannelList::Frequencies();
  return vd::kSOk;
}
