// The sink pin "In": Receive fills the raw ring on the streaming thread, a worker started by
// the first sample runs the conversion passes, and CopyPacketsToApp hands packets to the
// host. Destruction stops the worker cooperatively and joins it.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "array_handover.h"
#include "vbi_converter.h"

namespace vd {

class VbiSink {
 public:
  static constexpr ArrayHandover::Duration kDataTimeout{5000};
  static constexpr ArrayHandover::Duration kArrayTimeout{5000};
  static constexpr ArrayHandover::Duration kHostTimeout{500};

  // Starts the worker; std::thread unless a test makes the start fail.
  using ThreadStarter = std::function<std::thread(std::function<void()>)>;

  explicit VbiSink(IrDecoder::Callback remote = {}, ThreadStarter startThread = {});
  ~VbiSink();
  VbiSink(const VbiSink&) = delete;
  VbiSink& operator=(const VbiSink&) = delete;

  // Streaming thread. A sample that does not fit is lost whole, and so is every following
  // one until the worker has caught up.
  void Receive(const uint8_t* data, size_t n);

  // Host thread. Returns the number of 42-byte packets copied into dst (room for maxLen
  // bytes); 0 when no pass finished within 500 ms.
  uint32_t CopyPacketsToApp(uint8_t* dst, size_t maxLen);

  uint32_t PacketsWaiting() const { return converter_->PacketsInBuffer(); }
  bool OnWorkerThread() const;
  bool WorkerStarted() const;
  // Passes the worker has finished; lets tests wait for progress without sleeping blindly.
  uint64_t PassesDone() const { return passes_.load(std::memory_order_acquire); }

 private:
  void WorkerMain();
  void Flush();

  std::unique_ptr<VbiConverter> converter_;
  ArrayHandover handover_;
  std::atomic<bool> stop_{false};
  std::atomic<uint64_t> passes_{0};
  ThreadStarter startThread_;
  mutable std::mutex workerMutex_;
  std::thread worker_;
  bool startFailureReported_ = false;  // under workerMutex_
  std::atomic<std::thread::id> workerId_{};
};

}  // namespace vd
