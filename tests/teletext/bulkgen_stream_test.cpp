// The virtual TV box's own bulk stream, read as the library's worker reads it: its teletext
// must come out as pages an independent decoder can show, and a key press as one sequence.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "page_text.h"
#include "vbi_converter.h"
#include "vd/bulk_stream.h"

namespace {

using vd::BulkStreamGenerator;

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

// The stream parser's form of a code: unit k at bit k, the first unit at bit 1, the final
// pulse not included. Ours is the same units, first unit most significant.
uint32_t ParserForm(int32_t units, int32_t code) {
  uint32_t result = 0;
  for (int i = 1; i <= units; ++i) {
    const uint32_t level = (static_cast<uint32_t>(code) >> (units - i)) & 1;
    result |= level << i;
  }
  return result;
}

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

}  // namespace
