// The bulk scanner and remote decoder over arbitrary bytes cut into arbitrary samples: nothing
// may crash, and the output must equal both the whole-stream run and the byte-at-a-time rules.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "bulk_parser.h"
#include "byte_ring.h"
#include "reference_parser.h"

namespace {

class Collector final : public vd::BulkParser::Handler {
 public:
  bool codes = true;
  vdtest::ParseOutput out;
  bool WantsRecords() override { return true; }
  bool WantsCodes() override { return codes; }
  void OnRecord(const uint8_t* record, size_t length) override {
    if (length < 4 || length > 67 || length != 4u + (record[1] & 0x3F)) std::abort();
    out.records.emplace_back(record, record + length);
  }
  void OnCode(uint32_t code) override {
    if (code == 0) std::abort();
    out.codes.push_back(code);
  }
};

vdtest::ParseOutput Feed(const std::vector<uint8_t>& stream, vd::BulkParser::Mode mode,
                         const uint8_t* sizes, size_t sizeCount, bool codes) {
  vd::ByteRing ring(mode == vd::BulkParser::Mode::kFull ? 95536 : 65536, false);
  vd::BulkParser parser(mode);
  Collector collector;
  collector.codes = codes;
  size_t pos = 0, k = 0;
  while (pos < stream.size()) {
    // Whole means as much as the smaller ring surely takes.
    size_t n = std::min<size_t>(stream.size() - pos, 60000);
    if (sizeCount > 0) n = std::min<size_t>(n, 1 + sizes[k++ % sizeCount] * 3u);
    if (!ring.Write(stream.data() + pos, n)) std::abort();
    pos += n;
    parser.Scan(ring, collector);
    if (ring.Used() > vd::BulkParser::kMaxRecord) std::abort();
  }
  return collector.out;
}

}  // namespace

// Input: one flags byte, one count byte, that many sample-size bytes, then the stream.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const uint8_t flags = data[0];
  const size_t sizeCount = std::min<size_t>(data[1], size - 2);
  const uint8_t* sizes = data + 2;
  const std::vector<uint8_t> stream(data + 2 + sizeCount, data + size);
  const auto mode = (flags & 1) ? vd::BulkParser::Mode::kCompact : vd::BulkParser::Mode::kFull;
  const bool codes = (flags & 2) == 0;

  const vdtest::ParseOutput split = Feed(stream, mode, sizes, sizeCount, codes);
  const vdtest::ParseOutput whole = Feed(stream, mode, nullptr, 0, codes);
  const vdtest::ParseOutput reference = vdtest::ReferenceParse(stream, mode, true, codes);
  if (!(split == whole) || !(whole == reference)) {
    std::fprintf(stderr, "split %zu/%zu, whole %zu/%zu, reference %zu/%zu records/codes\n",
                 split.records.size(), split.codes.size(), whole.records.size(), whole.codes.size(),
                 reference.records.size(), reference.codes.size());
    std::abort();
  }
  return 0;
}
