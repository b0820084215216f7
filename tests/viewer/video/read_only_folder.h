// A folder nobody may write to while the guard lives: a read-only bind mount where the test
// may mount (root writes through permissions), else its owner's write permission taken away.
#pragma once

#include <sys/mount.h>
#include <unistd.h>

#include <filesystem>

namespace vdtest {

class ReadOnlyFolder {
 public:
  explicit ReadOnlyFolder(std::filesystem::path at) : path_(std::move(at)) {
    if (::mount(path_.c_str(), path_.c_str(), nullptr, MS_BIND, nullptr) == 0) {
      mounted_ = true;
      done_ =
          ::mount(nullptr, path_.c_str(), nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr) == 0;
    } else if (::geteuid() != 0) {
      std::error_code ec;
      std::filesystem::permissions(path_, std::filesystem::perms::owner_write,
                                   std::filesystem::perm_options::remove, ec);
      done_ = !ec;
    }
  }
  ~ReadOnlyFolder() {
    std::error_code ec;
    if (mounted_) {
      ::umount2(path_.c_str(), MNT_DETACH);
    } else if (done_) {
      std::filesystem::permissions(path_, std::filesystem::perms::owner_write,
                                   std::filesystem::perm_options::add, ec);
    }
  }
  ReadOnlyFolder(const ReadOnlyFolder&) = delete;
  ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;

  // False when this machine lets the test do neither.
  bool Done() const { return done_; }

 private:
  std::filesystem::path path_;
  bool mounted_ = false;
  bool done_ = false;
};

}  // namespace vdtest
