// Builds bulk streams for the parser's tests, benchmark and fuzz target: filler, records, and
// infrared bursts encoded from a remote code (units of 4 samples, active = 0, idle = 1).
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace vdtest {

using Bytes = std::vector<uint8_t>;

inline void Append(Bytes& s, const Bytes& more) {
  s.insert(s.end(), more.begin(), more.end());
}

inline Bytes Filler(size_t n) {
  return Bytes(n, 0x00);
}

// 0x85, header byte 0x80 | length, data bytes A and B, payload.
inline Bytes Record(uint8_t a, uint8_t b, const Bytes& payload) {
  Bytes r = {0x85, static_cast<uint8_t>(0x80 | payload.size()), a, b};
  Append(r, payload);
  return r;
}

// The receiver's samples for one code: enough idle bytes to start a burst, `phase` idle samples,
// the waveform (unit u is bit u of the code, up to and including the active unit after the last
// idle one), then idle bytes that complete it. A real remote is not in step with the receiver's
// bytes; the default phase keeps two idle units from filling a whole byte, which would end the
// burst early once it is more than 10 bytes long.
inline Bytes IrSamples(uint32_t code, size_t idleBefore = 12, size_t idleAfter = 8, int phase = 4) {
  int highest = 31;
  while (highest > 0 && ((code >> highest) & 1) == 0) --highest;
  std::vector<int> samples(static_cast<size_t>(phase), 1);
  for (int unit = 1; unit <= highest + 1; ++unit) {
    for (int k = 0; k < 4; ++k) samples.push_back((code >> unit) & 1);
  }
  while (samples.size() % 8 != 0) samples.push_back(1);
  Bytes out(idleBefore, 0xFF);
  for (size_t i = 0; i < samples.size(); i += 8) {
    uint8_t byte = 0;
    for (size_t k = 0; k < 8; ++k) byte = static_cast<uint8_t>((byte << 1) | samples[i + k]);
    out.push_back(byte);
  }
  out.insert(out.end(), idleAfter, 0xFF);
  return out;
}

// Samples as one raw waveform: runs of (level, sample count), most significant bit first,
// padded with idle samples to whole bytes.
// A burst ends on an idle byte only after more than 10 of its bytes, so short waveforms need
// more idle bytes behind them than the remote's codes do.
inline Bytes Waveform(const std::vector<std::pair<int, int>>& runs, size_t idleBefore = 12,
                      size_t idleAfter = 20) {
  std::vector<int> samples;
  for (auto [level, count] : runs) samples.insert(samples.end(), count, level);
  while (samples.size() % 8 != 0) samples.push_back(1);
  Bytes out(idleBefore, 0xFF);
  for (size_t i = 0; i < samples.size(); i += 8) {
    uint8_t byte = 0;
    for (size_t k = 0; k < 8; ++k) byte = static_cast<uint8_t>((byte << 1) | samples[i + k]);
    out.push_back(byte);
  }
  out.insert(out.end(), idleAfter, 0xFF);
  return out;
}

// Cuts receiver samples into stream bursts (lead 0x70 | count, at most 15 samples each), each
// behind `fillers` zero bytes, with one more all-idle burst (`idleTail`) so the decoder runs past
// the code.
inline Bytes Bursts(const Bytes& samples, size_t fillers = 16, bool idleTail = true) {
  Bytes all = samples;
  if (idleTail) all.insert(all.end(), 15, 0xFF);
  Bytes out;
  for (size_t i = 0; i < all.size(); i += 15) {
    const size_t n = std::min<size_t>(15, all.size() - i);
    Append(out, Filler(fillers));
    out.push_back(static_cast<uint8_t>(0x70 | n));
    out.insert(out.end(), all.begin() + static_cast<long>(i),
               all.begin() + static_cast<long>(i + n));
  }
  return out;
}

// A small deterministic generator (tests must not depend on the library's randomness).
class Lcg {
 public:
  explicit Lcg(uint32_t seed) : state_(seed) {}
  uint32_t Next() {
    state_ = state_ * 1664525u + 1013904223u;
    return state_ >> 8;
  }
  uint32_t Below(uint32_t n) { return Next() % n; }

 private:
  uint32_t state_;
};

inline uint8_t OddParity(uint8_t seven) {
  seven &= 0x7F;
  return static_cast<uint8_t>(__builtin_parity(seven) ? seven : seven | 0x80);
}

// A stream like the box's: long filler, teletext records, remote bursts, and now and then noise
// (stray bytes, broken headers) when `noisy`.
inline Bytes RealisticStream(size_t approxSize, uint32_t seed, bool noisy) {
  static const uint32_t kCodes[] = {0x2AAAAA4, 0x6AAAA94, 0x2A9AAA4, 0x6A9AA94, 0x269AAA4};
  Lcg rng(seed);
  Bytes s;
  while (s.size() < approxSize) {
    const uint32_t pick = rng.Below(100);
    if (pick < 60) {
      Append(s, Filler(20 + rng.Below(300)));
    } else if (pick < 85) {
      Bytes payload(rng.Below(2) ? 42 : rng.Below(64));
      for (auto& b : payload) b = static_cast<uint8_t>(rng.Next());
      Append(s, Record(OddParity(static_cast<uint8_t>(rng.Next())),
                       OddParity(static_cast<uint8_t>(rng.Next())), payload));
    } else if (pick < 92) {
      Append(s, Bursts(IrSamples(kCodes[rng.Below(5)])));
    } else if (noisy) {
      const size_t n = 1 + rng.Below(20);
      for (size_t i = 0; i < n; ++i) s.push_back(static_cast<uint8_t>(rng.Next()));
    }
  }
  Append(s, Filler(80));
  return s;
}

}  // namespace vdtest
