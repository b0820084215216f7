#include "bulk_parser.h"

#include <algorithm>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace vd {

namespace {
// A burst lead counts only after more fillers than this.
constexpr uint32_t kFullBurstFillers = 15;
constexpr uint32_t kCompactBurstFillers = 10;
// Only the comparisons above matter, so a long filler stretch need not count further.
constexpr uint32_t kZeroRunSaturated = 1u << 30;
constexpr size_t kHeaderBytes = 3;
constexpr size_t kMaxBurstSamples = 15;

// Bit count of a 16-bit mask without the library call the baseline instruction set needs.
[[maybe_unused]] inline uint32_t BitCount16(uint32_t m) {
  m = m - ((m >> 1) & 0x5555);
  m = (m & 0x3333) + ((m >> 2) & 0x3333);
  m = (m + (m >> 4)) & 0x0F0F;
  return (m + (m >> 8)) & 0x1F;
}
}  // namespace

bool BulkParser::ValidHeader(const uint8_t* header) {
  return (header[0] >> 6) == 2 && __builtin_parity(header[1]) == 1 &&
         __builtin_parity(header[2]) == 1;
}

bool BulkParser::IsLead(uint8_t x) const {
  if (x == kRecordLead) return true;
  if (mode_ == Mode::kFull) return (x & 0x70) == 0x70 && zeroRun_ > kFullBurstFillers;
  return (x & 0x01) != 0 && zeroRun_ > kCompactBurstFillers;
}

size_t BulkParser::SkipPlainBytewise(const uint8_t* data, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    const uint8_t x = data[i];
    if (x == 0) {
      if (zeroRun_ < kZeroRunSaturated) ++zeroRun_;
    } else if (IsLead(x)) {
      return i;
    }
  }
  return n;
}

size_t BulkParser::SkipPlain(const uint8_t* data, size_t n) {
  size_t i = 0;
#ifdef __SSE2__
  const uint32_t threshold = mode_ == Mode::kFull ? kFullBurstFillers : kCompactBurstFillers;
  const __m128i zero = _mm_setzero_si128();
  const __m128i recordLead = _mm_set1_epi8(static_cast<char>(kRecordLead));
  const __m128i burstBits = _mm_set1_epi8(mode_ == Mode::kFull ? 0x70 : 0x01);
  while (i < n) {
    // Filler is by far the commonest content: look at 64 bytes at once while it lasts.
    if (n - i >= 64) {
      const auto* v = reinterpret_cast<const __m128i*>(data + i);
      const __m128i any =
          _mm_or_si128(_mm_or_si128(_mm_loadu_si128(v), _mm_loadu_si128(v + 1)),
                       _mm_or_si128(_mm_loadu_si128(v + 2), _mm_loadu_si128(v + 3)));
      if (_mm_movemask_epi8(_mm_cmpeq_epi8(any, zero)) == 0xFFFF) {
        zeroRun_ = std::min(zeroRun_ + 64, kZeroRunSaturated);
        i += 64;
        continue;
      }
    }
    if (n - i >= 16) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
      const int zeros = _mm_movemask_epi8(_mm_cmpeq_epi8(v, zero));
      const int records = _mm_movemask_epi8(_mm_cmpeq_epi8(v, recordLead));
      const int bursts = _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_and_si128(v, burstBits), burstBits));
      const uint32_t zeroCount = BitCount16(static_cast<uint32_t>(zeros));
      // Burst-like bytes count only after enough filler; when the run cannot reach that inside
      // this block, the first record lead (if any) is the only item in it.
      if (bursts == 0 || zeroRun_ + zeroCount <= threshold) {
        if (records == 0) {
          zeroRun_ = std::min(zeroRun_ + zeroCount, kZeroRunSaturated);
          i += 16;
          continue;
        }
        const int at = __builtin_ctz(static_cast<unsigned>(records));
        const uint32_t before = BitCount16(static_cast<uint32_t>(zeros & ((1 << at) - 1)));
        zeroRun_ = std::min(zeroRun_ + before, kZeroRunSaturated);
        return i + static_cast<size_t>(at);
      }
    }
    const size_t block = std::min<size_t>(16, n - i);
    const size_t k = SkipPlainBytewise(data + i, block);
    i += k;
    if (k < block) return i;
  }
  return n;
#else
  return SkipPlainBytewise(data, n);
#endif
}

void BulkParser::HandleLead(uint8_t lead, ByteRing& ring, Handler& handler) {
  zeroRun_ = 0;
  if (lead == kRecordLead) {
    uint8_t record[kMaxRecord];
    record[0] = lead;
    ring.Read(record + 1, kHeaderBytes);
    if (!ValidHeader(record + 1)) return;
    const size_t length = record[1] & 0x3F;
    if (length > 0) ring.Read(record + 1 + kHeaderBytes, length);
    if (handler.WantsRecords()) handler.OnRecord(record, 1 + kHeaderBytes + length);
    return;
  }
  uint8_t samples[kMaxBurstSamples];
  const size_t count = lead & 0x0F;
  if (count > 0) ring.Read(samples, count);
  if (mode_ == Mode::kCompact || !handler.WantsCodes()) return;
  queue_.insert(queue_.end(), samples, samples + count);
  if (queue_.size() <= kDecodeThreshold) return;
  const uint32_t code = decoder_.Decode(queue_);
  if (code != 0) handler.OnCode(code);
}

void BulkParser::Scan(ByteRing& ring, Handler& handler) {
  for (;;) {
    if (handler.Stopping()) return;
    const size_t used = ring.Used();
    if (used <= kMaxRecord) return;
    // Every byte is looked at only while more than a whole record is buffered behind it, so
    // an item's bytes are always there once its lead has been seen.
    size_t contiguous = 0;
    const uint8_t* data = ring.Peek(&contiguous);
    const size_t n = std::min(contiguous, used - kMaxRecord);
    const size_t plain = SkipPlain(data, n);
    if (plain > 0) ring.Skip(plain);
    if (plain == n) continue;
    uint8_t lead = 0;
    ring.Read(&lead, 1);
    HandleLead(lead, ring, handler);
  }
}

}  // namespace vd
