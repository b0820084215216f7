#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "stream_builder.h"
#include "vbi_converter.h"

namespace {

using vd::RawRing;
using vd::VbiConverter;
using vdtest::Append;
using vdtest::Bytes;
using vdtest::Filler;
using vdtest::Payload42;
using vdtest::Record;

class ConverterTest : public ::testing::Test {
 protected:
  void Feed(const Bytes& bytes) { ASSERT_TRUE(conv->Ring().Write(bytes.data(), bytes.size())); }
  void FeedAndPass(const Bytes& bytes) {
    Feed(bytes);
    conv->ConvertPass();
  }
  Bytes SlotBytes(uint32_t i) const { return Bytes(conv->Slot(i), conv->Slot(i) + 42); }

  std::vector<std::pair<int32_t, int32_t>> remotes;
  std::unique_ptr<VbiConverter> conv = std::make_unique<VbiConverter>(
      [this](int32_t units, int32_t code) { remotes.emplace_back(units, code); });
};

TEST_F(ConverterTest, RecordAfterSixteenZerosBecomesAPacket) {
  Bytes s = Filler(16);
  Append(s, Record(Payload42(7)));
  FeedAndPass(s);
  ASSERT_EQ(conv->PacketsInBuffer(), 1u);
  EXPECT_EQ(SlotBytes(0), Payload42(7));
  EXPECT_EQ(conv->Ring().Unread(), 0u);
}

TEST_F(ConverterTest, ZeroRunsOfFifteenNeverYieldAPacket) {
  Bytes s;
  for (int i = 0; i < 100; ++i) {
    Append(s, Filler(15));
    Append(s, Record(Payload42(static_cast<uint8_t>(i))));
  }
  for (size_t at = 0; at < s.size(); at += 700) {
    FeedAndPass(Bytes(s.begin() + at, s.begin() + std::min(s.size(), at + 700)));
  }
  EXPECT_EQ(conv->PacketsInBuffer(), 0u);
}

TEST_F(ConverterTest, BackToBackRecordsNeedNoNewResync) {
  Bytes s = Filler(20);
  for (int i = 0; i < 5; ++i) Append(s, Record(Payload42(static_cast<uint8_t>(i * 3))));
  FeedAndPass(s);
  ASSERT_EQ(conv->PacketsInBuffer(), 5u);
  for (uint32_t i = 0; i < 5; ++i) EXPECT_EQ(SlotBytes(i), Payload42(static_cast<uint8_t>(i * 3)));
}

TEST_F(ConverterTest, StrayByteForcesResyncOnTheNextLongZeroRun) {
  Bytes s = Filler(16);
  Append(s, Record(Payload42(1)));
  s.push_back(0x33);  // garbage: the next record needs 16 zeros before it
  Append(s, Filler(10));
  Append(s, Record(Payload42(2)));  // lost: only 10 zeros
  Append(s, Filler(16));
  Append(s, Record(Payload42(3)));
  FeedAndPass(s);
  ASSERT_EQ(conv->PacketsInBuffer(), 2u);
  EXPECT_EQ(SlotBytes(0), Payload42(1));
  EXPECT_EQ(SlotBytes(1), Payload42(3));
}

TEST_F(ConverterTest, RecordSplitAcrossTheRingEndIsCopiedWhole) {
  // Put the read and write positions 20 bytes before the end of the ring.
  Bytes lead = Filler(RawRing::kSize - 20);
  FeedAndPass(lead);
  ASSERT_EQ(conv->Ring().ReadPointer(), RawRing::kSize - 20);
  Bytes s;
  Append(s, Record(Payload42(40)));  // header and 16 payload bytes before the end
  FeedAndPass(s);
  ASSERT_EQ(conv->PacketsInBuffer(), 1u);
  EXPECT_EQ(SlotBytes(0), Payload42(40));
  EXPECT_EQ(conv->Ring().Unread(), 0u);
}

TEST_F(ConverterTest, PartlyArrivedRecordIsTakenLater) {
  Bytes s = Filler(16);
  Bytes rec = Record(Payload42(9));
  Append(s, Bytes(rec.begin(), rec.begin() + 30));
  FeedAndPass(s);
  EXPECT_EQ(conv->PacketsInBuffer(), 0u);
  EXPECT_EQ(conv->Ring().Unread(), 30u) << "the header must be stepped back over";
  FeedAndPass(Bytes(rec.begin() + 30, rec.end()));
  ASSERT_EQ(conv->PacketsInBuffer(), 1u);
  EXPECT_EQ(SlotBytes(0), Payload42(9));
}

TEST_F(ConverterTest, HeaderAloneWaitsForMoreBytes) {
  Bytes s = Filler(16);
  Bytes rec = Record(Payload42(5));
  Append(s, Bytes(rec.begin(), rec.begin() + 4));
  FeedAndPass(s);
  EXPECT_EQ(conv->Ring().Unread(), 4u);
  FeedAndPass(Bytes(rec.begin() + 4, rec.end()));
  EXPECT_EQ(conv->PacketsInBuffer(), 1u);
}

TEST_F(ConverterTest, ZeroRunSplitBetweenSamplesStillCounts) {
  Bytes a = Filler(40);
  Append(a, Record(Payload42(1)));
  Append(a, {0x44});
  Append(a, Filler(20));  // counted to the end of the sample: the run is long enough
  FeedAndPass(a);
  Bytes b = Filler(5);  // ...and goes on in the next one
  Append(b, Record(Payload42(2)));
  FeedAndPass(b);
  ASSERT_EQ(conv->PacketsInBuffer(), 2u);
  EXPECT_EQ(SlotBytes(1), Payload42(2));
}

TEST_F(ConverterTest, RejectedHeadersTakeNoSlotButSkipTheirPayload) {
  Bytes s = Filler(16);
  Append(s, Record(Payload42(1), 0x03, 0x10));  // data byte A has even parity
  Append(s, Record(Payload42(2), 0x01, 0x11));  // low nibble of byte B is not zero
  Append(s, Record(Payload42(3), 0x01, 0x30));  // byte B has even parity
  Append(s, Record(Payload42(4)));
  FeedAndPass(s);
  ASSERT_EQ(conv->PacketsInBuffer(), 1u);
  EXPECT_EQ(SlotBytes(0), Payload42(4));
}

TEST_F(ConverterTest, HeaderTestChecksEveryParityByte) {
  int accepted = 0;
  for (int b = 0; b < 256; ++b) {
    const uint8_t h[4] = {0x85, 0xAA, static_cast<uint8_t>(b), 0x10};
    const bool odd = (__builtin_popcount(b) & 1) != 0;
    EXPECT_EQ(VbiConverter::HeaderAccepted(h), odd) << b;
    accepted += VbiConverter::HeaderAccepted(h);
  }
  EXPECT_EQ(accepted, 128);
}

TEST_F(ConverterTest, ShortRecordFillsOnlyWhatItHas) {
  Bytes s = Filler(16);
  Append(s, Record(Payload42(1)));
  FeedAndPass(s);
  conv->DiscardPackets();  // slot 0 now holds stale bytes
  Bytes shortRec = Filler(16);
  Append(shortRec, Record(Bytes{0xA1, 0xA2, 0xA3}));
  FeedAndPass(shortRec);
  ASSERT_EQ(conv->PacketsInBuffer(), 1u);
  Bytes expected(42, 0x00);
  expected[0] = 0xA1;
  expected[1] = 0xA2;
  expected[2] = 0xA3;
  EXPECT_EQ(SlotBytes(0), expected);
}

TEST_F(ConverterTest, LongRecordNeverWritesOutsideItsSlot) {
  Bytes s = Filler(16);
  Bytes big(63);
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<uint8_t>(0xC0 + i);
  Append(s, Record(big));
  Append(s, Record(Payload42(50)));
  FeedAndPass(s);
  ASSERT_EQ(conv->PacketsInBuffer(), 2u);
  EXPECT_EQ(SlotBytes(0), Bytes(big.begin(), big.begin() + 42));
  EXPECT_EQ(SlotBytes(1), Payload42(50)) << "the second record follows the 63 payload bytes";
  // The slot after the last one written stays untouched.
  EXPECT_EQ(SlotBytes(2), Bytes(42, 0x00));
}

TEST_F(ConverterTest, EmptyPayloadRecordTakesNoSlot) {
  Bytes s = Filler(16);
  Append(s, Record(Bytes{}));
  Append(s, Record(Payload42(8)));
  FeedAndPass(s);
  ASSERT_EQ(conv->PacketsInBuffer(), 1u);
  EXPECT_EQ(SlotBytes(0), Payload42(8));
}

TEST_F(ConverterTest, TakePacketsWithRoomForTwoKeepsThreeAtTheFront) {
  Bytes s = Filler(16);
  for (int i = 0; i < 5; ++i) Append(s, Record(Payload42(static_cast<uint8_t>(10 * i))));
  FeedAndPass(s);
  ASSERT_EQ(conv->PacketsInBuffer(), 5u);
  Bytes out(100 + 8, 0xEE);
  EXPECT_EQ(conv->TakePackets(out.data(), 100), 2u);
  EXPECT_EQ(Bytes(out.begin(), out.begin() + 42), Payload42(0));
  EXPECT_EQ(Bytes(out.begin() + 42, out.begin() + 84), Payload42(10));
  EXPECT_EQ(Bytes(out.begin() + 84, out.end()), Bytes(24, 0xEE)) << "no partial packet";
  ASSERT_EQ(conv->PacketsInBuffer(), 3u);
  EXPECT_EQ(SlotBytes(0), Payload42(20));
  EXPECT_EQ(SlotBytes(2), Payload42(40));
}

TEST_F(ConverterTest, PassStopsAtSixHundredPackets) {
  Bytes s = Filler(16);
  for (int i = 0; i < 430; ++i) Append(s, Record(Payload42(static_cast<uint8_t>(i))));
  FeedAndPass(s);
  ASSERT_EQ(conv->PacketsInBuffer(), 430u);
  Bytes more;
  for (int i = 0; i < 200; ++i) Append(more, Record(Payload42(static_cast<uint8_t>(i))));
  FeedAndPass(more);
  EXPECT_EQ(conv->PacketsInBuffer(), 600u);
  EXPECT_EQ(conv->Ring().Unread(), 30u * 46u) << "the rest waits in the ring";
}

TEST_F(ConverterTest, WaitingHostGetsTheArrayAfterThreeHundredPackets) {
  conv->SetHostWaiting(true);
  Bytes s = Filler(16);
  for (int i = 0; i < 400; ++i) Append(s, Record(Payload42(static_cast<uint8_t>(i))));
  FeedAndPass(s);
  EXPECT_EQ(conv->PacketsInBuffer(), 301u);
}

TEST_F(ConverterTest, NoZeroAnywhereDropsEverythingUnread) {
  Bytes s(500, 0x5A);
  Feed(s);
  conv->Ring().SetOverflow();
  conv->ConvertPass();
  EXPECT_EQ(conv->Ring().Unread(), 0u);
  EXPECT_FALSE(conv->Ring().Overflow());
}

TEST_F(ConverterTest, BurstBetweenRecordsIsDecodedAndRecordsKept) {
  Bytes s = Filler(16);
  Append(s, Record(Payload42(1)));
  Append(s, vdtest::Burst({0xFF, 0x0F, 0xF0, 0xFF, 0xFF}));
  Append(s, Record(Payload42(2)));
  FeedAndPass(s);
  ASSERT_EQ(remotes.size(), 1u);
  EXPECT_EQ(remotes[0], std::make_pair(4, 6));
  EXPECT_EQ(conv->PacketsInBuffer(), 2u);
}

TEST_F(ConverterTest, BurstNotYetInTheRingWaitsOnItsLeadByte) {
  Bytes s = Filler(16);
  Bytes burst = vdtest::Burst({0xFF, 0x0F, 0xF0, 0xFF, 0xFF});
  Append(s, Bytes(burst.begin(), burst.begin() + 3));
  Feed(s);
  // The ring had overflowed (a stalled reader): the pass that waits for the burst's tail
  // clears that, or every later sample would be refused.
  conv->Ring().SetOverflow();
  conv->ConvertPass();
  EXPECT_TRUE(remotes.empty());
  EXPECT_EQ(conv->Ring().Unread(), 3u);
  EXPECT_FALSE(conv->Ring().Overflow());
  FeedAndPass(Bytes(burst.begin() + 3, burst.end()));
  ASSERT_EQ(remotes.size(), 1u);
  EXPECT_EQ(remotes[0], std::make_pair(4, 6));
}

// Where the samples are cut never changes what comes out, here for a burst followed at once
// by another: as when the cut falls between them, the second is a burst too.
TEST_F(ConverterTest, EveryCutOfTheStreamGivesTheSameCodesAndPackets) {
  Bytes s = Filler(16);
  Append(s, Record(Payload42(1)));
  Append(s, vdtest::Burst({0xFF, 0x0F, 0xF0, 0xFF, 0xFF}));
  Append(s, vdtest::Burst({0xF0, 0xFF}));
  Append(s, Record(Payload42(2)));
  using Result = std::pair<std::vector<std::pair<int32_t, int32_t>>, uint32_t>;
  auto run = [&](size_t cut) {
    remotes.clear();
    conv = std::make_unique<VbiConverter>(
        [this](int32_t units, int32_t code) { remotes.emplace_back(units, code); });
    for (size_t at = 0; at < s.size(); at += cut) {
      FeedAndPass(Bytes(s.begin() + at, s.begin() + std::min(s.size(), at + cut)));
    }
    return Result(remotes, conv->PacketsInBuffer());
  };
  const Result whole = run(s.size());
  EXPECT_EQ(whole.second, 2u);
  EXPECT_FALSE(whole.first.empty());
  for (size_t cut = 1; cut < s.size(); ++cut) EXPECT_EQ(run(cut), whole) << "samples of " << cut;
}

TEST_F(ConverterTest, StopFlagEndsThePass) {
  Bytes s = Filler(16);
  Append(s, Record(Payload42(1)));
  Feed(s);
  std::atomic<bool> stop{true};
  conv->ConvertPass(&stop);
  EXPECT_EQ(conv->PacketsInBuffer(), 0u);
  EXPECT_EQ(conv->Ring().Unread(), s.size());
}

}  // namespace
