// The worker's side of the sink pin as plain logic: the raw ring, the conversion pass that
// cuts it into teletext packets and remote bursts, and the packet array. It takes no lock:
// VbiSink decides who may touch the packet array when.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "ir_decoder.h"
#include "raw_ring.h"

namespace vd {

class VbiConverter {
 public:
  static constexpr uint32_t kSlots = 600;
  static constexpr uint32_t kPacketSize = 42;
  static constexpr uint32_t kMinZeroRun = 16;
  // A waiting host gets the array back once this many packets are ready.
  static constexpr uint32_t kHostWaitingPackets = 300;

  explicit VbiConverter(IrDecoder::Callback remote = {});
  VbiConverter(const VbiConverter&) = delete;
  VbiConverter& operator=(const VbiConverter&) = delete;

  RawRing& Ring() { return ring_; }
  const RawRing& Ring() const { return ring_; }
  IrDecoder& Decoder() { return decoder_; }

  // One pass over the unread bytes. `stop` may be null.
  void ConvertPass(const std::atomic<bool>* stop = nullptr);

  // Copies whole packets from slot 0 into dst (room for maxLen bytes), moves the rest to the
  // front and returns the number copied. Caller must own the packet array.
  uint32_t TakePackets(uint8_t* dst, size_t maxLen);
  void DiscardPackets() { packetsInBuffer_.store(0, std::memory_order_relaxed); }

  // Readable from any thread (for status); changed only by the array's owner.
  uint32_t PacketsInBuffer() const { return packetsInBuffer_.load(std::memory_order_relaxed); }
  const uint8_t* Slot(uint32_t index) const { return packets_[index]; }

  void SetHostWaiting(bool waiting) { hostWaiting_.store(waiting, std::memory_order_release); }
  bool HostWaiting() const { return hostWaiting_.load(std::memory_order_acquire); }
  bool Resyncing() const { return resync_; }

  static bool HeaderAccepted(const uint8_t header[4]);

 private:
  enum class Step { kNextCycle, kEndPass };
  Step Resync();
  Step TakeRecord();

  RawRing ring_;
  IrDecoder decoder_;
  bool resync_ = true;
  // Zeros counted at the end of the unread bytes, so a filler run split between two samples
  // still counts whole.
  uint32_t pendingZeros_ = 0;
  std::atomic<uint32_t> packetsInBuffer_{0};
  std::atomic<bool> hostWaiting_{false};
  uint8_t packets_[kSlots][kPacketSize] = {};
};

}  // namespace vd
