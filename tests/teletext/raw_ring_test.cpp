#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "raw_ring.h"

namespace {

using vd::RawRing;
constexpr uint32_t kSize = RawRing::kSize;

std::vector<uint8_t> Counting(size_t n, uint8_t start = 0) {
  std::vector<uint8_t> v(n);
  for (size_t i = 0; i < n; ++i) v[i] = static_cast<uint8_t>(start + i);
  return v;
}

class RawRingTest : public ::testing::Test {
 protected:
  std::unique_ptr<RawRing> ring = std::make_unique<RawRing>();
};

TEST_F(RawRingTest, StartsEmptyWithEqualLoopFlags) {
  EXPECT_EQ(ring->Unread(), 0u);
  EXPECT_EQ(ring->ReadLoop(), ring->WriteLoop());
}

TEST_F(RawRingTest, FillingExactlyMakesItFullAndRefusesMore) {
  auto data = Counting(kSize);
  ASSERT_TRUE(ring->Write(data.data(), data.size()));
  EXPECT_EQ(ring->WriteIndex(), 0u);
  EXPECT_NE(ring->WriteLoop(), ring->ReadLoop());
  EXPECT_EQ(ring->Unread(), kSize);
  uint8_t one = 1;
  EXPECT_FALSE(ring->Write(&one, 1));
  EXPECT_EQ(ring->Unread(), kSize);
}

TEST_F(RawRingTest, RefusesMoreThanTheFreeSpaceAndStoresNothing) {
  auto data = Counting(kSize - 10);
  ASSERT_TRUE(ring->Write(data.data(), data.size()));
  ASSERT_TRUE(ring->Advance(100));
  // 110 bytes free; the part past the end may not pass the read pointer.
  auto more = Counting(111);
  EXPECT_FALSE(ring->Write(more.data(), more.size()));
  EXPECT_EQ(ring->Unread(), kSize - 110);
  EXPECT_TRUE(ring->Write(more.data(), 110));
  EXPECT_EQ(ring->Unread(), kSize);
}

TEST_F(RawRingTest, WriteBehindTheReaderMayNotOvertakeIt) {
  auto data = Counting(kSize);
  ASSERT_TRUE(ring->Write(data.data(), 20000));
  ASSERT_TRUE(ring->Advance(20000));
  ASSERT_TRUE(ring->Write(data.data(), 300));  // wraps: W = 140, R = 20000
  ASSERT_EQ(ring->WriteIndex(), 140u);
  EXPECT_FALSE(ring->Write(data.data(), 20000 - 140 + 1));
  EXPECT_TRUE(ring->Write(data.data(), 20000 - 140));
  EXPECT_EQ(ring->Unread(), kSize);
}

TEST_F(RawRingTest, BytesSplitAcrossTheEndReadBackInOrder) {
  auto first = Counting(20150);
  ASSERT_TRUE(ring->Write(first.data(), first.size()));
  ASSERT_TRUE(ring->Advance(20150));
  auto second = Counting(30, 200);
  ASSERT_TRUE(ring->Write(second.data(), second.size()));
  EXPECT_EQ(ring->WriteIndex(), 20u);
  std::vector<uint8_t> out(30);
  ring->CopyOut(0, out.data(), 30);
  EXPECT_EQ(out, second);
  EXPECT_EQ(ring->Peek(29), second[29]);
  const bool loop = ring->ReadLoop();
  ASSERT_TRUE(ring->Advance(15));
  EXPECT_EQ(ring->ReadPointer(), 5u);
  EXPECT_NE(ring->ReadLoop(), loop);
}

TEST_F(RawRingTest, AdvanceBeyondUnreadFailsAndClearsOverflow) {
  auto data = Counting(10);
  ASSERT_TRUE(ring->Write(data.data(), 10));
  ring->SetOverflow();
  EXPECT_FALSE(ring->Advance(11));
  EXPECT_EQ(ring->ReadPointer(), 0u);
  EXPECT_FALSE(ring->Overflow());
}

TEST_F(RawRingTest, MeetingTheWriterClearsOverflow) {
  auto data = Counting(10);
  ASSERT_TRUE(ring->Write(data.data(), 10));
  ring->SetOverflow();
  ASSERT_TRUE(ring->Advance(9));
  EXPECT_TRUE(ring->Overflow());
  EXPECT_FALSE(ring->AdvanceOne());
  EXPECT_FALSE(ring->Overflow());
  EXPECT_EQ(ring->Unread(), 0u);
}

TEST_F(RawRingTest, StepBackAcrossZeroRestoresPointerAndLap) {
  auto data = Counting(kSize);
  ASSERT_TRUE(ring->Write(data.data(), 20158));
  ASSERT_TRUE(ring->Advance(20158));
  ASSERT_TRUE(ring->Write(data.data(), 6));
  const bool loop = ring->ReadLoop();
  ASSERT_TRUE(ring->Advance(4));
  ASSERT_EQ(ring->ReadPointer(), 2u);
  ring->StepBack(4);
  EXPECT_EQ(ring->ReadPointer(), 20158u);
  EXPECT_EQ(ring->ReadLoop(), loop);
  EXPECT_EQ(ring->Unread(), 6u);
}

TEST_F(RawRingTest, FindZeroSearchesPastTheEnd) {
  std::vector<uint8_t> ones(kSize, 0x11);
  ASSERT_TRUE(ring->Write(ones.data(), 20100));
  ASSERT_TRUE(ring->Advance(20100));
  std::vector<uint8_t> tail(80, 0x11);
  tail[70] = 0x00;  // 60 bytes to the end, then index 10
  ASSERT_TRUE(ring->Write(tail.data(), tail.size()));
  EXPECT_EQ(ring->FindZero(), 70u);
  tail[70] = 0x22;
  ring->SkipToWrite();
  EXPECT_EQ(ring->Unread(), 0u);
  ASSERT_TRUE(ring->Write(tail.data(), tail.size()));
  EXPECT_FALSE(ring->FindZero().has_value());
}

TEST_F(RawRingTest, ZeroLengthWriteChangesNothing) {
  EXPECT_TRUE(ring->Write(nullptr, 0));
  EXPECT_EQ(ring->Unread(), 0u);
}

}  // namespace
