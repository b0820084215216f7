// Test oracles: straightforward re-readings of the bulk stream by the rules the two reading
// libraries follow (the stream parser's scanner and remote decoder, the teletext library's
// scanner and IR decoder). They exist only to check the generator's output; they are not the
// libraries and make no attempt at their speed or threading.
#pragma once

#include <cstdint>
#include <deque>
#include <span>
#include <utility>
#include <vector>

namespace vd::test {

// The parser library's reading: records led by 0x85 with a valid header, bursts after more
// than 15 zeros, a remote decoder that runs once more than 30 sample bytes are queued.
class ParserOracle {
 public:
  // One arrival of bytes: like the worker after a signal, it scans while more than 67 bytes
  // are buffered.
  void Feed(std::span<const uint8_t> bytes);

  std::vector<std::vector<uint8_t>> records;  // header and payload
  std::vector<uint32_t> codes;
  size_t rejectedHeaders = 0;
  size_t queuedSamples = 0;

 private:
  uint32_t Decode();

  std::deque<uint8_t> ring_;
  std::deque<uint8_t> queue_;
  // Remote decoder state.
  int state_ = 0;
  uint32_t code_ = 0;
  uint32_t bitPos_ = 0;
  int idleBytes_ = 0;
  int burstBytes_ = 0;
  uint32_t run_ = 2;
  bool countingActive_ = true;
  bool needByte_ = true;
  uint8_t byte_ = 0;
  int bit_ = 7;
};

// The teletext library's reading: items only after a run of 16 zeros, records accepted by
// bit 7 of the marker, the low nibble of byte 3 and the parity of bytes 2 and 3, and an IR
// decoder that collects runs and reports (unit count, code) when a gap of 16 samples closes.
class TeletextOracle {
 public:
  void Feed(std::span<const uint8_t> bytes);

  std::vector<std::vector<uint8_t>> packets;
  std::vector<std::pair<uint32_t, uint32_t>> codes;  // (units, code)
  size_t consumedOfLastBurst = 0;                    // sample bytes the last burst used

 private:
  // Returns the bytes used of the burst's samples.
  size_t Burst(std::span<const uint8_t> samples);
  void Enter();
  void Complete();

  std::vector<uint8_t> buf_;
  size_t pos_ = 0;
  bool resync_ = true;
  bool inSequence_ = false;
  int level_ = 0;
  uint8_t runs_[400] = {};
  size_t index_ = 0;
  size_t start_ = 0;
};

// The (unit count, code) the teletext reading gives for a parser code.
std::pair<uint32_t, uint32_t> TeletextFormOf(uint32_t parserCode);

}  // namespace vd::test
