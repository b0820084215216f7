#include "vd/ir_burst_encoder.h"

#include <bit>

namespace vd {

namespace {

constexpr unsigned kHighestBit = 26;

// Sizes of burst items, each odd and at most kMaxBurstBytes, adding up to `total`.
std::vector<size_t> OddParts(size_t total) {
  size_t count = (total + IrBurstEncoder::kMaxBurstBytes - 1) / IrBurstEncoder::kMaxBurstBytes;
  if (count % 2 != total % 2) ++count;  // a sum of odd parts has the parity of their number
  std::vector<size_t> parts(count, IrBurstEncoder::kMaxBurstBytes);
  size_t excess = count * IrBurstEncoder::kMaxBurstBytes - total;
  for (size_t i = 0; excess > 0; i = (i + 1) % count) {
    if (parts[i] > 1) {
      parts[i] -= 2;
      excess -= 2;
    }
  }
  return parts;
}

}  // namespace

bool IrBurstEncoder::Encodable(uint32_t code) {
  if (code == 0 || (code & 0x3u) != 0) return false;
  if (std::bit_width(code) > kHighestBit + 1) return false;
  return (code & (code >> 1) & (code >> 2)) == 0;
}

size_t IrBurstEncoder::ClosingByte(uint32_t code, size_t leadIdleBytes) {
  // The last pulse is the unit after the highest idle one.
  const size_t units = std::bit_width(code);
  const size_t pulseEnd = leadIdleBytes * 8 + kWaveOffset + 4 * units;  // first idle sample
  return (pulseEnd - 1) / 8 + 2;
}

size_t IrBurstEncoder::LeadIdleBytes(uint32_t code) {
  // One more idle byte in front when that makes the bytes up to the closing one an even
  // count, which two odd items can carry.
  return ClosingByte(code, kMinLeadIdleBytes) % 2 == 1 ? kMinLeadIdleBytes : kMinLeadIdleBytes + 1;
}

std::vector<uint8_t> IrBurstEncoder::Samples(uint32_t code) {
  if (!Encodable(code)) return {};
  const size_t lead = LeadIdleBytes(code);
  const size_t closing = ClosingByte(code, lead);
  std::vector<uint8_t> bytes(kCloserBursts + closing + 1 + kTailBursts * kMaxBurstBytes, 0xFF);
  const unsigned units = static_cast<unsigned>(std::bit_width(code));
  for (unsigned unit = 1; unit <= units; ++unit) {
    const bool idle = unit < units && ((code >> unit) & 1u) != 0;
    if (idle) continue;
    const size_t first = (kCloserBursts + lead) * 8 + kWaveOffset + 4 * (unit - 1);
    for (size_t s = first; s < first + 4; ++s) {
      bytes[s / 8] &= static_cast<uint8_t>(~(0x80u >> (s % 8)));
    }
  }
  return bytes;
}

std::vector<std::vector<uint8_t>> IrBurstEncoder::Bursts(uint32_t code) {
  const std::vector<uint8_t> samples = Samples(code);
  if (samples.empty()) return {};
  std::vector<size_t> parts(kCloserBursts, 1);
  const std::vector<size_t> wave = OddParts(ClosingByte(code, LeadIdleBytes(code)) + 1);
  parts.insert(parts.end(), wave.begin(), wave.end());
  parts.insert(parts.end(), kTailBursts, kMaxBurstBytes);
  std::vector<std::vector<uint8_t>> bursts;
  size_t at = 0;
  for (size_t n : parts) {
    std::vector<uint8_t> burst;
    burst.reserve(n + 1);
    burst.push_back(static_cast<uint8_t>(0x70 | n));
    burst.insert(burst.end(), samples.begin() + static_cast<ptrdiff_t>(at),
                 samples.begin() + static_cast<ptrdiff_t>(at + n));
    bursts.push_back(std::move(burst));
    at += n;
  }
  return bursts;
}

}  // namespace vd
