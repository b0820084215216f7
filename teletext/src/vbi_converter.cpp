#include "vbi_converter.h"

#include <algorithm>
#include <cstring>

#include "teletext_trace.h"

namespace vd {

namespace {

constexpr bool OddParity(uint8_t b) {
  return (__builtin_popcount(b) & 1) != 0;
}

}  // namespace

VbiConverter::VbiConverter(IrDecoder::Callback remote) : decoder_(std::move(remote)) {}

bool VbiConverter::HeaderAccepted(const uint8_t header[4]) {
  return (header[0] & 0x80) != 0 && (header[3] & 0x0F) == 0 && OddParity(header[2]) &&
         OddParity(header[3]);
}

VbiConverter::Step VbiConverter::Resync() {
  TeletextMarker("b");
  const auto zero = ring_.FindZero();
  if (!zero) {
    ring_.SkipToWrite();
    ring_.ClearOverflow();
    pendingZeros_ = 0;
    return Step::kEndPass;
  }
  if (*zero != 0) pendingZeros_ = 0;
  if (!ring_.Advance(*zero)) {
    TeletextTrace("ERROR: Zero byte was found, but Not enough space to update m_ReadPointer\n");
    return Step::kEndPass;
  }
  if (ring_.Unread() < kMinZeroRun && pendingZeros_ + ring_.Unread() < kMinZeroRun) {
    ring_.ClearOverflow();
    return Step::kEndPass;
  }
  const uint32_t unread = ring_.Unread();
  uint32_t zeros = 0;
  while (zeros < unread && ring_.Peek(zeros) == 0x00) ++zeros;
  ring_.Advance(zeros);
  // Counting past 16 tells nothing more, and a capped count cannot wrap on endless filler.
  const uint32_t run = std::min(pendingZeros_ + zeros, kMinZeroRun);
  // A run that reaches the end of what has arrived may go on in the next sample.
  pendingZeros_ = zeros == unread ? run : 0;
  if (run >= kMinZeroRun) resync_ = false;
  return Step::kNextCycle;
}

VbiConverter::Step VbiConverter::TakeRecord() {
  if (ring_.Unread() <= 4) {
    ring_.ClearOverflow();
    return Step::kEndPass;
  }
  uint8_t header[4];
  ring_.CopyOut(0, header, 4);
  ring_.Advance(4);
  const uint32_t length = header[1] & 0x3F;
  if (ring_.Unread() < length) {
    ring_.StepBack(4);
    ring_.ClearOverflow();
    return Step::kEndPass;
  }
  const uint32_t slot = packetsInBuffer_.load(std::memory_order_relaxed);
  if (length > 0 && HeaderAccepted(header)) {
    // A record longer than a packet keeps its first 42 bytes; a shorter one leaves no stale
    // bytes of an older packet behind it.
    const uint32_t copied = std::min(length, kPacketSize);
    ring_.CopyOut(0, packets_[slot], copied);
    std::memset(packets_[slot] + copied, 0, kPacketSize - copied);
    packetsInBuffer_.store(slot + 1, std::memory_order_relaxed);
  }
  ring_.Advance(length);
  return Step::kNextCycle;
}

void VbiConverter::ConvertPass(const std::atomic<bool>* stop) {
  // A sample larger than the whole ring is refused while the ring is empty; with nothing to
  // catch up on, only this lets the stream resume.
  if (ring_.Unread() == 0) ring_.ClearOverflow();
  while (ring_.Unread() > 0 && !(stop && stop->load(std::memory_order_acquire)) &&
         PacketsInBuffer() < kSlots) {
    if (resync_) {
      if (Resync() == Step::kEndPass) return;
      if (resync_) continue;
    }
    if (ring_.Unread() == 0) {
      ring_.ClearOverflow();
      return;
    }
    // Anything but filler ends a zero run.
    if (ring_.Peek(0) != 0x00) pendingZeros_ = 0;
    if ((ring_.Peek(0) & 0x70) == 0x70) {
      // A burst whose tail is still to come ends the pass as a partial record does: the
      // overflow is cleared, or every later sample would be refused for good.
      if (!decoder_.HandleBurst(ring_)) {
        ring_.ClearOverflow();
        return;
      }
      if (ring_.Unread() == 0) {
        ring_.ClearOverflow();
        return;
      }
      // What follows is looked at afresh, another burst included, exactly as when the
      // sample had ended here: the result must not depend on where samples are cut.
      continue;
    }
    if (ring_.Peek(0) != 0x85) {
      resync_ = true;
      continue;
    }
    if (TakeRecord() == Step::kEndPass) return;
    if (ring_.Unread() == 0) ring_.ClearOverflow();
    if (HostWaiting() && PacketsInBuffer() > kHostWaitingPackets) return;
  }
}

uint32_t VbiConverter::TakePackets(uint8_t* dst, size_t maxLen) {
  const uint32_t waiting = PacketsInBuffer();
  uint32_t copied = waiting;
  if (maxLen < static_cast<size_t>(waiting) * kPacketSize) {
    copied = static_cast<uint32_t>(maxLen / kPacketSize);
  }
  if (copied > 0) std::memcpy(dst, packets_, static_cast<size_t>(copied) * kPacketSize);
  if (copied < waiting) {
    std::memmove(packets_, packets_[copied], static_cast<size_t>(waiting - copied) * kPacketSize);
  }
  packetsInBuffer_.store(waiting - copied, std::memory_order_relaxed);
  return copied;
}

}  // namespace vd
