#include <gtest/gtest.h>

#include <vector>

#include "remote_codes.h"
#include "stream_oracles.h"
#include "vd/bulk_stream.h"
#include "vd/ir_burst_encoder.h"

namespace vd {
namespace {

using test::kRemoteKeyCodes;
using test::ParserOracle;
using test::TeletextFormOf;
using test::TeletextOracle;
using test::Toggled;

std::vector<uint32_t> AllKeyCodes() {
  std::vector<uint32_t> codes;
  for (uint32_t c : kRemoteKeyCodes) {
    codes.push_back(c);
    codes.push_back(Toggled(c));
  }
  return codes;
}

void Stream(BulkStreamGenerator& gen, size_t fields, ParserOracle& parser, TeletextOracle& tt) {
  std::vector<uint8_t> field(BulkStreamGenerator::kFieldBytes);
  for (size_t i = 0; i < fields; ++i) {
    gen.Generate(field.data(), field.size(), 1'765'000'000);
    parser.Feed(field);
    tt.Feed(field);
  }
}

TEST(IrRoundTripTest, TheOraclesReadTheTextbookExamples) {
  // Guards the oracles themselves before they judge the encoder.
  TeletextOracle tt;
  std::vector<uint8_t> s(16, 0);
  for (uint8_t b : {0x75, 0xFF, 0x0F, 0xF0, 0xFF, 0xFF}) s.push_back(b);
  s.resize(s.size() + 16, 0);
  tt.Feed(s);
  ASSERT_EQ(tt.codes.size(), 1u);
  EXPECT_EQ(tt.codes[0], std::make_pair(4u, 6u));
  EXPECT_EQ(TeletextFormOf(0x4), std::make_pair(3u, 2u));  // pulse, gap, pulse

  ParserOracle parser;
  std::vector<uint8_t> p = {0x85, 0xC3, 0x01, 0x02, 0x85, 0x83, 0x01, 0x02, 0xA, 0xB, 0xC};
  p.resize(p.size() + 15, 0);
  p.push_back(0x7F);  // after only 15 zeros: skipped
  p.resize(p.size() + 16, 0);
  p.push_back(0x7F);  // after 16: a burst, whose 15 idle bytes are queued
  p.resize(p.size() + 15, 0xFF);
  p.resize(p.size() + 80, 0);
  parser.Feed(p);
  EXPECT_EQ(parser.rejectedHeaders, 1u);
  ASSERT_EQ(parser.records.size(), 1u);
  EXPECT_EQ(parser.records[0], (std::vector<uint8_t>{0x85, 0x83, 0x01, 0x02, 0xA, 0xB, 0xC}));
  EXPECT_EQ(parser.queuedSamples, 15u);
  EXPECT_TRUE(parser.codes.empty());
}

TEST(IrRoundTripTest, EveryKeyOfTheRemoteIsEncodable) {
  for (uint32_t code : AllKeyCodes()) {
    ASSERT_TRUE(IrBurstEncoder::Encodable(code)) << std::hex << code;
    const auto samples = IrBurstEncoder::Samples(code);
    // More than 10 idle bytes lead in; after the first pulse no all-idle byte comes before
    // the last one, where a receiver that has taken ten bytes would end the burst early.
    size_t first = 0;
    while (first < samples.size() && samples[first] == 0xFF) ++first;
    EXPECT_GE(first, IrBurstEncoder::kMinLeadIdleBytes);
    size_t last = first;
    for (size_t i = first; i < samples.size(); ++i) {
      if (samples[i] != 0xFF) last = i;
    }
    EXPECT_LT(last - first, IrBurstEncoder::kWaveBytes);
    for (size_t i = first; i < last; ++i) {
      EXPECT_NE(samples[i], 0xFF) << std::hex << code << " byte " << std::dec << i;
    }
    // The burst items carry exactly these samples, each item odd-sized, the lead 0x7n.
    std::vector<uint8_t> carried;
    for (const auto& burst : IrBurstEncoder::Bursts(code)) {
      ASSERT_GE(burst.size(), 2u);
      EXPECT_EQ(burst[0] & 0x70, 0x70);
      EXPECT_EQ(burst[0] & 0x0F, burst.size() - 1);
      EXPECT_EQ(burst[0] & 1, 1);
      carried.insert(carried.end(), burst.begin() + 1, burst.end());
    }
    EXPECT_EQ(carried, samples);
  }
}

TEST(IrRoundTripTest, TheTeletextReadingUsesEveryByteOfTheClosingItem) {
  // A reader that closes the sequence mid-item leaves the rest unread and would take the
  // next 0xFF for a burst lead; so the closing byte must be the last of its item.
  for (uint32_t code : AllKeyCodes()) {
    TeletextOracle tt;
    std::vector<uint8_t> s;
    for (const auto& burst : IrBurstEncoder::Bursts(code)) {
      s.insert(s.end(), 16, 0);
      s.insert(s.end(), burst.begin(), burst.end());
      tt.Feed(s);
      s.clear();
      if (!tt.codes.empty()) {
        EXPECT_EQ(tt.consumedOfLastBurst, burst.size() - 1) << std::hex << code;
        break;
      }
    }
    EXPECT_EQ(tt.codes.size(), 1u) << std::hex << code;
  }
}

TEST(IrRoundTripTest, CodesNoWaveformCarriesAreRefused) {
  EXPECT_FALSE(IrBurstEncoder::Encodable(0));
  EXPECT_FALSE(IrBurstEncoder::Encodable(0x2AAAAA5));  // bit 0: would need a unit before the first
  EXPECT_FALSE(IrBurstEncoder::Encodable(0x2AAAAA6));  // bit 1: starts idle
  EXPECT_FALSE(IrBurstEncoder::Encodable(0x8AAAAA4));  // 28 units: past the 14-byte window
  EXPECT_FALSE(IrBurstEncoder::Encodable(0x2AAAE24));  // three idle units in a row
  EXPECT_TRUE(IrBurstEncoder::Encodable(0x4AAAAA4));   // 27 units, the longest that fits
  EXPECT_TRUE(IrBurstEncoder::Samples(0x2AAAAA6).empty());

  BulkStreamGenerator gen(1);
  gen.PressKey(0x2AAAAA6);
  std::vector<uint8_t> s(4 * BulkStreamGenerator::kFieldBytes, 0xEE);
  gen.Generate(s.data(), s.size(), 0);
  EXPECT_EQ(std::count(s.begin(), s.end(), 0), static_cast<long>(s.size()));
}

TEST(IrRoundTripTest, EveryKeyRoundTripsThroughBothReadings) {
  BulkStreamGenerator gen(23);
  gen.SetStation("Remote Test");  // records between the bursts, as on the air
  const auto codes = AllKeyCodes();
  for (uint32_t code : codes) gen.PressKey(code);
  ParserOracle parser;
  TeletextOracle tt;
  Stream(gen, codes.size() + 4, parser, tt);
  EXPECT_EQ(parser.codes, codes);
  std::vector<std::pair<uint32_t, uint32_t>> expected;
  for (uint32_t code : codes) expected.push_back(TeletextFormOf(code));
  EXPECT_EQ(tt.codes, expected);
  EXPECT_EQ(parser.rejectedHeaders, 0u);
  EXPECT_GT(tt.packets.size(), 0u);
}

TEST(IrRoundTripTest, KeysArriveAlsoWithoutTeletextAndAfterLongSilence) {
  BulkStreamGenerator gen(29);
  ParserOracle parser;
  TeletextOracle tt;
  gen.PressKey(0x2A9AAA4);
  Stream(gen, 3, parser, tt);
  Stream(gen, 50, parser, tt);  // nothing pressed
  gen.PressKey(0x2A9AA94);
  gen.PressKey(0x2A9AA94);  // held: the same code twice
  Stream(gen, 5, parser, tt);
  EXPECT_EQ(parser.codes, (std::vector<uint32_t>{0x2A9AAA4, 0x2A9AA94, 0x2A9AA94}));
  ASSERT_EQ(tt.codes.size(), 3u);
  EXPECT_EQ(tt.codes[0], TeletextFormOf(0x2A9AAA4));
  EXPECT_EQ(tt.codes[2], TeletextFormOf(0x2A9AA94));
}

TEST(IrRoundTripTest, CutBurstsLoseSomeKeysButReadingRecovers) {
  for (uint32_t seed : {31u, 73u, 157u, 209u, 1234u}) {
    SCOPED_TRACE(seed);
    BulkStreamGenerator gen(seed);
    gen.SetStation("Cut");
    gen.SetFaults({.corruptRecords = true, .cutBursts = true});
    constexpr size_t kPresses = 60;
    for (size_t i = 0; i < kPresses; ++i) gen.PressKey(kRemoteKeyCodes[i % 27]);
    ParserOracle parser;
    TeletextOracle tt;
    Stream(gen, kPresses + 4, parser, tt);
    size_t intact = 0;
    for (uint32_t c : parser.codes) {
      intact +=
          std::find(kRemoteKeyCodes.begin(), kRemoteKeyCodes.end(), c) != kRemoteKeyCodes.end();
    }
    EXPECT_LT(intact, kPresses) << "some presses should be damaged";
    EXPECT_GT(intact, kPresses / 4);
    // Records keep flowing around the damage. The teletext reading, which takes the bytes a
    // cut burst lacks from the filler, loses a few more than the parser.
    const size_t sent = (kPresses + 4) * BulkStreamGenerator::kRecordsPerField;
    EXPECT_GT(parser.records.size(), sent * 3 / 4);
    EXPECT_GT(tt.packets.size(), sent * 3 / 4);

    // Once the faults stop, both readings finish whatever the damage left open and then
    // take keys and records whole again.
    gen.SetFaults({});
    Stream(gen, 2, parser, tt);
    const size_t packetsBefore = tt.packets.size();
    const size_t recordsBefore = parser.records.size();
    gen.PressKey(0x269AAA4);
    gen.PressKey(0x269AA94);
    Stream(gen, 6, parser, tt);
    ASSERT_GE(parser.codes.size(), 2u);
    EXPECT_EQ(parser.codes[parser.codes.size() - 2], 0x269AAA4u);
    EXPECT_EQ(parser.codes.back(), 0x269AA94u);
    ASSERT_GE(tt.codes.size(), 2u);
    EXPECT_EQ(tt.codes[tt.codes.size() - 2], TeletextFormOf(0x269AAA4));
    EXPECT_EQ(tt.codes.back(), TeletextFormOf(0x269AA94));
    EXPECT_EQ(tt.packets.size() - packetsBefore, 6 * BulkStreamGenerator::kRecordsPerField);
    EXPECT_EQ(parser.records.size() - recordsBefore, 6 * BulkStreamGenerator::kRecordsPerField);
  }
}

}  // namespace
}  // namespace vd
