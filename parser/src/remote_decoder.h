// Turns the infrared receiver's samples (8 per byte, most significant first, 1 = idle) into the
// remote's 32-bit codes: the waveform in units of 4 samples, idle units between pulses as 1 bits,
// the earliest unit at bit 1. The state survives between calls, so a burst may arrive in pieces.
#pragma once

#include <cstdint>
#include <deque>

namespace vd {

class RemoteDecoder {
 public:
  using SampleQueue = std::deque<uint8_t>;

  // Consumes samples until the queue is empty (answer 0, state kept) or a code is complete
  // (answer the code; what follows it stays queued).
  uint32_t Decode(SampleQueue& queue);

  // For tests and the diagnostic tool.
  int State() const { return state_; }

 private:
  enum : int { kIdle = 0, kInBurst = 1, kAfterBurst = 2 };

  void StartNewCode();
  bool CountIdleByte();
  uint32_t TakeCode();
  void ReadRun();
  void EndRun();

  int state_ = kIdle;
  uint32_t code_ = 0;
  uint32_t bitPosition_ = 0;
  int idleBytes_ = 0;
  int burstBytes_ = 0;
  int runLength_ = 2;
  int levelFlag_ = 1;
  bool needByte_ = true;
  uint8_t current_ = 0;
  int bitIndex_ = 7;
};

}  // namespace vd
