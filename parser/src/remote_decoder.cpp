#include "remote_decoder.h"

namespace vd {

namespace {
// A burst starts only after this many idle bytes, and is complete after this many more.
constexpr int kIdleBytesBeforeBurst = 10;
constexpr int kIdleBytesAfterBurst = 5;
// A burst may end on an idle byte after this many bytes, and ends regardless after the next.
constexpr int kBurstBytesBeforeIdleEnd = 10;
constexpr int kBurstBytesMax = 13;
// Only the comparisons above matter, so a long idle stretch need not count further.
constexpr int kIdleBytesSaturated = 1 << 20;
}  // namespace

void RemoteDecoder::StartNewCode() {
  idleBytes_ = 0;
  runLength_ = 2;
  bitPosition_ = 0;
  state_ = kIdle;
  levelFlag_ = 1;
}

// The steps below are called once each, from Decode's loop, and are meant to be inlined
// into it: the parser worker runs the loop for every sample byte of a burst.

// An idle byte outside a burst; true when it completes the code of the burst before it.
inline bool RemoteDecoder::CountIdleByte() {
  if (idleBytes_ < kIdleBytesSaturated) ++idleBytes_;
  needByte_ = true;
  return state_ == kAfterBurst && idleBytes_ >= kIdleBytesAfterBurst;
}

// Hands the complete code over and waits for the next.
inline uint32_t RemoteDecoder::TakeCode() {
  StartNewCode();
  const uint32_t code = code_;
  code_ = 0;
  return code;
}

// Counts the samples of the current byte that continue the run at the level being counted;
// a run that ends in the byte goes into the code.
inline void RemoteDecoder::ReadRun() {
  if (state_ != kInBurst) {
    state_ = kInBurst;
    bitIndex_ = 7;
    while ((current_ >> bitIndex_) & 1) --bitIndex_;
  }

  // Count the samples from the bit index down that sit at the level being counted, in one
  // step: mark the samples at the other level and find the highest such mark.
  const unsigned other = (levelFlag_ == 1 ? current_ : ~current_) & ((2u << bitIndex_) - 1);
  const int stop = other == 0 ? -1 : 31 - __builtin_clz(other);
  runLength_ += bitIndex_ - stop;
  bitIndex_ = stop;

  if (bitIndex_ < 0) {
    bitIndex_ = 7;
    needByte_ = true;
    ++burstBytes_;
    return;
  }
  EndRun();
}

// An idle run moves the bit position on; a pulse sets a bit for each of its units.
inline void RemoteDecoder::EndRun() {
  // The start value 2 makes this division round to the nearest unit of 4 samples.
  runLength_ /= 4;
  if (levelFlag_ == 1) {
    bitPosition_ += static_cast<uint32_t>(runLength_);
    levelFlag_ = 0;
  } else {
    for (int i = 0; i < runLength_; ++i) {
      ++bitPosition_;
      code_ |= 1u << (bitPosition_ % 32);
    }
    levelFlag_ = 1;
  }
  runLength_ = 2;
}

uint32_t RemoteDecoder::Decode(SampleQueue& queue) {
  for (;;) {
    if (queue.empty()) return 0;
    if (needByte_) {
      current_ = queue.front();
      queue.pop_front();
      needByte_ = false;
    }

    if (current_ == 0xFF && state_ != kInBurst) {
      if (CountIdleByte()) return TakeCode();
      continue;
    }

    if (idleBytes_ <= kIdleBytesBeforeBurst) {
      // Noise outside a burst, or a stray sample after one: it restarts the idle count.
      needByte_ = true;
      idleBytes_ = 0;
      continue;
    }

    if ((burstBytes_ > kBurstBytesBeforeIdleEnd && current_ == 0xFF) ||
        burstBytes_ > kBurstBytesMax) {
      // The byte that ended the burst is looked at again as the first idle byte after it.
      state_ = kAfterBurst;
      burstBytes_ = 0;
      idleBytes_ = 0;
      continue;
    }

    ReadRun();
  }
}

}  // namespace vd
