// Builds bulk streams for the tests: filler, records, bursts, and a small teletext encoder
// (Hamming 8/4 addresses, odd-parity text) so packets can round-trip through a decoder.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vdtest {

using Bytes = std::vector<uint8_t>;

inline uint8_t WithOddParity(uint8_t c) {
  c &= 0x7F;
  return (__builtin_popcount(c) & 1) ? c : static_cast<uint8_t>(c | 0x80);
}

// Bits in transmission order: P1 D1 P2 D2 P3 D3 P4 D4, P1 the least significant.
inline uint8_t Hamming84(uint8_t nibble) {
  const int d1 = nibble & 1, d2 = (nibble >> 1) & 1, d3 = (nibble >> 2) & 1, d4 = (nibble >> 3) & 1;
  const int p1 = 1 ^ d1 ^ d3 ^ d4;
  const int p2 = 1 ^ d1 ^ d2 ^ d4;
  const int p3 = 1 ^ d1 ^ d2 ^ d3;
  const int p4 = 1 ^ p1 ^ d1 ^ p2 ^ d2 ^ p3 ^ d3 ^ d4;
  return static_cast<uint8_t>(p1 | d1 << 1 | p2 << 2 | d2 << 3 | p3 << 4 | d3 << 5 | p4 << 6 |
                              d4 << 7);
}

inline void PutText(uint8_t* out, const std::string& text, size_t width) {
  for (size_t i = 0; i < width; ++i) {
    out[i] = WithOddParity(static_cast<uint8_t>(i < text.size() ? text[i] : ' '));
  }
}

// Row 0 of page 0xMTU: address, page number, subcode and control bits, 32 header characters.
inline Bytes PageHeader(int magazine, int page, const std::string& text) {
  Bytes p(42);
  p[0] = Hamming84(static_cast<uint8_t>(magazine & 7));
  p[1] = Hamming84(0);
  p[2] = Hamming84(static_cast<uint8_t>(page & 0xF));
  p[3] = Hamming84(static_cast<uint8_t>((page >> 4) & 0xF));
  for (int i = 4; i < 10; ++i) p[i] = Hamming84(0);
  PutText(p.data() + 10, text, 32);
  return p;
}

inline Bytes PageRow(int magazine, int row, const std::string& text) {
  Bytes p(42);
  p[0] = Hamming84(static_cast<uint8_t>((magazine & 7) | ((row & 1) << 3)));
  p[1] = Hamming84(static_cast<uint8_t>(row >> 1));
  PutText(p.data() + 2, text, 40);
  return p;
}

inline int PacketMagazine(const uint8_t* p) {
  for (int n = 0; n < 16; ++n) {
    if (Hamming84(static_cast<uint8_t>(n)) == p[0]) {
      const int m = n & 7;
      return m == 0 ? 8 : m;
    }
  }
  return -1;
}

inline void Append(Bytes& out, const Bytes& more) {
  out.insert(out.end(), more.begin(), more.end());
}

inline Bytes Filler(size_t n) {
  return Bytes(n, 0x00);
}

// A record as the box sends it: 0x85, length, two odd-parity data bytes, payload.
inline Bytes Record(const Bytes& payload, uint8_t dataA = 0x01, uint8_t dataB = 0x10) {
  Bytes r{0x85, static_cast<uint8_t>(0x80 | (payload.size() & 0x3F)), dataA, dataB};
  Append(r, payload);
  return r;
}

inline Bytes Payload42(uint8_t seed) {
  Bytes p(42);
  for (size_t i = 0; i < p.size(); ++i) p[i] = static_cast<uint8_t>(seed + i);
  return p;
}

inline Bytes Burst(const Bytes& samples) {
  Bytes b{static_cast<uint8_t>(0x70 | (samples.size() & 0x0F))};
  Append(b, samples);
  return b;
}

}  // namespace vdtest
