#include <gtest/gtest.h>

#include <memory>
#include <utility>
#include <vector>

#include "ir_decoder.h"
#include "raw_ring.h"
#include "stream_builder.h"

namespace {

using vd::IrDecoder;
using vd::RawRing;
using vdtest::Burst;
using vdtest::Bytes;

class IrDecoderTest : public ::testing::Test {
 protected:
  // Puts one burst in the ring and hands it to the decoder as the worker would.
  bool Handle(const Bytes& burst) {
    EXPECT_TRUE(ring->Write(burst.data(), burst.size()));
    return decoder.HandleBurst(*ring);
  }

  std::vector<std::pair<int32_t, int32_t>> calls;
  std::unique_ptr<RawRing> ring = std::make_unique<RawRing>();
  IrDecoder decoder{[this](int32_t units, int32_t code) { calls.emplace_back(units, code); }};
};

TEST(IrSplitTest, SplitsIntoRunsFromTheTopBit) {
  auto r = IrDecoder::Split(0xFF);
  EXPECT_EQ(r.firstLevel, 1);
  ASSERT_EQ(r.count, 1);
  EXPECT_EQ(r.length[0], 8);
  r = IrDecoder::Split(0x0F);
  EXPECT_EQ(r.firstLevel, 0);
  ASSERT_EQ(r.count, 2);
  EXPECT_EQ(r.length[0], 4);
  EXPECT_EQ(r.length[1], 4);
  r = IrDecoder::Split(0xB3);  // 1 0 11 00 11
  EXPECT_EQ(r.firstLevel, 1);
  ASSERT_EQ(r.count, 4);
  EXPECT_EQ(r.length[0], 1);
  EXPECT_EQ(r.length[1], 1);
  EXPECT_EQ(r.length[2], 2);
  EXPECT_EQ(r.length[3], 2);
}

TEST(IrSplitTest, KeepsOnlyTheFirstFourRunsOfAnyByte) {
  for (int b = 0; b < 256; ++b) {
    const auto r = IrDecoder::Split(static_cast<uint8_t>(b));
    int transitions = 0;
    for (int bit = 6; bit >= 0; --bit) transitions += ((b >> bit) & 1) != ((b >> (bit + 1)) & 1);
    ASSERT_EQ(r.count, std::min(transitions + 1, 4)) << b;
    int total = 0;
    for (int i = 0; i < r.count; ++i) total += r.length[i];
    if (transitions < 4) {
      EXPECT_EQ(total, 8) << b;
    } else {
      EXPECT_LT(total, 8) << b;
    }
  }
}

TEST_F(IrDecoderTest, FiveByteBurstGivesFourUnitsAndSix) {
  EXPECT_TRUE(Handle(Burst({0xFF, 0x0F, 0xF0, 0xFF, 0xFF})));
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0], std::make_pair(4, 6)) << "first argument counts units, not runs";
  EXPECT_FALSE(decoder.InSequence());
  EXPECT_EQ(ring->Unread(), 0u);
}

TEST_F(IrDecoderTest, OnlyIdleBytesStartNothing) {
  EXPECT_TRUE(Handle(Burst({0xFF, 0xFF, 0xFF, 0xFF})));
  EXPECT_FALSE(decoder.InSequence());
  EXPECT_TRUE(calls.empty());
  EXPECT_EQ(ring->Unread(), 0u);
}

TEST_F(IrDecoderTest, ActiveRunsOfSixAndFiveGiveTwoAndOneUnits) {
  // 0x03: active 6, idle 2; then 0xE0: idle 3 (gap of 5), active 5; closed by two idle bytes.
  EXPECT_TRUE(Handle(Burst({0x03, 0xE0, 0xFF, 0xFF})));
  ASSERT_EQ(calls.size(), 1u);
  // active 6 -> 2 units (0 0), idle 5 -> 1 (1), active 5 -> 1 (0)
  EXPECT_EQ(calls[0], std::make_pair(4, 0b0010));
}

