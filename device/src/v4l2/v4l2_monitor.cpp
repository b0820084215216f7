#include "v4l2_monitor.h"

#include <libudev.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>

#include "vd/trace.h"

VD_DEFINE_TRACE(MonitorTrace, "device")

namespace vd {

V4l2Monitor::V4l2Monitor(std::function<void()> onChange) : onChange_(std::move(onChange)) {
  udev_ = udev_new();
  if (udev_ == nullptr) return;
  udev_monitor* monitor = udev_monitor_new_from_netlink(udev_, "udev");
  stopFd_ = eventfd(0, EFD_CLOEXEC);
  if (monitor == nullptr || stopFd_ < 0 ||
      udev_monitor_filter_add_match_subsystem_devtype(monitor, "video4linux", nullptr) < 0 ||
      udev_monitor_enable_receiving(monitor) < 0) {
    MonitorTrace("v4l2: no udev monitor; cards plugged in later need a restart\n");
    if (monitor != nullptr) udev_monitor_unref(monitor);
    return;
  }
  thread_ = std::thread([this, monitor] { Run(monitor); });
}

V4l2Monitor::~V4l2Monitor() {
  if (thread_.joinable()) {
    uint64_t one = 1;
    if (write(stopFd_, &one, sizeof one) != sizeof one) MonitorTrace("v4l2: cannot stop monitor\n");
    thread_.join();
  }
  if (stopFd_ >= 0) close(stopFd_);
  if (udev_ != nullptr) udev_unref(udev_);
}

void V4l2Monitor::Run(udev_monitor* monitor) {
  pollfd fds[2] = {{udev_monitor_get_fd(monitor), POLLIN, 0}, {stopFd_, POLLIN, 0}};
  for (;;) {
    if (poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      MonitorTrace("v4l2: udev monitor stopped\n");
      break;
    }
    if ((fds[1].revents & POLLIN) != 0) break;
    if ((fds[0].revents & POLLIN) == 0) continue;
    if (udev_device* device = udev_monitor_receive_device(monitor)) {
      udev_device_unref(device);
      onChange_();
    }
  }
  udev_monitor_unref(monitor);
}

}  // namespace vd
