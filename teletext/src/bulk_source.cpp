#include "bulk_source.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>

#include "teletext_trace.h"
#include "vd/device_enumerator.h"

namespace vd {

namespace {

BulkSourceFactory& Factory() {
  static BulkSourceFactory factory;
  return factory;
}

std::optional<PinKind> FindBulkPin(CaptureDevice& device) {
  const std::vector<PinInfo> pins = device.Pins();
  for (size_t i = 0; i < pins.size(); ++i) {
    if (pins[i].direction != PinDirection::kOutput) continue;
    if (device.IsBulkPin(i)) return pins[i].kind;
  }
  return std::nullopt;
}

}  // namespace

BulkSource MakeDeviceBulkSource() {
  DeviceEnumerator& enumerator = DeviceEnumerator::Default();
  for (const DeviceInfo& info : enumerator.BulkSearchDevices()) {
    std::unique_ptr<CaptureDevice> device = enumerator.Open(info);
    if (device == nullptr) {
      // A device that vanished between listing and opening ends the search: the list we
      // hold is stale, and the next WST_INIT lists afresh.
      TeletextTrace("PrtHresult-> %s\n", ("cannot open " + info.friendlyName).c_str());
      break;
    }
    const std::optional<PinKind> pin = FindBulkPin(*device);
    if (!pin) continue;
    GstElement* element = device->CreateSourceBin(*pin);
    if (element == nullptr) {
      TeletextTrace("PrtHresult-> %s\n", ("no bulk source on " + info.friendlyName).c_str());
      break;
    }
    return {std::move(device), element};
  }
  TeletextTrace("WST_INIT: no capture device with a bulk pin\n");
  return {};
}

void SetBulkSourceFactory(BulkSourceFactory factory) {
  Factory() = std::move(factory);
}

BulkSource MakeBulkSource() {
  if (Factory()) return {nullptr, Factory()()};
  return MakeDeviceBulkSource();
}

}  // namespace vd
