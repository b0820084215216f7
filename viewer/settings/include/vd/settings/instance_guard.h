// Keeps a second viewer from starting: an exclusive flock on a file in the runtime folder.
// The kernel drops the lock when the holder exits in any way, so a crashed viewer never
// blocks the next start.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

namespace vd {

class InstanceGuard {
 public:
  // $XDG_RUNTIME_DIR/CORVALEN_AVICAP.lock when that folder exists and only this user can
  // write to it; otherwise the same name in the user's settings folder
  // ($XDG_CONFIG_HOME/Corvalen), never a folder other users share.
  static std::filesystem::path DefaultLockFile();

  // Null when another process holds the lock. The default lock falls back to the settings
  // folder when the runtime folder's file cannot be opened; when no lock file can be opened
  // at all the start is allowed: a guard that cannot work must not keep the viewer from
  // running.
  static std::unique_ptr<InstanceGuard> Acquire(const std::filesystem::path& lockFile = {});

  ~InstanceGuard();
  InstanceGuard(const InstanceGuard&) = delete;
  InstanceGuard& operator=(const InstanceGuard&) = delete;

  // False when the guard could not open its file and so guards nothing.
  bool Holds() const { return fd_ >= 0; }

  // Names the holder in the lock file ("viewdeck", "vdtool scan"), so that a start refused
  // by it can say what holds the lock rather than guess.
  void Announce(std::string_view holder);
  // What the holder of the lock announced; empty when nothing was (or the file is unread).
  static std::string Holder(const std::filesystem::path& lockFile = {});

 private:
  explicit InstanceGuard(int fd) : fd_(fd) {}
  int fd_;
};

}  // namespace vd
