#include "bulk_parser.h"

#include <gtest/gtest.h>

#include "parse_harness.h"
#include "stream_builder.h"

namespace {

using vd::BulkParser;
using vdtest::Append;
using vdtest::Bytes;
using vdtest::Filler;
using vdtest::ParseOutput;
using Mode = vd::BulkParser::Mode;

const Bytes kPayload3 = {0x11, 0x22, 0x33};

TEST(BulkRecords, SixtySevenBufferedBytesWaitForMore) {
  vd::ByteRing ring(95536, false);
  BulkParser parser(Mode::kFull);
  vdtest::CollectingHandler handler;
  Bytes s = vdtest::Record(0x01, 0x02, kPayload3);
  s.resize(67, 0x00);
  ASSERT_TRUE(ring.Write(s.data(), s.size()));
  parser.Scan(ring, handler);
  EXPECT_TRUE(handler.out.records.empty());
  EXPECT_EQ(ring.Used(), 67u);
  const uint8_t one = 0;
  ASSERT_TRUE(ring.Write(&one, 1));
  parser.Scan(ring, handler);
  ASSERT_EQ(handler.out.records.size(), 1u);
  // Scanning stops as soon as no more than a record's worth is left.
  EXPECT_EQ(ring.Used(), 61u);
}

TEST(BulkRecords, HeaderWithBothTopBitsSetIsRejectedAndCostsFourBytes) {
  Bytes s = {0x85, 0xC3, 0x01, 0x02};
  // Straight behind the rejected header: a good record, which must not be swallowed.
  Append(s, vdtest::Record(0x07, 0x08, kPayload3));
  Append(s, Filler(80));
  const ParseOutput out = vdtest::FeedWhole(s, Mode::kFull);
  ASSERT_EQ(out.records.size(), 1u);
  EXPECT_EQ(out.records[0], (Bytes{0x85, 0x83, 0x07, 0x08, 0x11, 0x22, 0x33}));
}

TEST(BulkRecords, ValidHeaderWithThreeBytePayloadIsSevenBytes) {
  Bytes s = {0x85, 0x83, 0x01, 0x02, 0x11, 0x22, 0x33};
  Append(s, Filler(80));
  const ParseOutput out = vdtest::FeedWhole(s, Mode::kFull);
  ASSERT_EQ(out.records.size(), 1u);
  EXPECT_EQ(out.records[0], (Bytes{0x85, 0x83, 0x01, 0x02, 0x11, 0x22, 0x33}));
}

TEST(BulkRecords, HeaderTestCoversEveryParityAndTopBitPattern) {
  for (int h = 0; h < 256; ++h) {
    for (int a = 0; a < 256; a += 5) {
      const uint8_t header[3] = {static_cast<uint8_t>(h), static_cast<uint8_t>(a), 0x01};
      const bool expect = (h & 0xC0) == 0x80 && __builtin_popcount(a) % 2 == 1;
      ASSERT_EQ(BulkParser::ValidHeader(header), expect) << h << " " << a;
    }
  }
  const uint8_t evenB[3] = {0x80, 0x01, 0x03};
  EXPECT_FALSE(BulkParser::ValidHeader(evenB));
}

TEST(BulkRecords, EmptyPayloadAndLongestPayload) {
  Bytes longest(63);
  for (size_t i = 0; i < longest.size(); ++i) longest[i] = static_cast<uint8_t>(i + 1);
  Bytes s = vdtest::Record(0x01, 0x02, {});
  Append(s, vdtest::Record(0x04, 0x08, longest));
  Append(s, Filler(68));
  const ParseOutput out = vdtest::FeedWhole(s, Mode::kFull);
  ASSERT_EQ(out.records.size(), 2u);
  EXPECT_EQ(out.records[0].size(), 4u);
  EXPECT_EQ(out.records[1].size(), 67u);
  EXPECT_EQ(out.records[1].back(), 63);
}

TEST(BulkRecords, WithoutRecordCallbackThePayloadIsStillConsumed) {
  // The payload holds what would be a record of its own if it were scanned.
  Bytes s = vdtest::Record(0x01, 0x02, {0x85, 0x83, 0x01, 0x02, 0, 0, 0});
  Append(s, Filler(80));
  EXPECT_TRUE(vdtest::FeedInSamples(s, Mode::kFull, {}, false, true).records.empty());
  EXPECT_EQ(vdtest::FeedWhole(s, Mode::kFull).records.size(), 1u);
}

// A 0x7F lead with a recognisable record hidden in its 15 sample bytes, and a marker record
// right behind the burst.
Bytes BurstWithHiddenRecord(size_t fillers) {
  Bytes s = Filler(fillers);
  s.push_back(0x7F);
  Bytes samples = {0x85, 0x83, 0x01, 0x02, 0xAA, 0xBB, 0xCC};
  samples.resize(15, 0xFF);
  Append(s, samples);
  Append(s, vdtest::Record(0x04, 0x08, {}));
  Append(s, Filler(80));
  return s;
}

TEST(BulkBursts, LeadAfterSixteenFillersTakesFifteenSampleBytes) {
  const ParseOutput out = vdtest::FeedWhole(BurstWithHiddenRecord(16), Mode::kFull);
  ASSERT_EQ(out.records.size(), 1u);
  EXPECT_EQ(out.records[0], (Bytes{0x85, 0x80, 0x04, 0x08}));
}

TEST(BulkBursts, LeadAfterFifteenFillersIsSkipped) {
  const ParseOutput out = vdtest::FeedWhole(BurstWithHiddenRecord(15), Mode::kFull);
  ASSERT_EQ(out.records.size(), 2u);
  EXPECT_EQ(out.records[0], (Bytes{0x85, 0x83, 0x01, 0x02, 0xAA, 0xBB, 0xCC}));
}

TEST(BulkBursts, StrayBytesDoNotBreakTheFillerRun) {
  // Only items reset the run; other bytes are skipped without resetting it.
  Bytes s = Filler(10);
  s.push_back(0x03);
  Append(s, Filler(6));
  s.push_back(0x7F);
  Bytes samples = {0x85, 0x83, 0x01, 0x02, 0xAA, 0xBB, 0xCC};
  samples.resize(15, 0xFF);
  Append(s, samples);
  Append(s, Filler(80));
  EXPECT_TRUE(vdtest::FeedWhole(s, Mode::kFull).records.empty());
}

TEST(BulkBursts, SamplesGoToTheQueueOnlyWithARemoteCallback) {
  vd::ByteRing ring(95536, false);
  BulkParser parser(Mode::kFull);
  vdtest::CollectingHandler handler;
  Bytes s = Filler(16);
  s.push_back(0x75);
  s.insert(s.end(), 5, 0xFF);
  Append(s, Filler(16));
  s.push_back(0x73);
  s.insert(s.end(), 3, 0xFF);
  Append(s, Filler(80));
  handler.wantCodes = false;
  ASSERT_TRUE(ring.Write(s.data(), 30));
  ASSERT_TRUE(ring.Write(s.data() + 30, s.size() - 30));
  parser.Scan(ring, handler);
  EXPECT_EQ(parser.QueuedSamples(), 0u);
  BulkParser parser2(Mode::kFull);
  handler.wantCodes = true;
  ASSERT_TRUE(ring.Write(s.data(), s.size()));
  parser2.Scan(ring, handler);
  EXPECT_EQ(parser2.QueuedSamples(), 8u);
}

const uint32_t kTableCodes[] = {0x2AAAAA4, 0x6AAAA94, 0x5AAAAA4, 0x66AAA94, 0x69AAAA4,
                                0x15AAA94, 0x1A6AAA4, 0x166AA94, 0x256AAA4, 0x156AA94,
                                0x2A9AAA4, 0x1A9AA94, 0x269AAA4, 0x159AAA4, 0x295AA94};

TEST(BulkBursts, RemoteKeysThroughTheStreamDecodeToTheirCodes) {
  for (uint32_t code : kTableCodes) {
    Bytes s = vdtest::Bursts(vdtest::IrSamples(code));
    Append(s, Filler(80));
    EXPECT_EQ(vdtest::FeedWhole(s, Mode::kFull).codes, std::vector<uint32_t>{code})
        << std::hex << code;
  }
}

TEST(BulkBursts, ARecordBetweenBurstsDoesNotDisturbTheCode) {
  const Bytes samples = vdtest::IrSamples(0x2A9AAA4);
  Bytes s = vdtest::Bursts(Bytes(samples.begin(), samples.begin() + 15), 16, false);
  Append(s, vdtest::Record(0x01, 0x02, kPayload3));
  Append(s, vdtest::Bursts(Bytes(samples.begin() + 15, samples.end())));
  Append(s, Filler(80));
  const ParseOutput out = vdtest::FeedWhole(s, Mode::kFull);
  EXPECT_EQ(out.codes, std::vector<uint32_t>{0x2A9AAA4});
  EXPECT_EQ(out.records.size(), 1u);
}

TEST(CompactBuild, BurstLeadIsAnyByteWithBitZeroAfterElevenFillers) {
  Bytes s = Filler(11);
  s.push_back(0x03);  // burst of 3 bytes: swallows the record's first bytes
  Append(s, vdtest::Record(0x01, 0x02, kPayload3));
  Append(s, Filler(80));
  EXPECT_TRUE(vdtest::FeedWhole(s, Mode::kCompact).records.empty());
  // The full build skips the same byte and finds the record.
  EXPECT_EQ(vdtest::FeedWhole(s, Mode::kFull).records.size(), 1u);

  Bytes ten = Filler(10);
  ten.push_back(0x03);
  Append(ten, vdtest::Record(0x01, 0x02, kPayload3));
  Append(ten, Filler(80));
  EXPECT_EQ(vdtest::FeedWhole(ten, Mode::kCompact).records.size(), 1u);
}

TEST(CompactBuild, DropsBurstsAndNeverDecodes) {
  Bytes s = vdtest::Bursts(vdtest::IrSamples(0x2A9AAA4));
  // Idle samples behind a filler run look like compact burst leads: keep the record clear of
  // what they swallow.
  Append(s, Filler(20));
  Append(s, vdtest::Record(0x01, 0x02, kPayload3));
  Append(s, Filler(80));
  const ParseOutput compact = vdtest::FeedWhole(s, Mode::kCompact);
  EXPECT_TRUE(compact.codes.empty());
  EXPECT_EQ(compact.records.size(), 1u);
  EXPECT_EQ(vdtest::FeedWhole(s, Mode::kFull).codes, std::vector<uint32_t>{0x2A9AAA4});
}

// The block scanner must deliver exactly what the byte-by-byte rules give, however the stream is
// cut into samples.
class SplitInvariance : public ::testing::TestWithParam<Mode> {};

TEST_P(SplitInvariance, WholeByteBySampleAndEverySplitAgreeWithTheReference) {
  const Mode mode = GetParam();
  const Bytes s = vdtest::RealisticStream(3000, 7, true);
  const ParseOutput expected = vdtest::ReferenceParse(s, mode);
  ASSERT_FALSE(expected.records.empty());
  if (mode == Mode::kFull) {
    ASSERT_FALSE(expected.codes.empty());
  }
  EXPECT_EQ(vdtest::FeedWhole(s, mode), expected);
  EXPECT_EQ(vdtest::FeedInSamples(s, mode, {1}), expected);
  for (size_t cut = 1; cut < s.size(); ++cut) {
    ASSERT_EQ(vdtest::FeedInSamples(s, mode, {cut, 0}), expected) << "cut at " << cut;
  }
}

TEST_P(SplitInvariance, RandomSampleSizesOverManyStreams) {
  const Mode mode = GetParam();
  vdtest::Lcg rng(99);
  for (uint32_t seed = 1; seed <= 40; ++seed) {
    const Bytes s = vdtest::RealisticStream(20000, seed, seed % 2 == 0);
    const ParseOutput expected = vdtest::ReferenceParse(s, mode);
    std::vector<size_t> sizes(50);
    for (auto& n : sizes) n = 1 + rng.Below(seed % 3 == 0 ? 8 : 5000);
    ASSERT_EQ(vdtest::FeedInSamples(s, mode, sizes), expected) << "seed " << seed;
  }
}

TEST_P(SplitInvariance, RandomBytesAgreeWithTheReference) {
  // Dense noise: many leads, broken headers and bursts straddling block edges.
  const Mode mode = GetParam();
  vdtest::Lcg rng(5);
  for (int round = 0; round < 30; ++round) {
    Bytes s(4000);
    for (auto& b : s) {
      const uint32_t r = rng.Below(16);
      b = r < 9 ? 0x00 : r < 11 ? 0xFF : static_cast<uint8_t>(rng.Next());
    }
    const ParseOutput expected = vdtest::ReferenceParse(s, mode);
    ASSERT_EQ(vdtest::FeedWhole(s, mode), expected) << round;
    ASSERT_EQ(vdtest::FeedInSamples(s, mode, {1 + rng.Below(100), 1 + rng.Below(7)}), expected)
        << round;
  }
}

INSTANTIATE_TEST_SUITE_P(BothBuilds, SplitInvariance,
                         ::testing::Values(Mode::kFull, Mode::kCompact));

}  // namespace
