#include "tuner_device.h"

#include "vd/device_enumerator.h"

namespace vdtool {

vd::KsPropertySet* OpenTunerDevice(std::string* name, std::string* why) {
  auto& enumerator = vd::DeviceEnumerator::Default();
  auto videos = enumerator.VideoInputDevices();
  if (videos.empty()) {
    *why = "no video capture device (vdtool device list shows what is found)";
    return nullptr;
  }
  for (auto info = videos.rbegin(); info != videos.rend(); ++info) {
    auto device = enumerator.Open(*info);
    if (!device || !device->HasFacility(vd::DeviceFacility::kTvTuner)) continue;
    // The property set holds the device open on its own.
    if (vd::KsPropertySet* props = device->QueryPropertySet()) {
      *name = info->friendlyName;
      return props;
    }
  }
  *why = "no capture device has a tuner";
  return nullptr;
}

}  // namespace vdtool
