// The sink's three wake-ups ("_CONVERT_RAW_TO_PACKET", "_WRITE_TO_BUF42",
// "_READ_FROM_BUF42") as flags under one mutex. Taking the packet array and clearing the
// other side's flag happen in one step, so the worker and the host can never both believe
// they hold the array.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace vd {

class ArrayHandover {
 public:
  using Duration = std::chrono::milliseconds;

  // Streaming thread: new bytes are in the ring.
  void SignalConvert();
  // Worker: waits for new bytes (auto-reset). False on time-out; true also when stopping.
  bool WaitConvert(Duration timeout);

  // Worker: waits until the host does not hold the array, then takes it for one pass and
  // withdraws "packets ready". False on time-out or stop.
  bool WorkerBeginPass(Duration timeout);
  // Worker: the pass is over; a waiting host may take the array.
  void WorkerEndPass();

  // Host side (also the worker's own flush): waits for a finished pass, consumes it and
  // takes the array. False on time-out or stop.
  bool HostAcquire(Duration timeout);
  void HostRelease();

  // Wakes every waiter; waits that follow return at once.
  void Stop();

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool convert_ = false;
  bool packetsReady_ = false;
  bool arrayFree_ = true;
  bool stopping_ = false;
};

}  // namespace vd
