// Owns one file descriptor and closes it once.
#pragma once

namespace vd {

class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : fd_(fd) {}
  ~UniqueFd() { Reset(); }
  UniqueFd(UniqueFd&& other) noexcept : fd_(other.Release()) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;

  int Get() const { return fd_; }
  bool Valid() const { return fd_ >= 0; }
  explicit operator bool() const { return Valid(); }
  int Release() {
    int fd = fd_;
    fd_ = -1;
    return fd;
  }
  // Closes the held descriptor (if any) and takes `fd`.
  void Reset(int fd = -1);
  // Closes now and reports whether the close succeeded: on some file systems close is where
  // a delayed write error shows. errno holds the reason on failure.
  bool Close();

 private:
  int fd_ = -1;
};

}  // namespace vd
