// The bulk scanner's throughput on a stream like the box's (filler, teletext records, remote
// bursts), next to memcpy of the same bytes in the same sample sizes, and next to the plain
// byte-at-a-time reading of the rules.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

#include "bulk_parser.h"
#include "byte_ring.h"
#include "reference_parser.h"
#include "stream_builder.h"

namespace {

constexpr size_t kStreamBytes = 32u << 20;
constexpr size_t kSample = 4096;
constexpr int kRounds = 5;

class CountingHandler final : public vd::BulkParser::Handler {
 public:
  size_t records = 0, codes = 0;
  bool WantsRecords() override { return true; }
  bool WantsCodes() override { return true; }
  void OnRecord(const uint8_t*, size_t) override { ++records; }
  void OnCode(uint32_t) override { ++codes; }
};

template <typename F>
double BestSeconds(F&& f) {
  double best = 1e9;
  for (int i = 0; i < kRounds; ++i) {
    const auto t0 = std::chrono::steady_clock::now();
    f();
    const auto t1 = std::chrono::steady_clock::now();
    best = std::min(best, std::chrono::duration<double>(t1 - t0).count());
  }
  return best;
}

double MBps(size_t bytes, double seconds) {
  return static_cast<double>(bytes) / seconds / 1e6;
}

void Measure(const char* name, const std::vector<uint8_t>& stream) {
  // Baseline: copying the same samples into a ring-sized buffer.
  std::vector<uint8_t> target(95536);
  volatile uint8_t sink = 0;
  const double copy = BestSeconds([&] {
    size_t at = 0;
    for (size_t i = 0; i < stream.size(); i += kSample) {
      const size_t n = std::min(kSample, stream.size() - i);
      if (at + n > target.size()) at = 0;
      std::memcpy(target.data() + at, stream.data() + i, n);
      at += n;
    }
    sink = sink + target[at / 2];
  });

  CountingHandler handler;
  const double scan = BestSeconds([&] {
    vd::ByteRing ring(95536, false);
    vd::BulkParser parser(vd::BulkParser::Mode::kFull);
    handler = CountingHandler();
    for (size_t i = 0; i < stream.size(); i += kSample) {
      const size_t n = std::min(kSample, stream.size() - i);
      ring.Write(stream.data() + i, n);
      parser.Scan(ring, handler);
    }
  });

  const double bytewise = BestSeconds([&] {
    const auto out = vdtest::ReferenceParse(stream, vd::BulkParser::Mode::kFull);
    sink = sink + static_cast<uint8_t>(out.records.size());
  });

  std::printf("%s: %.1f MB, %zu records, %zu remote codes\n", name, stream.size() / 1e6,
              handler.records, handler.codes);
  std::printf("  memcpy of the samples   %8.0f MB/s  (baseline)\n", MBps(stream.size(), copy));
  std::printf("  ring + scanner          %8.0f MB/s  ratio to memcpy %.3f\n",
              MBps(stream.size(), scan), copy / scan);
  std::printf("  byte-at-a-time reading  %8.0f MB/s  ratio to memcpy %.3f; scanner is %.1fx it\n",
              MBps(stream.size(), bytewise), copy / bytewise, bytewise / scan);
}

}  // namespace

int main() {
  Measure("box stream", vdtest::RealisticStream(kStreamBytes, 1, false));
  std::vector<uint8_t> idle(kStreamBytes, 0);
  Measure("filler only", idle);
  return 0;
}
