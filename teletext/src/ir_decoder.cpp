#include "ir_decoder.h"

#include <cstdio>

#include "raw_ring.h"
#include "teletext_trace.h"

namespace vd {

IrDecoder::Runs IrDecoder::Split(uint8_t sample) {
  Runs runs;
  runs.firstLevel = (sample >> 7) & 1;
  int level = runs.firstLevel;
  int length = 0;
  for (int bit = 7; bit >= 0; --bit) {
    const int value = (sample >> bit) & 1;
    if (value != level) {
      if (runs.count == 4) return runs;
      runs.length[runs.count++] = static_cast<uint8_t>(length);
      level = value;
      length = 0;
    }
    ++length;
  }
  if (runs.count < 4) runs.length[runs.count++] = static_cast<uint8_t>(length);
  return runs;
}

void IrDecoder::EnterNextRun(uint8_t length) {
  runIndex_ = (runIndex_ + 1) % kRunEntries;
  runs_[runIndex_] = length;
}

void IrDecoder::StartSequence(const Runs& runs) {
  inSequence_ = true;
  level_ = 0;
  // A byte that begins idle contributes its idle lead-in to nothing: the sequence starts at
  // the first active sample.
  int first = runs.firstLevel == 0 ? 0 : 1;
  runs_[runIndex_] = runs.length[first];
  sequenceStart_ = runIndex_;
  for (int i = first + 1; i < runs.count; ++i) {
    level_ ^= 1;
    EnterNextRun(runs.length[i]);
  }
}

bool IrDecoder::ExtendSequence(const Runs& runs) {
  int next = 0;
  if (runs.firstLevel == level_) {
    runs_[runIndex_] = static_cast<uint8_t>(runs_[runIndex_] + runs.length[0]);
    if (level_ == 1 && runs_[runIndex_] >= kClosingIdleSamples) {
      Complete();
      return true;
    }
    next = 1;
  }
  for (int i = next; i < runs.count; ++i) {
    level_ ^= 1;
    EnterNextRun(runs.length[i]);
  }
  return false;
}

void IrDecoder::Complete() {
  int32_t count = 0;
  uint32_t code = 0;
  int level = 0;
  char digits[512];
  size_t used = 0;
  static const bool traced = TraceEnabled("teletext");
  for (uint32_t i = sequenceStart_; i != runIndex_; i = (i + 1) % kRunEntries) {
    const int units = (runs_[i] + 2) / 4;
    for (int u = 0; u < units; ++u) {
      ++count;
      code = code * 2 + static_cast<uint32_t>(level);
      if (traced && used + 3 < sizeof digits) {
        used +=
            static_cast<size_t>(std::snprintf(digits + used, sizeof digits - used, "%1d ", level));
      }
    }
    level ^= 1;
  }
  digits[used] = '\0';
  TeletextTrace(" ++++++++++  IR Sequence => %s => [%i 0x%X]", digits, count, code);
  if (callback_) callback_(count, static_cast<int32_t>(code));
  inSequence_ = false;
  EnterNextRun(0);
}

bool IrDecoder::HandleBurst(RawRing& ring) {
  const uint32_t n = ring.Peek(0) & 0x0F;
  TeletextMarker("c");
  if (ring.Unread() - 1 < n) return false;
  ring.Advance(1);
  uint32_t taken = 0;
  while (!inSequence_ && taken < n) {
    if (ring.Unread() == 0) {
      TeletextTrace("IR (2) - not enough bytes in FIFO\n");
      return true;
    }
    const uint8_t sample = ring.Peek(0);
    ring.Advance(1);
    ++taken;
    if (sample != 0xFF) StartSequence(Split(sample));
  }
  while (taken < n) {
    if (ring.Unread() == 0) {
      TeletextTrace("IR (3) - not enough bytes in FIFO\n");
      return true;
    }
    const uint8_t sample = ring.Peek(0);
    ring.Advance(1);
    ++taken;
    if (ExtendSequence(Split(sample))) return true;
  }
  return true;
}

}  // namespace vd
