// Receiver of device arrivals and removals.
#pragma once

#include "vd/device_export.h"

#include "vd/device_info.h"

namespace vd {

class VD_DEVICE_EXPORT DeviceEventSink {
 public:
  // Threads: called on the thread that caused the change: for the virtual TV box the thread
  // that calls Unplug or Plug, for hardware back-ends their monitor thread. Never called
  // while the enumerator's lock is held, but possibly concurrently with the receiver's own
  // thread: hand the event to your own thread (a queued call) and return quickly.
  virtual void OnDeviceArrived(const DeviceInfo& device) = 0;
  virtual void OnDeviceRemoved(const DeviceInfo& device) = 0;

 protected:
  virtual ~DeviceEventSink() = default;
};

}  // namespace vd
