#include "array_handover.h"

namespace vd {

void ArrayHandover::SignalConvert() {
  {
    std::lock_guard lock(mutex_);
    convert_ = true;
  }
  changed_.notify_all();
}

bool ArrayHandover::WaitConvert(Duration timeout) {
  std::unique_lock lock(mutex_);
  if (!changed_.wait_for(lock, timeout, [this] { return convert_ || stopping_; })) return false;
  convert_ = false;
  return true;
}

bool ArrayHandover::WorkerBeginPass(Duration timeout) {
  std::unique_lock lock(mutex_);
  if (!changed_.wait_for(lock, timeout, [this] { return arrayFree_ || stopping_; })) return false;
  if (stopping_) return false;
  packetsReady_ = false;
  arrayFree_ = false;
  return true;
}

void ArrayHandover::WorkerEndPass() {
  {
    std::lock_guard lock(mutex_);
    packetsReady_ = true;
    arrayFree_ = true;
  }
  changed_.notify_all();
}

bool ArrayHandover::HostAcquire(Duration timeout) {
  std::unique_lock lock(mutex_);
  if (!changed_.wait_for(lock, timeout,
                         [this] { return (packetsReady_ && arrayFree_) || stopping_; }))
    return false;
  if (stopping_) return false;
  packetsReady_ = false;
  arrayFree_ = false;
  return true;
}

void ArrayHandover::HostRelease() {
  {
    std::lock_guard lock(mutex_);
    arrayFree_ = true;
  }
  changed_.notify_all();
}

void ArrayHandover::Stop() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
}

}  // namespace vd
