// Watches udev for video4linux and sound devices coming and going and calls back on its own
// thread. Stops (and joins) on destruction.
#pragma once

#include <functional>
#include <thread>

struct udev;
struct udev_monitor;

namespace vd {

class V4l2Monitor {
 public:
  explicit V4l2Monitor(std::function<void()> onChange);
  ~V4l2Monitor();
  V4l2Monitor(const V4l2Monitor&) = delete;
  V4l2Monitor& operator=(const V4l2Monitor&) = delete;

  bool Running() const { return thread_.joinable(); }

 private:
  void Run(udev_monitor* monitor);

  std::function<void()> onChange_;
  udev* udev_ = nullptr;
  int stopFd_ = -1;
  std::thread thread_;
};

}  // namespace vd
