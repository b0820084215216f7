// The real kernel behind V4l2Io. EINTR is retried here so that no caller has to.
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>

#include "vd/v4l2_io.h"

namespace vd {

namespace {
class SystemIo final : public V4l2Io {
 public:
  int Open(const std::string& path, int flags) override {
    int fd;
    do {
      fd = ::open(path.c_str(), flags | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    return fd < 0 ? -errno : fd;
  }
  int Close(int fd) override { return ::close(fd) < 0 ? -errno : 0; }
  int Ioctl(int fd, unsigned long request, void* arg) override {
    int r;
    do {
      r = ::ioctl(fd, request, arg);
    } while (r < 0 && errno == EINTR);
    return r < 0 ? -errno : r;
  }
  ssize_t Read(int fd, void* buffer, size_t size) override {
    ssize_t r;
    do {
      r = ::read(fd, buffer, size);
    } while (r < 0 && errno == EINTR);
    return r < 0 ? -errno : r;
  }
  int Poll(int fd, short events, int timeoutMs) override {
    pollfd p{fd, events, 0};
    int r = ::poll(&p, 1, timeoutMs);
    if (r < 0) return errno == EINTR ? 0 : -errno;
    return r == 0 ? 0 : p.revents;
  }
};
}  // namespace

std::shared_ptr<V4l2Io> V4l2Io::System() {
  static std::shared_ptr<V4l2Io> io = std::make_shared<SystemIo>();
  return io;
}

}  // namespace vd
