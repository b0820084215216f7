// Runs under ThreadSanitizer: the ring's two sides on two threads, and the object with samples
// arriving while the client swaps its callbacks.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "byte_ring.h"
#include "reference_parser.h"
#include "stream_builder.h"
#include "stromsift_object.h"

namespace {

uint8_t ByteAt(uint64_t i) {
  return static_cast<uint8_t>((i * 2654435761u) >> 13);
}

TEST(ByteRingStress, TenMillionBytesInRandomSampleSizesArriveExactly) {
  constexpr uint64_t kTotal = 10'000'000;
  vd::ByteRing ring(95536, false);
  std::thread writer([&] {
    vdtest::Lcg rng(3);
    std::vector<uint8_t> chunk(9000);
    uint64_t sent = 0;
    while (sent < kTotal) {
      const size_t n = std::min<uint64_t>(1 + rng.Below(9000), kTotal - sent);
      for (size_t i = 0; i < n; ++i) chunk[i] = ByteAt(sent + i);
      while (!ring.Write(chunk.data(), n)) std::this_thread::yield();
      sent += n;
    }
  });
  vdtest::Lcg rng(4);
  std::vector<uint8_t> got(7000);
  uint64_t received = 0;
  uint64_t mismatches = 0;
  while (received < kTotal) {
    const size_t n = std::min<uint64_t>(1 + rng.Below(7000), kTotal - received);
    if (ring.Read(got.data(), n) == 0) {
      std::this_thread::yield();
      continue;
    }
    for (size_t i = 0; i < n; ++i) mismatches += got[i] != ByteAt(received + i);
    received += n;
  }
  writer.join();
  EXPECT_EQ(mismatches, 0u);
  EXPECT_EQ(ring.Used(), 0u);
}

std::atomic<int> gRecords{0};
std::atomic<int> gForeignContexts{0};
int gContextA = 0, gContextB = 0;

void CountRecord(void* context, const uint8_t*) {
  ++gRecords;
  if (context != &gContextA && context != &gContextB) ++gForeignContexts;
}
int CountCode(void*, uint32_t) {
  return 1;
}

TEST(StromsiftObjectStress, EveryRecordArrivesWhileTheClientSwapsCallbacks) {
  gRecords = 0;
  gForeignContexts = 0;
  const vdtest::Bytes s = vdtest::RealisticStream(300000, 11, true);
  const size_t expected = vdtest::ReferenceParse(s, vd::BulkParser::Mode::kFull).records.size();
  ASSERT_GT(expected, 100u);

  auto object = CStromsift::CreateDetached();
  object->SetRecordCallback(&CountRecord, &gContextA);
  std::atomic<bool> done{false};
  std::thread streaming([&] {
    for (size_t i = 0; i < s.size(); i += 1000) {
      // A full ring refuses the sample whole; the pin's upstream would send it again.
      while (object->Receive(s.data() + i, std::min<size_t>(1000, s.size() - i)) != S_OK) {
        std::this_thread::yield();
      }
    }
    done = true;
  });
  for (int flips = 0; !done || flips < 1000; ++flips) {
    object->SetRecordCallback(&CountRecord, flips % 2 ? &gContextA : &gContextB);
    object->SetRemoteCallback(flips % 3 ? &CountCode : nullptr, nullptr);
  }
  streaming.join();
  // Stopping drops what the worker has not scanned yet, so wait for the count first.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (static_cast<size_t>(gRecords.load()) < expected &&
         std::chrono::steady_clock::now() < deadline) {
    std::this_thread::yield();
  }
  object.reset();
  EXPECT_EQ(static_cast<size_t>(gRecords.load()), expected);
  EXPECT_EQ(gForeignContexts.load(), 0);
}

}  // namespace
