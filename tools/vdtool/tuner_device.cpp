#include "tuner_device.h"

#include "vd/device_enumerator.h"

namespace vdtool {

namespace {
// A card keeps the input it was last given: one left on a camera or the composite socket
// reports a picture there on every frequency, so tuning and searching go to the tuner's
// picture and sound first, as the viewer's TV mode does.
void RouteToTuner(vd::CaptureDevice& device) {
  int32_t outputs = 0;
  int32_t inputs = 0;
  if (vd::Failed(device.CrossbarPinCounts(&outputs, &inputs))) return;
  for (int32_t output : {0, 1}) {
    const int32_t wanted = output == 0 ? vd::physical::kVideoTuner : vd::physical::kAudioTuner;
    for (int32_t i = 0; i < inputs; ++i) {
      vd::CrossbarPin pin;
      if (vd::Succeeded(device.CrossbarPinInfo(true, i, &pin)) && pin.physicalType == wanted) {
        device.Route(output, i);
        break;
      }
    }
  }
}
}  // namespace

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
    RouteToTuner(*device);
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