TEST_F(IrDecoderTest, OneSampleRunGivesNoUnitTwoSamplesGiveOne) {
  // 0x7F: active 1 then idle 7, closed at once by 0xFF (7 + 8 >= 16)? 15 < 16: needs more.
  EXPECT_TRUE(Handle(Burst({0x7F, 0xFF})));
  EXPECT_TRUE(calls.empty()) << "15 idle samples do not close a sequence";
  EXPECT_TRUE(Handle(Burst({0xFF})));
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0], std::make_pair(0, 0));
  calls.clear();
  EXPECT_TRUE(Handle(Burst({0x3F, 0xFF, 0xFF})));  // active 2
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0], std::make_pair(1, 0));
}

TEST_F(IrDecoderTest, SequenceSurvivesAcrossBursts) {
  EXPECT_TRUE(Handle(Burst({0xFF, 0x0F})));
  EXPECT_TRUE(decoder.InSequence());
  EXPECT_TRUE(calls.empty());
  EXPECT_TRUE(Handle(Burst({0xF0, 0xFF})));
  EXPECT_TRUE(calls.empty()) << "an open gap at the end of a burst stays open";
  EXPECT_TRUE(Handle(Burst({0xFF, 0xFF})));
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0], std::make_pair(4, 6));
  EXPECT_EQ(ring->Unread(), 1u) << "the rest of the closing burst is left unread";
}

TEST_F(IrDecoderTest, SequenceWrappingPastTheLastEntryDeliversAllUnits) {
  decoder.SetRunIndexForTest(IrDecoder::kRunEntries - 3);
  // Each 0x0F adds an active and an idle run of 4; the sequence starts three entries before
  // the end of the table and ends past its start.
  Bytes samples = {0x0F, 0x0F, 0x0F, 0x0F, 0xFF, 0xFF};
  EXPECT_TRUE(Handle(Burst(samples)));
  ASSERT_EQ(calls.size(), 1u);
  // Runs: a4 i4 a4 i4 a4 i4 a4 i(4+8+8) -> units 1 1 1 1 1 1 1 and the closing gap.
  EXPECT_EQ(calls[0], std::make_pair(7, 0b0101010));
  EXPECT_LT(decoder.RunIndex(), 10u) << "the table index wrapped";
}

TEST_F(IrDecoderTest, LongSequenceKeepsTheLastThirtyTwoUnits) {
  Bytes samples;
  for (int i = 0; i < 20; ++i) samples.push_back(0x0F);  // 39 units: 0 1 0 1 ... 0
  samples.push_back(0xFF);
  samples.push_back(0xFF);
  EXPECT_TRUE(Handle(Burst(Bytes(samples.begin(), samples.begin() + 11))));
  EXPECT_TRUE(calls.empty());
  EXPECT_TRUE(Handle(Burst(Bytes(samples.begin() + 11, samples.end()))));
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].first, 39);
  EXPECT_EQ(static_cast<uint32_t>(calls[0].second), 0xAAAAAAAAu);
}

TEST_F(IrDecoderTest, IncompleteBurstLeavesThePointerOnTheLead) {
  Bytes burst = Burst({0x0F, 0xF0, 0xFF});
  ASSERT_TRUE(ring->Write(burst.data(), 3));
  EXPECT_FALSE(decoder.HandleBurst(*ring));
  EXPECT_EQ(ring->Unread(), 3u);
  EXPECT_FALSE(decoder.InSequence());
}

TEST_F(IrDecoderTest, NoCallbackRegisteredIsHarmless) {
  IrDecoder silent;
  Bytes burst = Burst({0x0F, 0xFF, 0xFF});
  ASSERT_TRUE(ring->Write(burst.data(), burst.size()));
  EXPECT_TRUE(silent.HandleBurst(*ring));
  EXPECT_FALSE(silent.InSequence());
}

}  // namespace
