#include "atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>

namespace vd {

bool AtomicFile::Write(const std::filesystem::path& target, std::span<const uint8_t> bytes,
                       std::string* error) {
  std::filesystem::path folder = target.parent_path();
  if (folder.empty()) folder = ".";
  // Made with open() rather than mkstemp() so that the user's umask sets the picture's
  // permissions, as for any other file the user makes.
  std::random_device random;
  std::string tmpl;
  int fd = -1;
  for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, ".%08x", static_cast<unsigned>(random()));
    tmpl = (folder / ("." + target.filename().string() + suffix)).string();
    fd = ::open(tmpl.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) {
    *error = std::strerror(errno);
    return false;
  }
  bool ok = true;
  size_t done = 0;
  while (ok && done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ok = false;
    } else {
      done += static_cast<size_t>(n);
    }
  }
  ok = ok && ::fsync(fd) == 0;
  int savedErrno = errno;
  if (::close(fd) != 0 && ok) {
    ok = false;
    savedErrno = errno;
  }
  if (ok && ::rename(tmpl.c_str(), target.c_str()) != 0) {
    ok = false;
    savedErrno = errno;
  }
  if (!ok) {
    ::unlink(tmpl.c_str());
    *error = std::strerror(savedErrno);
    return false;
  }
  const int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirFd >= 0) {
    ::fsync(dirFd);
    ::close(dirFd);
  }
  return true;
}

}  // namespace vd
