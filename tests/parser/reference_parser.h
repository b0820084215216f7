// The stream rules read one byte at a time, written as plainly as possible, over a whole stream
// held in memory. The tests and the fuzz target hold the ring-driven scanner against it.
#pragma once

#include <cstdint>
#include <vector>

#include "bulk_parser.h"
#include "remote_decoder.h"

namespace vdtest {

struct ParseOutput {
  std::vector<std::vector<uint8_t>> records;
  std::vector<uint32_t> codes;
  bool operator==(const ParseOutput&) const = default;
};

inline ParseOutput ReferenceParse(const std::vector<uint8_t>& s, vd::BulkParser::Mode mode,
                                  bool wantRecords = true, bool wantCodes = true) {
  const bool full = mode == vd::BulkParser::Mode::kFull;
  ParseOutput out;
  vd::RemoteDecoder decoder;
  vd::RemoteDecoder::SampleQueue queue;
  size_t pos = 0;
  uint64_t zeros = 0;
  while (s.size() - pos > 67) {
    const uint8_t x = s[pos++];
    if (x == 0x85) {
      zeros = 0;
      const uint8_t h = s[pos], a = s[pos + 1], b = s[pos + 2];
      pos += 3;
      const bool valid =
          (h & 0xC0) == 0x80 && __builtin_popcount(a) % 2 == 1 && __builtin_popcount(b) % 2 == 1;
      if (!valid) continue;
      const size_t length = h & 0x3F;
      std::vector<uint8_t> record(s.begin() + static_cast<long>(pos) - 4,
                                  s.begin() + static_cast<long>(pos + length));
      pos += length;
      if (wantRecords) out.records.push_back(record);
    } else if (full ? ((x & 0x70) == 0x70 && zeros > 15) : ((x & 0x01) && zeros > 10)) {
      zeros = 0;
      const size_t n = x & 0x0F;
      if (full && wantCodes) {
        queue.insert(queue.end(), s.begin() + static_cast<long>(pos),
                     s.begin() + static_cast<long>(pos + n));
        if (queue.size() > 30) {
          if (uint32_t code = decoder.Decode(queue)) out.codes.push_back(code);
        }
      }
      pos += n;
    } else if (x == 0x00) {
      ++zeros;
    }
  }
  return out;
}

}  // namespace vdtest
