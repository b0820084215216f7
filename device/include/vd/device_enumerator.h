// Lists the capture devices of every back-end and opens them; reports arrivals and
// removals. The process-wide Default() enumerator starts with the virtual TV box
// (VirtualTvBox::Shared()); hardware back-ends join with AddBackend.
//
// Threads: every operation may be called from any thread.
#pragma once

#include "vd/device_export.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "vd/capture_device.h"
#include "vd/device_backend.h"
#include "vd/device_event_sink.h"
#include "vd/device_info.h"

namespace vd {

class VD_DEVICE_EXPORT DeviceEnumerator {
 public:
  DeviceEnumerator();
  ~DeviceEnumerator();
  DeviceEnumerator(const DeviceEnumerator&) = delete;
  DeviceEnumerator& operator=(const DeviceEnumerator&) = delete;

  // The process-wide enumerator with the shared virtual TV box.
  static DeviceEnumerator& Default();

  void AddBackend(std::unique_ptr<DeviceBackend> backend);

  // Video input devices: back-ends in the order they were added, each in its own order.
  std::vector<DeviceInfo> VideoInputDevices();
  // Audio input devices, same order rules.
  std::vector<DeviceInfo> AudioInputDevices();
  // The video input devices in the order the parser and teletext libraries search them for a
  // bulk pin: hardware cards first, the virtual box last. The box is listed first so that the
  // engine, which takes the latest usable device, lets a plugged-in card win; the libraries
  // take the first match, and without this order they would read the remote and the teletext
  // of the box while the viewer shows the card.
  std::vector<DeviceInfo> BulkSearchDevices();
  // Puts `device` (found again by its bus path, else its path) at the head of
  // BulkSearchDevices: the viewer names the card it shows, so that the libraries read that
  // card's remote and teletext and not another's. An empty device gives back the default order.
  void SetBulkCard(const DeviceInfo& device);

  // Opens a device listed by this enumerator; null when it is gone.
  std::unique_ptr<CaptureDevice> Open(const DeviceInfo& device);
  // Convenience: the index-th device of a category; null when out of range.
  std::unique_ptr<CaptureDevice> OpenVideoInput(size_t index);
  std::unique_ptr<CaptureDevice> OpenAudioInput(size_t index);

  // Receivers of arrivals and removals. A sink must unsubscribe before it is destroyed;
  // Unsubscribe waits until no delivery to that sink is running.
  void Subscribe(DeviceEventSink* sink);
  void Unsubscribe(DeviceEventSink* sink);

 private:
  void Deliver(const DeviceInfo& device, bool arrived);
  std::vector<DeviceInfo> Devices(DeviceCategory category);

  std::mutex mutex_;
  DeviceInfo bulkCard_;  // guarded by mutex_
  std::vector<std::unique_ptr<DeviceBackend>> backends_;
  // Held while events are delivered, so Unsubscribe can wait for a running delivery.
  std::recursive_mutex deliveryMutex_;
  std::vector<DeviceEventSink*> sinks_;
};

}  // namespace vd
