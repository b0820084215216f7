#include "byte_ring.h"

#include "counting_allocator.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

namespace {

std::vector<uint8_t> Sequence(size_t n, uint8_t start = 0) {
  std::vector<uint8_t> v(n);
  std::iota(v.begin(), v.end(), start);
  return v;
}

TEST(ByteRing, WriteOfExactlyTheFreeSpaceIsRefusedAndStoresNothing) {
  vd::ByteRing ring(100, false);
  auto data = Sequence(100);
  EXPECT_FALSE(ring.Write(data.data(), 100));
  EXPECT_EQ(ring.Used(), 0u);
  EXPECT_TRUE(ring.Write(data.data(), 99));
  EXPECT_EQ(ring.Used(), 99u);
  EXPECT_FALSE(ring.Write(data.data(), 1));
  EXPECT_EQ(ring.Used(), 99u);
}

TEST(ByteRing, FreeSpaceRuleHoldsAfterWrapping) {
  vd::ByteRing ring(10, false);
  auto data = Sequence(10);
  uint8_t out[10];
  ASSERT_TRUE(ring.Write(data.data(), 7));
  ASSERT_EQ(ring.Read(out, 6), 6u);
  // write 7, read 1 remains; free is 9: a write of 9 would make the indices equal.
  EXPECT_FALSE(ring.Write(data.data(), 9));
  EXPECT_TRUE(ring.Write(data.data(), 8));
  EXPECT_EQ(ring.Used(), 9u);
}

TEST(ByteRing, ReadRefusesWhenShortAndMovesNothing) {
  vd::ByteRing ring(16, false);
  auto data = Sequence(5, 1);
  ASSERT_TRUE(ring.Write(data.data(), 5));
  uint8_t out[8] = {};
  EXPECT_EQ(ring.Read(out, 6), 0u);
  EXPECT_EQ(out[0], 0);
  EXPECT_EQ(ring.Used(), 5u);
  EXPECT_EQ(ring.Read(out, 5), 5u);
  EXPECT_EQ(std::vector<uint8_t>(out, out + 5), data);
  EXPECT_EQ(ring.Used(), 0u);
}

TEST(ByteRing, BytesSurviveWrappingInBothDirections) {
  vd::ByteRing ring(13, false);
  uint8_t next = 0, expect = 0;
  // Sizes chosen so writes and reads straddle the end of the buffer at different places.
  for (int round = 0; round < 200; ++round) {
    const size_t w = 1 + round % 11;
    std::vector<uint8_t> chunk(w);
    for (auto& b : chunk) b = next++;
    ASSERT_TRUE(ring.Write(chunk.data(), w)) << "round " << round;
    std::vector<uint8_t> got(w);
    ASSERT_EQ(ring.Read(got.data(), w), w);
    for (auto b : got) ASSERT_EQ(b, expect++);
  }
}

TEST(ByteRing, PeekAndSkipSeeTheContiguousPartUpToTheEnd) {
  vd::ByteRing ring(10, false);
  auto data = Sequence(8, 10);
  ASSERT_TRUE(ring.Write(data.data(), 8));
  uint8_t out[8];
  ASSERT_EQ(ring.Read(out, 6), 6u);
  ASSERT_TRUE(ring.Write(data.data(), 5));  // indices: read 6, write 3 (wrapped)
  size_t contiguous = 0;
  const uint8_t* p = ring.Peek(&contiguous);
  EXPECT_EQ(contiguous, 4u);
  EXPECT_EQ(p[0], 16);
  ring.Skip(4);
  p = ring.Peek(&contiguous);
  EXPECT_EQ(contiguous, 3u);
  EXPECT_EQ(p[0], 12);
  EXPECT_EQ(ring.Used(), 3u);
}

TEST(ByteRing, CountedBufferShowsInTheProcessCounter) {
  auto& counter = vd::CountingAllocator::Process();
  const int64_t before = counter.Total();
  {
    vd::ByteRing ring(95536, true);
    EXPECT_EQ(counter.Total(), before + 95536);
  }
  EXPECT_EQ(counter.Total(), before);
}

}  // namespace
