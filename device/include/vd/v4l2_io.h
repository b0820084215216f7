// The one door to the kernel for the V4L2 back-end: every open, close, ioctl, read and poll
// of a video, radio, VBI or LIRC node goes through it, so that tests can replace the kernel.
//
// Results follow the kernel's convention without errno: a value >= 0 on success, -errno on
// failure (for example -ENODEV once the device has gone). Threads: implementations must be
// callable from several threads at once.
#pragma once

#include "vd/device_export.h"

#include <sys/types.h>

#include <cstddef>
#include <memory>
#include <string>

namespace vd {

class VD_DEVICE_EXPORT V4l2Io {
 public:
  virtual ~V4l2Io() = default;

  // Returns a descriptor or -errno. `flags` are open(2) flags.
  virtual int Open(const std::string& path, int flags) = 0;
  virtual int Close(int fd) = 0;
  virtual int Ioctl(int fd, unsigned long request, void* arg) = 0;
  virtual ssize_t Read(int fd, void* buffer, size_t size) = 0;
  // Waits up to timeoutMs for `events` (poll(2) bits); returns the revents or 0 on time-out.
  virtual int Poll(int fd, short events, int timeoutMs) = 0;

  // The real kernel.
  static std::shared_ptr<V4l2Io> System();
};

}  // namespace vd
