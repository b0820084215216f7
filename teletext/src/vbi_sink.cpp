#include "vbi_sink.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "teletext_trace.h"

namespace vd {

VbiSink::VbiSink(IrDecoder::Callback remote, ThreadStarter startThread)
    : converter_(std::make_unique<VbiConverter>(std::move(remote))),
      startThread_(std::move(startThread)) {
  if (!startThread_) startThread_ = [](std::function<void()> run) { return std::thread(run); };
}

VbiSink::~VbiSink() {
  stop_.store(true, std::memory_order_release);
  handover_.Stop();
  std::lock_guard lock(workerMutex_);
  if (!worker_.joinable()) return;
  if (worker_.get_id() == std::this_thread::get_id()) {
    // The library refuses teardown from the worker before it gets here; joining ourselves
    // would hang and leaving the thread behind would run it on freed memory.
    std::fputs("teletext: sink destroyed on its own worker thread\n", stderr);
    std::abort();
  }
  worker_.join();
}

bool VbiSink::OnWorkerThread() const {
  return workerId_.load(std::memory_order_acquire) == std::this_thread::get_id();
}

bool VbiSink::WorkerStarted() const {
  std::lock_guard lock(workerMutex_);
  return worker_.joinable();
}

void VbiSink::Receive(const uint8_t* data, size_t n) {
  if (data == nullptr) return;
  {
    std::lock_guard lock(workerMutex_);
    // The streaming thread keeps its priority: raising it needs privileges a desktop
    // process does not have, and the ring absorbs the worker's scheduling delays.
    if (!worker_.joinable() && !stop_.load(std::memory_order_acquire)) {
      // This runs inside the pipeline's C code: an exception leaving it would end the host.
      // The sample still goes into the ring, and the next one tries again.
      try {
        worker_ = startThread_([this] { WorkerMain(); });
      } catch (const std::exception& e) {
        if (!startFailureReported_) {
          LogWrite("teletext", LogLevel::kError, "teletext: cannot start the worker thread: %s\n",
                   e.what());
          startFailureReported_ = true;
        }
      }
    }
  }
  RawRing& ring = converter_->Ring();
  if (!ring.Overflow() && !ring.Write(data, n)) ring.SetOverflow();
  handover_.SignalConvert();
}

void VbiSink::WorkerMain() {
  workerId_.store(std::this_thread::get_id(), std::memory_order_release);
  for (;;) {
    if (!handover_.WaitConvert(kDataTimeout)) {
      const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
          std::chrono::steady_clock::now().time_since_epoch());
      TeletextTrace("#### TIMEOT %li ####\n", static_cast<long>(ms.count()));
      continue;
    }
    TeletextMarker("\na");
    if (stop_.load(std::memory_order_acquire)) break;
    if (!handover_.WorkerBeginPass(kArrayTimeout)) {
      if (stop_.load(std::memory_order_acquire)) break;
      TeletextMarker("#### Contined  #####\n");
      continue;
    }
    converter_->ConvertPass(&stop_);
    handover_.WorkerEndPass();
    passes_.fetch_add(1, std::memory_order_acq_rel);
    if (converter_->PacketsInBuffer() >= VbiConverter::kSlots) {
      Flush();
      TeletextMarker("##### OPHER #####\n");
    }
  }
}

void VbiSink::Flush() {
  converter_->SetHostWaiting(true);
  if (!handover_.HostAcquire(kHostTimeout)) return;
  converter_->DiscardPackets();
  converter_->SetHostWaiting(false);
  handover_.HostRelease();
}

uint32_t VbiSink::CopyPacketsToApp(uint8_t* dst, size_t maxLen) {
  // The worker waiting for its own pass to end would only time out.
  if (OnWorkerThread()) return 0;
  converter_->SetHostWaiting(true);
  if (!handover_.HostAcquire(kHostTimeout)) return 0;
  TeletextTrace("CopyPacketsToApp MaxLen=%d, m_PacketsInBuffer=%d\n", static_cast<int>(maxLen),
                static_cast<int>(converter_->PacketsInBuffer()));
  const uint32_t copied = converter_->TakePackets(dst, maxLen);
  converter_->SetHostWaiting(false);
  handover_.HostRelease();
  TeletextTrace("CopyPacketsToApp-> Return with %d copied packets\n", static_cast<int>(copied));
  return copied;
}

}  // namespace vd
