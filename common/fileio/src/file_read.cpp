#include "vd/file_read.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace vd {

namespace {

void Report(std::string* error, const std::string& text) {
  if (error != nullptr) *error = text;
}

}  // namespace

UniqueFd OpenRegularFile(const std::filesystem::path& path, std::string* error) {
  // O_NONBLOCK so that opening a FIFO with no writer returns at once instead of waiting.
  UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
  if (!fd) {
    Report(error, std::strerror(errno));
    return {};
  }
  struct stat st {};
  if (::fstat(fd.Get(), &st) != 0) {
    const int saved = errno;
    Report(error, std::strerror(saved));
    errno = saved;
    return {};
  }
  if (!S_ISREG(st.st_mode)) {
    Report(error, "not a regular file");
    errno = EINVAL;
    return {};
  }
  // Regular files never block; clearing the flag keeps later reads ordinary.
  const int flags = ::fcntl(fd.Get(), F_GETFL);
  if (flags >= 0) ::fcntl(fd.Get(), F_SETFL, flags & ~O_NONBLOCK);
  return fd;
}

std::optional<std::vector<uint8_t>> ReadRegularFile(const std::filesystem::path& path,
                                                    size_t maxBytes, std::string* error) {
  UniqueFd fd = OpenRegularFile(path, error);
  if (!fd) return std::nullopt;
  std::vector<uint8_t> bytes;
  struct stat st {};
  if (::fstat(fd.Get(), &st) == 0 && st.st_size > 0)
    bytes.reserve(std::min(maxBytes, static_cast<size_t>(st.st_size)));
  uint8_t chunk[65536];
  while (bytes.size() < maxBytes) {
    const ssize_t n = ::read(fd.Get(), chunk, std::min(sizeof chunk, maxBytes - bytes.size()));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      const int saved = errno;
      Report(error, std::strerror(saved));
      errno = saved;
      return std::nullopt;
    }
    if (n == 0) break;
    bytes.insert(bytes.end(), chunk, chunk + n);
  }
  return bytes;
}

}  // namespace vd
