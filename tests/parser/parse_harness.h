// Drives the ring and the scanner the way the worker does, deterministically: one scan after
// every sample.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "bulk_parser.h"
#include "byte_ring.h"
#include "reference_parser.h"

namespace vdtest {

class CollectingHandler final : public vd::BulkParser::Handler {
 public:
  bool wantRecords = true;
  bool wantCodes = true;
  ParseOutput out;

  bool WantsRecords() override { return wantRecords; }
  bool WantsCodes() override { return wantCodes; }
  void OnRecord(const uint8_t* record, size_t length) override {
    out.records.emplace_back(record, record + length);
  }
  void OnCode(uint32_t code) override { out.codes.push_back(code); }
};

inline size_t RingCapacity(vd::BulkParser::Mode mode) {
  return mode == vd::BulkParser::Mode::kFull ? 95536 : 65536;
}

// Feeds `stream` in samples whose sizes are given by `sizes` (cycled; 0 means the rest).
inline ParseOutput FeedInSamples(const std::vector<uint8_t>& stream, vd::BulkParser::Mode mode,
                                 const std::vector<size_t>& sizes, bool wantRecords = true,
                                 bool wantCodes = true) {
  vd::ByteRing ring(RingCapacity(mode), false);
  vd::BulkParser parser(mode);
  CollectingHandler handler;
  handler.wantRecords = wantRecords;
  handler.wantCodes = wantCodes;
  size_t pos = 0, k = 0;
  while (pos < stream.size()) {
    size_t n = sizes.empty() ? 0 : sizes[k++ % sizes.size()];
    if (n == 0 || n > stream.size() - pos) n = stream.size() - pos;
    EXPECT_TRUE(ring.Write(stream.data() + pos, n));
    pos += n;
    parser.Scan(ring, handler);
  }
  return handler.out;
}

inline ParseOutput FeedWhole(const std::vector<uint8_t>& stream, vd::BulkParser::Mode mode) {
  return FeedInSamples(stream, mode, {});
}

}  // namespace vdtest
