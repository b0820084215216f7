// Conversion passes over a bulk stream shaped like the box's (filler, bursts of teletext
// records each frame, an occasional remote burst), next to plain memcpy of the same bytes
// into a ring-sized buffer. Prints passes and packets per second and the ratio to memcpy.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "vbi_converter.h"

namespace {

constexpr size_t kSample = 4096;
constexpr int kRounds = 40;

std::vector<uint8_t> MakeStream() {
  std::vector<uint8_t> s;
  uint32_t seed = 7;
  for (int frame = 0; frame < 2000; ++frame) {
    s.insert(s.end(), 120, 0x00);
    for (int line = 0; line < 12; ++line) {
      s.insert(s.end(), {0x85, 0x80 | 42, 0x01, 0x10});
      for (int i = 0; i < 42; ++i) {
        seed = seed * 1103515245u + 12345u;
        s.push_back(static_cast<uint8_t>(seed >> 16));
      }
    }
    if (frame % 50 == 0) {
      s.insert(s.end(), 40, 0x00);
      s.insert(s.end(), {0x75, 0xFF, 0x0F, 0xF0, 0xFF, 0xFF});
    }
  }
  return s;
}

double Seconds(std::chrono::steady_clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

}  // namespace

int main() {
  const std::vector<uint8_t> stream = MakeStream();
  auto converter = std::make_unique<vd::VbiConverter>([](int32_t, int32_t) {});
  std::vector<uint8_t> host(vd::VbiConverter::kSlots * vd::VbiConverter::kPacketSize);
  uint64_t passes = 0, packets = 0;

  const auto start = std::chrono::steady_clock::now();
  for (int round = 0; round < kRounds; ++round) {
    for (size_t at = 0; at < stream.size(); at += kSample) {
      const size_t n = std::min(kSample, stream.size() - at);
      if (!converter->Ring().Write(stream.data() + at, n)) {
        std::fprintf(stderr, "bench_teletext: the ring refused a sample\n");
        return 1;
      }
      converter->ConvertPass();
      ++passes;
      packets += converter->TakePackets(host.data(), host.size());
    }
  }
  const double convertSeconds = Seconds(std::chrono::steady_clock::now() - start);

  // Baseline: the same bytes copied in the same samples into a ring-sized buffer. It is so
  // short that one run is at the mercy of the scheduler: the best of five counts.
  std::vector<uint8_t> ring(vd::RawRing::kSize);
  size_t w = 0;
  uint64_t checksum = 0;
  double copySeconds = 0;
  for (int attempt = 0; attempt < 5; ++attempt) {
    const auto copyStart = std::chrono::steady_clock::now();
    for (int round = 0; round < kRounds; ++round) {
      for (size_t at = 0; at < stream.size(); at += kSample) {
        const size_t n = std::min(kSample, stream.size() - at);
        const size_t head = std::min(n, ring.size() - w);
        std::memcpy(ring.data() + w, stream.data() + at, head);
        std::memcpy(ring.data(), stream.data() + at + head, n - head);
        w = (w + n) % ring.size();
        checksum += ring[w];
      }
    }
    const double seconds = Seconds(std::chrono::steady_clock::now() - copyStart);
    if (attempt == 0 || seconds < copySeconds) copySeconds = seconds;
  }

  const double mb = static_cast<double>(stream.size()) * kRounds / 1e6;
  std::printf("stream %.1f MB in %zu-byte samples, %d rounds (checksum %llu)\n", mb, kSample,
              kRounds, static_cast<unsigned long long>(checksum));
  std::printf("conversion: %.0f passes/s, %.0f packets/s, %.1f MB/s\n", passes / convertSeconds,
              packets / convertSeconds, mb / convertSeconds);
  std::printf("memcpy baseline: %.1f MB/s\n", mb / copySeconds);
  std::printf("ratio conversion time / memcpy time: %.2f\n", convertSeconds / copySeconds);
  return 0;
}
