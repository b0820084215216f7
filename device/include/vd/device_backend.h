// The seam between the device layer and one kind of hardware (the virtual TV box, V4L2).
// The enumerator asks each back-end for its devices and opens devices through it.
#pragma once

#include "vd/device_export.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "vd/capture_device.h"
#include "vd/device_info.h"

namespace vd {

class VD_DEVICE_EXPORT DeviceBackend {
 public:
  // Called with arrived = true/false when a device of this back-end comes or goes; see
  // DeviceEventSink for the thread.
  using ChangeCallback = std::function<void(const DeviceInfo& device, bool arrived)>;

  virtual ~DeviceBackend() = default;

  virtual std::string Name() const = 0;
  // Devices present now, in a stable order.
  virtual std::vector<DeviceInfo> Devices(DeviceCategory category) = 0;
  // Null when the device is not (or no longer) present.
  virtual std::unique_ptr<CaptureDevice> Open(const DeviceInfo& device) = 0;
  // One callback per back-end; the enumerator sets it once, before the first Devices call,
  // and clears it (empty function) before it destroys the back-end.
  virtual void SetChangeCallback(ChangeCallback callback) = 0;
};

}  // namespace vd
