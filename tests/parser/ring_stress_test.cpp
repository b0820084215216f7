// Runs under ThreadSanitizer: the ring's two sides on two threads, and the object with samples
// arriving while the client swaps its callbacks.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "byte_ring.h"
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
std::atomic<bool> gFinalSeen{false};
void CountRecord(void*, const uint8_t*) {
  ++gRecords;
}
void FinalRecord(void*, const uint8_t* record) {
  if (record[4] == 0x99) gFinalSeen = true;
}
int CountCode(void*, uint32_t) {
  return 1;
}

TEST(StromsiftObjectStress, CallbacksChangeWhileSamplesArrive) {
  gRecords = 0;
  auto object = CStromsift::CreateDetached();
  std::atomic<bool> done{false};
  std::thread streaming([&] {
    const vdtest::Bytes s = vdtest::RealisticStream(200000, 11, false);
    for (size_t i = 0; i < s.size(); i += 1000) {
      while (object->Receive(s.data() + i, std::min<size_t>(1000, s.size() - i)) != S_OK) {
        std::this_thread::yield();
      }
    }
    done = true;
  });
  int flips = 0;
  while (!done) {
    object->SetRecordCallback(flips % 2 ? &CountRecord : nullptr, &flips);
    object->SetRemoteCallback(flips % 3 ? &CountCode : nullptr, nullptr);
    ++flips;
    std::this_thread::yield();
  }
  streaming.join();
  EXPECT_GT(gRecords.load(), 0);
  // After the churn the object still delivers what arrives next.
  gFinalSeen = false;
  object->SetRecordCallback(&FinalRecord, nullptr);
  vdtest::Bytes last = vdtest::Filler(20);
  vdtest::Append(last, vdtest::Record(0x01, 0x02, {0x99}));
  vdtest::Append(last, vdtest::Filler(80));
  ASSERT_EQ(object->Receive(last.data(), last.size()), S_OK);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!gFinalSeen && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
  EXPECT_TRUE(gFinalSeen);
}

}  // namespace
