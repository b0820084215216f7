#include "vd/unique_fd.h"

#include <unistd.h>

#include <cerrno>

namespace vd {

void UniqueFd::Reset(int fd) {
  if (fd_ >= 0 && fd_ != fd) {
    const int saved = errno;
    ::close(fd_);
    errno = saved;
  }
  fd_ = fd;
}

bool UniqueFd::Close() {
  const int fd = Release();
  // Linux releases the descriptor even when close fails, so EINTR is not retried.
  return fd < 0 || ::close(fd) == 0;
}

}  // namespace vd
