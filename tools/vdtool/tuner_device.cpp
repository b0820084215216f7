#include "tuner_device.h"

#include "vd/device_enumerator.h"

namespace vdtool {

namespace {
// A card keeps the input it was last given: one left on a camera or the composite socket
// reports a picture there on every frequency, so tuning and searching go to the tuner's
// picture and sound first, as the viewer's TV mode does.
void RouteToTuner(vd::CaptureDevice& device) {
  if (int32_t input = device.CrossbarInputOf(vd::physical::kVideoTuner); input >= 0)
    device.Route(0, input);
  if (int32_t input = device.CrossbarInputOf(vd::physical::kAudioTuner); input >= 0)
    device.Route(1, input);
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
