// Concurrency checks, run under ThreadSanitizer: the ring's one writer and one reader, and the
// packet array handed between the worker and a host that reads all the time.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

#include "raw_ring.h"
#include "stream_builder.h"
#include "vbi_sink.h"

namespace {

TEST(RingStressTest, ReaderSeesEveryByteInOrder) {
  auto ring = std::make_unique<vd::RawRing>();
  constexpr uint32_t kTotal = 600000;
  std::thread writer([&] {
    uint32_t sent = 0;
    uint8_t chunk[3001];
    uint32_t size = 1;
    while (sent < kTotal) {
      size = (size * 1103515245u + 12345u) % 3001u + 1;
      const uint32_t n = std::min(size, kTotal - sent);
      for (uint32_t i = 0; i < n; ++i) chunk[i] = static_cast<uint8_t>((sent + i) % 251);
      if (ring->Write(chunk, n)) {
        sent += n;
      } else {
        std::this_thread::yield();
      }
    }
  });
  uint32_t received = 0;
  uint32_t errors = 0;
  while (received < kTotal) {
    const uint32_t unread = ring->Unread();
    if (unread == 0) {
      std::this_thread::yield();
      continue;
    }
    const uint32_t take = std::min<uint32_t>(unread, 777);
    for (uint32_t i = 0; i < take; ++i) {
      errors += ring->Peek(i) != static_cast<uint8_t>((received + i) % 251);
    }
    ASSERT_TRUE(ring->Advance(take));
    received += take;
  }
  writer.join();
  EXPECT_EQ(errors, 0u);
  EXPECT_EQ(ring->Unread(), 0u);
}

TEST(SinkStressTest, HostReadsWholeOrderedPacketsWhileTheStreamRuns) {
  auto sink = std::make_unique<vd::VbiSink>();
  constexpr uint32_t kRecords = 6000;
  std::atomic<bool> done{false};
  std::thread streaming([&] {
    std::vector<uint8_t> sample;
    for (uint32_t i = 0; i < kRecords; ++i) {
      if (i % 20 == 0) vdtest::Append(sample, vdtest::Filler(16));
      vdtest::Bytes payload(42);
      std::memcpy(payload.data(), &i, sizeof i);
      for (size_t k = 4; k < 42; ++k) payload[k] = static_cast<uint8_t>(i + k);
      vdtest::Append(sample, vdtest::Record(payload));
      if (sample.size() > 1500) {
        // Paced by the worker's passes, so a loaded machine does not turn the check into a
        // count of samples dropped for want of CPU.
        const uint64_t passes = sink->PassesDone();
        sink->Receive(sample.data(), sample.size());
        sample.clear();
        for (int wait = 0; wait < 2000 && sink->PassesDone() == passes; ++wait) {
          std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
      }
    }
    vdtest::Append(sample, vdtest::Filler(16));
    sink->Receive(sample.data(), sample.size());
    done = true;
  });
  std::vector<uint8_t> buffer(50 * 42);
  uint32_t got = 0;
  int64_t last = -1;
  uint32_t torn = 0, disorder = 0;
  int idle = 0;
  while (idle < 4) {
    const uint32_t n = sink->CopyPacketsToApp(buffer.data(), buffer.size());
    if (n == 0 && done) ++idle;
    for (uint32_t p = 0; p < n; ++p) {
      const uint8_t* packet = buffer.data() + p * 42;
      uint32_t seq;
      std::memcpy(&seq, packet, sizeof seq);
      for (size_t k = 4; k < 42; ++k) torn += packet[k] != static_cast<uint8_t>(seq + k);
      disorder += static_cast<int64_t>(seq) <= last;
      last = seq;
    }
    got += n;
  }
  streaming.join();
  EXPECT_EQ(torn, 0u);
  EXPECT_EQ(disorder, 0u);
  // Samples may be dropped when the worker falls behind, but most arrive.
  EXPECT_GT(got, kRecords / 4);
  EXPECT_LE(got, kRecords);
}

}  // namespace
