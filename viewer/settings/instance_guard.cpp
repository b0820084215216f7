#include "instance_guard.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "vd/trace.h"
#include "xdg_paths.h"

VD_DEFINE_TRACE(GuardTrace, "settings")

namespace vd {

std::filesystem::path InstanceGuard::DefaultLockFile() {
  return xdg::RuntimeDir() / "CORVALEN_AVICAP.lock";
}

std::unique_ptr<InstanceGuard> InstanceGuard::Acquire(const std::filesystem::path& lockFile) {
  const std::filesystem::path file = lockFile.empty() ? DefaultLockFile() : lockFile;
  // Close-on-exec, so that a program the viewer starts does not keep the lock alive.
  int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) {
    GuardTrace("cannot open %s: %s\n", file.c_str(), std::strerror(errno));
    return std::unique_ptr<InstanceGuard>(new InstanceGuard(-1));
  }
  int rc;
  do {
    rc = ::flock(fd, LOCK_EX | LOCK_NB);
  } while (rc != 0 && errno == EINTR);
  if (rc != 0) {
    const int err = errno;
    ::close(fd);
    if (err == EWOULDBLOCK) return nullptr;
    GuardTrace("cannot lock %s: %s\n", file.c_str(), std::strerror(err));
    return std::unique_ptr<InstanceGuard>(new InstanceGuard(-1));
  }
  return std::unique_ptr<InstanceGuard>(new InstanceGuard(fd));
}

InstanceGuard::~InstanceGuard() {
  if (fd_ >= 0) ::close(fd_);
}

}  // namespace vd
