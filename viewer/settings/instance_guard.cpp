#include "vd/settings/instance_guard.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "vd/trace.h"
#include "xdg_paths.h"

VD_DEFINE_TRACE(GuardTrace, "settings")

namespace vd {

namespace {

constexpr const char* kLockName = "CORVALEN_AVICAP.lock";

// A folder only this user can write to: no other user can hold a lock file in it.
bool IsPrivateFolder(const std::filesystem::path& folder) {
  struct stat st {};
  return ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() &&
         (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

// The user's own settings folder: there whenever the runtime folder is not.
std::filesystem::path FallbackLockFile() {
  return xdg::ConfigHome() / "Corvalen" / kLockName;
}

int OpenLock(const std::filesystem::path& file) {
  std::error_code ec;
  std::filesystem::create_directories(file.parent_path(), ec);
  // Close-on-exec, so that a program the viewer starts does not keep the lock alive.
  const int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) GuardTrace("cannot open %s: %s\n", file.c_str(), std::strerror(errno));
  return fd;
}

}  // namespace

std::filesystem::path InstanceGuard::DefaultLockFile() {
  // A runtime folder that is missing or shared (XDG_RUNTIME_DIR unset means /tmp) would let
  // two viewers run at once, or let another user's file keep this user's viewer from
  // starting.
  const std::filesystem::path runtime = xdg::RuntimeDir();
  if (std::getenv("XDG_RUNTIME_DIR") != nullptr && IsPrivateFolder(runtime))
    return runtime / kLockName;
  return FallbackLockFile();
}

std::unique_ptr<InstanceGuard> InstanceGuard::Acquire(const std::filesystem::path& lockFile) {
  std::filesystem::path file = lockFile.empty() ? DefaultLockFile() : lockFile;
  int fd = OpenLock(file);
  if (fd < 0 && lockFile.empty() && file != FallbackLockFile()) {
    file = FallbackLockFile();
    fd = OpenLock(file);
  }
  if (fd < 0) return std::unique_ptr<InstanceGuard>(new InstanceGuard(-1));
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

void InstanceGuard::Announce(std::string_view holder) {
  if (fd_ < 0) return;
  const std::string line = std::string(holder.substr(0, 60)) + "\n";
  if (::ftruncate(fd_, 0) != 0 || ::pwrite(fd_, line.data(), line.size(), 0) < 0)
    GuardTrace("cannot name the holder: %s\n", std::strerror(errno));
}

std::string InstanceGuard::Holder(const std::filesystem::path& lockFile) {
  const std::filesystem::path file = lockFile.empty() ? DefaultLockFile() : lockFile;
  const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
  if (fd < 0) return {};
  char buf[64] = {};
  const ssize_t n = ::read(fd, buf, sizeof buf - 1);
  ::close(fd);
  std::string text(buf, n > 0 ? static_cast<size_t>(n) : 0);
  const size_t end = text.find('\n');
  if (end != std::string::npos) text.resize(end);
  return text;
}

InstanceGuard::~InstanceGuard() {
  if (fd_ < 0) return;
  // The name goes with the lock, so that a later holder that names nothing (a lock taken
  // only to look) is not taken for this one.
  if (::ftruncate(fd_, 0) != 0) GuardTrace("cannot clear the holder: %s\n", std::strerror(errno));
  ::close(fd_);
}

}  // namespace vd
