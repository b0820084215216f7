// The virtual TV box's own bulk stream, read as the library's worker reads it: its teletext
// must come out as pages an independent decoder can show, and a key press as one sequence.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "ir_pairs.h"
#include "page_text.h"
#include "vbi_converter.h"
#include "vd/bulk_stream.h"

namespace {

using vd::BulkStreamGenerator;
using vdtest::ParserForm;

struct Harvest {
  std::vector<uint8_t> packets;
  std::vector<std::pair<int32_t, int32_t>> remotes;
};

// Fields as the device hands them over, one conversion pass after each.
Harvest Read(BulkStreamGenerator& generator, int fields, size_t sample) {
  Harvest h;
  auto conv = std::make_unique<vd::VbiConverter>(
      [&h](int32_t units, int32_t code) { h.remotes.emplace_back(units, code); });
  std::vector<uint8_t> bytes(sample);
  std::vector<uint8_t> out(vd::VbiConverter::kSlots * vd::VbiConverter::kPacketSize);
  const size_t total = static_cast<size_t>(fields) * BulkStreamGenerator::kFieldBytes;
  for (size_t done = 0; done < total; done += sample) {
    generator.Generate(bytes.data(), sample, 1765195200);  // a fixed clock keeps runs equal
    EXPECT_TRUE(conv->Ring().Write(bytes.data(), sample));
    conv->ConvertPass();
    const uint32_t n = conv->TakePackets(out.data(), out.size());
    h.packets.insert(h.packets.end(), out.begin(), out.begin() + n * 42);
  }
  return h;
}

// The remote's keys, each in both states of its toggle bit.
constexpr std::pair<uint32_t, uint32_t> kRemoteKeys[] = {
    {0x2AAAAA4, 0x2AAAA94}, {0x6AAAAA4, 0x6AAAA94}, {0x1AAAAA4, 0x1AAAA94}, {0x5AAAAA4, 0x5AAAA94},
    {0x26AAAA4, 0x26AAA94}, {0x66AAAA4, 0x66AAA94}, {0x16AAAA4, 0x16AAA94}, {0x56AAAA4, 0x56AAA94},
    {0x29AAAA4, 0x29AAA94}, {0x69AAAA4, 0x69AAA94}, {0x19AAAA4, 0x19AAA94}, {0x25AAAA4, 0x25AAA94},
    {0x15AAAA4, 0x15AAA94}, {0x2A6AAA4, 0x2A6AA94}, {0x6A6AAA4, 0x6A6AA94}, {0x1A6AAA4, 0x1A6AA94},
    {0x266AAA4, 0x266AA94}, {0x166AAA4, 0x166AA94}, {0x256AAA4, 0x256AA94}, {0x156AAA4, 0x156AA94},
    {0x2A9AAA4, 0x2A9AA94}, {0x6A9AAA4, 0x6A9AA94}, {0x1A9AAA4, 0x1A9AA94}, {0x269AAA4, 0x269AA94},
    {0x159AAA4, 0x159AA94}, {0x295AAA4, 0x295AA94}, {0x155AAA4, 0x155AA94},
};

TEST(BulkgenStreamTest, PagesOfTheReceivedStationDecode) {
  BulkStreamGenerator generator(3);
  generator.SetStation("Kanal Zwei");
  // Three pages of 24 packets at two records a field, twice round.
  const Harvest h = Read(generator, 80, BulkStreamGenerator::kFieldBytes);
  ASSERT_GE(h.packets.size() / 42, 72u);
  vd::PageText pages;
  for (size_t at = 0; at < h.packets.size(); at += 42) pages.Feed(h.packets.data() + at);
  auto page = pages.Page(0x100);
  ASSERT_TRUE(page.has_value());
  EXPECT_NE((*page)[2].find("Kanal Zwei"), std::string::npos) << (*page)[2];
  EXPECT_NE((*page)[5].find("Welcome to the teletext service of"), std::string::npos);
  EXPECT_NE((*page)[0].find("Kanal Zwei"), std::string::npos) << (*page)[0];
  auto index = pages.Page(0x101);
  ASSERT_TRUE(index.has_value());
  EXPECT_NE((*index)[2].find("INDEX"), std::string::npos);
}

TEST(BulkgenStreamTest, EveryRecordOfAnUnevenlyCutStreamArrives) {
  BulkStreamGenerator whole(5), cut(5);
  whole.SetStation("Test");
  cut.SetStation("Test");
  const Harvest a = Read(whole, 40, BulkStreamGenerator::kFieldBytes);
  const Harvest b = Read(cut, 40, 256);
  EXPECT_EQ(a.packets.size(), 40u * BulkStreamGenerator::kRecordsPerField * 42);
  EXPECT_EQ(a.packets, b.packets);
}

TEST(BulkgenStreamTest, KeyPressGivesTheRemoteCode) {
  constexpr uint32_t kChannelUp = 0x2A9AAA4;
  BulkStreamGenerator generator(9);
  generator.SetStation("Test");
  generator.PressKey(kChannelUp);
  const Harvest h = Read(generator, 20, BulkStreamGenerator::kFieldBytes);
  ASSERT_FALSE(h.remotes.empty());
  std::vector<uint32_t> codes;
  for (auto [units, code] : h.remotes) codes.push_back(ParserForm(units, code));
  EXPECT_NE(std::find(codes.begin(), codes.end(), kChannelUp), codes.end())
      << "first: " << h.remotes[0].first << " units, 0x" << std::hex << h.remotes[0].second;
}

TEST(BulkgenStreamTest, EveryRemoteKeyInBothTogglesGivesItsOwnPair) {
  std::map<vdtest::IrPair, uint32_t> seen;
  for (const auto& [first, second] : kRemoteKeys) {
    vdtest::IrPair forms[2];
    int n = 0;
    for (uint32_t code : {first, second}) {
      SCOPED_TRACE(::testing::Message() << "code 0x" << std::hex << code);
      const std::vector<vdtest::IrPair> pairs = vdtest::DecodePress(code);
      ASSERT_EQ(pairs.size(), 1u) << "one press, one sequence";
      EXPECT_EQ(ParserForm(pairs[0].first, pairs[0].second), code);
      const auto [at, fresh] = seen.emplace(pairs[0], code);
      EXPECT_TRUE(fresh) << "same pair as 0x" << at->second;
      forms[n++] = pairs[0];
    }
    // The toggle bit changes the code, not the length of the waveform.
    EXPECT_EQ(forms[0].first, forms[1].first) << std::hex << first;
    EXPECT_NE(forms[0].second, forms[1].second) << std::hex << first;
  }
  EXPECT_EQ(seen.size(), 2 * std::size(kRemoteKeys));
}

}  // namespace
