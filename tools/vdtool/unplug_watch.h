// Hears that the capture device a command works with was unplugged, from the device layer's
// own removal events (those that end the viewer's picture), on whatever thread they come.
#pragma once

#include <atomic>
#include <string>
#include <utility>

#include "vd/device_enumerator.h"
#include "vd/device_event_sink.h"

namespace vdtool {

class UnplugWatch final : public vd::DeviceEventSink {
 public:
  static constexpr const char* kText = "The capture device was unplugged";

  // `name`: the device's name; empty for any video capture device (a library that found
  // its device itself does not say which).
  explicit UnplugWatch(std::string name = {}) : name_(std::move(name)) {
    vd::DeviceEnumerator::Default().Subscribe(this);
  }
  ~UnplugWatch() override { vd::DeviceEnumerator::Default().Unsubscribe(this); }
  UnplugWatch(const UnplugWatch&) = delete;
  UnplugWatch& operator=(const UnplugWatch&) = delete;

  bool Unplugged() const { return unplugged_.load(std::memory_order_acquire); }

  void OnDeviceArrived(const vd::DeviceInfo&) override {}
  void OnDeviceRemoved(const vd::DeviceInfo& device) override {
    if (device.category == vd::DeviceCategory::kVideoInput &&
        (name_.empty() || device.friendlyName == name_))
      unplugged_.store(true, std::memory_order_release);
  }

 private:
  const std::string name_;
  std::atomic<bool> unplugged_{false};
};

}  // namespace vdtool
