// Keeps a second viewer from starting: an exclusive flock on a file in the runtime folder.
// The kernel drops the lock when the holder exits in any way, so a crashed viewer never
// blocks the next start.
#pragma once

#include <filesystem>
#include <memory>

namespace vd {

class InstanceGuard {
 public:
  // $XDG_RUNTIME_DIR/CORVALEN_AVICAP.lock, or /tmp/CORVALEN_AVICAP.lock without it.
  static std::filesystem::path DefaultLockFile();

  // Null when another process holds the lock. When the lock file cannot be opened at all
  // (for instance another user's file in /tmp), the start is allowed: a guard that cannot
  // work must not keep the viewer from running.
  static std::unique_ptr<InstanceGuard> Acquire(const std::filesystem::path& lockFile = {});

  ~InstanceGuard();
  InstanceGuard(const InstanceGuard&) = delete;
  InstanceGuard& operator=(const InstanceGuard&) = delete;

  // False when the guard could not open its file and so guards nothing.
  bool Holds() const { return fd_ >= 0; }

 private:
  explicit InstanceGuard(int fd) : fd_(fd) {}
  int fd_;
};

}  // namespace vd
