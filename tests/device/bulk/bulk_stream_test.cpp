#include "vd/bulk_stream.h"

#include <gtest/gtest.h>

#include <bit>
#include <map>
#include <string>
#include <vector>

#include "remote_codes.h"
#include "stream_oracles.h"
#include "vd/ir_burst_encoder.h"
#include "vd/teletext_coding.h"
#include "vd/teletext_pages.h"

namespace vd {
namespace {

using test::ParserOracle;
using test::TeletextOracle;

constexpr std::time_t kNow = 1'765'000'000;  // a fixed instant; pages show it in local time

std::vector<uint8_t> Take(BulkStreamGenerator& gen, size_t n, std::time_t now = kNow) {
  std::vector<uint8_t> out(n, 0xEE);
  gen.Generate(out.data(), out.size(), now);
  return out;
}

// Feeds both readings one field per sample, as the device hands the stream over.
void FeedBoth(const std::vector<uint8_t>& stream, ParserOracle& parser, TeletextOracle& tt) {
  constexpr size_t kPiece = BulkStreamGenerator::kFieldBytes;
  for (size_t at = 0; at < stream.size(); at += kPiece) {
    const size_t n = std::min(kPiece, stream.size() - at);
    parser.Feed(std::span(stream).subspan(at, n));
    tt.Feed(std::span(stream).subspan(at, n));
  }
}

struct Item {
  size_t zerosBefore;
  std::vector<uint8_t> bytes;
};

// Cuts a fault-free stream into its items; any byte that is neither filler nor the start of
// an item fails the test.
std::vector<Item> Items(const std::vector<uint8_t>& s) {
  std::vector<Item> items;
  size_t zeros = 0;
  for (size_t i = 0; i < s.size();) {
    if (s[i] == 0) {
      ++zeros;
      ++i;
      continue;
    }
    size_t len = 0;
    if (s[i] == 0x85) {
      len = 4 + (s[i + 1] & 0x3F);
    } else if ((s[i] & 0x70) == 0x70) {
      len = 1 + (s[i] & 0x0F);
    } else {
      ADD_FAILURE() << "stray byte 0x" << std::hex << int{s[i]} << " at " << std::dec << i;
      return items;
    }
    if (i + len > s.size()) break;  // cut off by the end of the sample
    items.push_back({zeros, std::vector<uint8_t>(s.begin() + i, s.begin() + i + len)});
    zeros = 0;
    i += len;
  }
  return items;
}

std::string Text(const std::vector<uint8_t>& packet, size_t from) {
  std::string text;
  for (size_t i = from; i < packet.size(); ++i) text += static_cast<char>(packet[i] & 0x7F);
  return text;
}

int PageOf(const std::vector<uint8_t>& packet) {
  const int m = TeletextCoding::DecodeHamming84(packet[0]) & 7;
  return (m == 0 ? 8 : m) * 100 + TeletextCoding::DecodeHamming84(packet[3]) * 10 +
         TeletextCoding::DecodeHamming84(packet[2]);
}

int RowOf(const std::vector<uint8_t>& packet) {
  return (TeletextCoding::DecodeHamming84(packet[0]) >> 3) |
         (TeletextCoding::DecodeHamming84(packet[1]) << 1);
}

std::string Clock(std::time_t t) {
  std::tm tm{};
  localtime_r(&t, &tm);
  char s[16];
  std::strftime(s, sizeof s, "%H:%M:%S", &tm);
  return s;
}

TEST(BulkStreamTest, WithoutStationOrKeysTheStreamIsAllFiller) {
  BulkStreamGenerator gen(7);
  const auto s = Take(gen, 5 * BulkStreamGenerator::kFieldBytes);
  EXPECT_EQ(std::count(s.begin(), s.end(), 0), static_cast<long>(s.size()));
}

TEST(BulkStreamTest, RecordsAreWellFormedAndSeparatedByResyncRuns) {
  BulkStreamGenerator gen(3);
  gen.SetStation("Channel Nine");
  const auto items = Items(Take(gen, 200 * BulkStreamGenerator::kFieldBytes));
  ASSERT_GE(items.size(), 300u);
  for (const Item& item : items) {
    EXPECT_GE(item.zerosBefore, 16u);
    ASSERT_EQ(item.bytes.size(), 46u);
    EXPECT_EQ(item.bytes[0], 0x85);
    EXPECT_EQ(item.bytes[1] >> 6, 2);
    EXPECT_EQ(item.bytes[1] & 0x3F, 42);
    EXPECT_EQ(std::popcount(unsigned{item.bytes[2]}) % 2, 1);
    EXPECT_EQ(std::popcount(unsigned{item.bytes[3]}) % 2, 1);
    EXPECT_EQ(item.bytes[3] & 0x0F, 0);
  }
}

TEST(BulkStreamTest, FieldsStartAndEndWithFillerWhateverTheyCarry) {
  BulkStreamGenerator gen(37);
  gen.SetStation("Field Test");
  gen.SetFaults({.corruptRecords = true, .cutBursts = true});
  for (int i = 0; i < 30; ++i) gen.PressKey(0x2A9AAA4);
  constexpr size_t kField = BulkStreamGenerator::kFieldBytes;
  for (int i = 0; i < 40; ++i) {
    const auto f = Take(gen, kField);
    EXPECT_EQ(std::count(f.begin(), f.begin() + 16, 0), 16) << "field " << i;
    EXPECT_EQ(std::count(f.end() - 68, f.end(), 0), 68) << "field " << i;
    EXPECT_GT(std::count(f.begin(), f.end(), 0x85), 0) << "field " << i;
  }
}

TEST(BulkStreamTest, BothReadingsTakeEveryRecord) {
  BulkStreamGenerator gen(5);
  gen.SetStation("Channel Nine");
  const auto s = Take(gen, 100 * BulkStreamGenerator::kFieldBytes);
  ParserOracle parser;
  TeletextOracle tt;
  FeedBoth(s, parser, tt);
  EXPECT_EQ(parser.records.size(), 100 * BulkStreamGenerator::kRecordsPerField);
  EXPECT_EQ(parser.rejectedHeaders, 0u);
  ASSERT_EQ(tt.packets.size(), parser.records.size());
  for (size_t i = 0; i < tt.packets.size(); ++i) {
    EXPECT_EQ(tt.packets[i],
              std::vector<uint8_t>(parser.records[i].begin() + 4, parser.records[i].end()));
  }
}

TEST(BulkStreamTest, EveryPacketKindIsCodedAsItsRowRequires) {
  BulkStreamGenerator gen(11);
  gen.SetStation("Channel Nine");
  ParserOracle parser;
  TeletextOracle tt;
  FeedBoth(Take(gen, 300 * BulkStreamGenerator::kFieldBytes), parser, tt);
  ASSERT_GE(tt.packets.size(), 500u);
  std::vector<int> headerPages;
  std::vector<size_t> servicePackets;
  auto hamming = [](const std::vector<uint8_t>& p, size_t from, size_t to) {
    for (size_t i = from; i < to; ++i)
      EXPECT_EQ(
          TeletextCoding::Hamming84(static_cast<uint8_t>(TeletextCoding::DecodeHamming84(p[i]))),
          p[i])
          << "byte " << i;
  };
  auto parity = [](const std::vector<uint8_t>& p, size_t from, size_t to, int row) {
    for (size_t i = from; i < to; ++i)
      EXPECT_EQ(std::popcount(unsigned{p[i]}) % 2, 1) << "row " << row << " byte " << i;
  };
  for (size_t n = 0; n < tt.packets.size(); ++n) {
    const auto& p = tt.packets[n];
    ASSERT_EQ(p.size(), 42u);
    hamming(p, 0, 2);
    const int row = RowOf(p);
    if (row == 0) {
      hamming(p, 2, 10);
      parity(p, 10, 42, row);
      headerPages.push_back(PageOf(p));
    } else if (row <= 24) {
      parity(p, 2, 42, row);
    } else if (row == 27) {
      hamming(p, 2, 40);  // the links and the link control byte
    } else {
      ASSERT_EQ(row, 30);
      EXPECT_EQ(TeletextCoding::DecodeHamming84(p[0]) & 7, 0) << "8/30 is magazine 8";
      hamming(p, 2, 9);
      parity(p, 22, 42, row);
      servicePackets.push_back(n);
    }
  }
  // The pages come round in the broadcast order, the service packet once a second.
  const auto cycle = TeletextPages::Cycle();
  ASSERT_GT(headerPages.size(), cycle.size());
  for (size_t i = 0; i < headerPages.size(); ++i) {
    const unsigned page = cycle[i % cycle.size()];
    EXPECT_EQ(headerPages[i],
              static_cast<int>((page >> 8) * 100 + ((page >> 4) & 0xF) * 10 + (page & 0xF)));
  }
  ASSERT_GE(servicePackets.size(), 5u);
  for (size_t i = 1; i < servicePackets.size(); ++i)
    EXPECT_EQ(servicePackets[i] - servicePackets[i - 1],
              BulkStreamGenerator::kServicePacketInterval);
}

TEST(BulkStreamTest, FrontPageShowsClockAndStationName) {
  BulkStreamGenerator gen(13);
  gen.SetStation("Channel Nine");
  ParserOracle parser;
  TeletextOracle tt;
  FeedBoth(Take(gen, 20 * BulkStreamGenerator::kFieldBytes), parser, tt);
  ASSERT_GE(tt.packets.size(), 24u);
  const auto& header = tt.packets[0];
  ASSERT_EQ(RowOf(header), 0);
  ASSERT_EQ(PageOf(header), 100);
  const std::string headerText = Text(header, 10);
  ASSERT_EQ(headerText.size(), 32u);
  EXPECT_EQ(headerText.substr(24), Clock(kNow));
  EXPECT_NE(headerText.find("Channel Nin"), std::string::npos) << headerText;
  EXPECT_EQ(RowOf(tt.packets[1]), 27) << "the links follow the header";
  int rowsWithName = 0;
  int lastRow = 0;
  for (size_t i = 2; i < tt.packets.size() && RowOf(tt.packets[i]) != 0; ++i) {
    const int row = RowOf(tt.packets[i]);
    if (row == 30) continue;
    EXPECT_GT(row, lastRow) << "rows go out top to bottom";
    lastRow = row;
    if (Text(tt.packets[i], 2).find("Channel Nine") != std::string::npos) ++rowsWithName;
  }
  EXPECT_EQ(lastRow, 24) << "the coloured keys' labels close the page";
  EXPECT_GE(rowsWithName, 2);
}

TEST(BulkStreamTest, HeadersFollowTheClockAndTheStation) {
  BulkStreamGenerator gen(17);
  gen.SetStation("First");
  Take(gen, 40 * BulkStreamGenerator::kFieldBytes, kNow);
  gen.SetStation("Second");
  ParserOracle parser;
  TeletextOracle tt;
  FeedBoth(Take(gen, 20 * BulkStreamGenerator::kFieldBytes, kNow + 3725), parser, tt);
  ASSERT_FALSE(tt.packets.empty());
  // The new station starts again at its front page, with the time of now.
  EXPECT_EQ(PageOf(tt.packets[0]), 100);
  const std::string text = Text(tt.packets[0], 10);
  EXPECT_EQ(text.substr(24), Clock(kNow + 3725));
  EXPECT_NE(text.find("Second"), std::string::npos);
  EXPECT_EQ(text.find("First"), std::string::npos);
}

TEST(BulkStreamTest, SameSeedGivesTheSameBytesWhateverTheChunking) {
  BulkStreamGenerator a(42);
  BulkStreamGenerator b(42);
  for (auto* g : {&a, &b}) {
    g->SetStation("Seeded");
    g->SetFaults({.corruptRecords = true, .cutBursts = true});
    g->PressKey(0x2A9AAA4);
  }
  const auto whole = Take(a, 30'000);
  std::vector<uint8_t> pieces;
  for (size_t n : {1u, 7u, 1024u, 333u}) {
    while (pieces.size() + n <= 30'000 && pieces.size() < 28'000) {
      const auto part = Take(b, n);
      pieces.insert(pieces.end(), part.begin(), part.end());
    }
  }
  const auto rest = Take(b, 30'000 - pieces.size());
  pieces.insert(pieces.end(), rest.begin(), rest.end());
  EXPECT_EQ(whole, pieces);

  BulkStreamGenerator c(43);
  c.SetStation("Seeded");
  c.SetFaults({.corruptRecords = true, .cutBursts = true});
  EXPECT_NE(Take(c, 30'000), whole);
}

TEST(BulkStreamTest, CorruptedRecordsAreRejectedAndReadingRecovers) {
  BulkStreamGenerator gen(19);
  gen.SetStation("Noisy");
  gen.SetFaults({.corruptRecords = true});
  constexpr size_t kFields = 400;
  ParserOracle parser;
  TeletextOracle tt;
  FeedBoth(Take(gen, kFields * BulkStreamGenerator::kFieldBytes), parser, tt);
  const size_t sent = kFields * BulkStreamGenerator::kRecordsPerField;
  // Roughly one record in 16 is damaged, three in four of those in the header.
  EXPECT_GT(parser.rejectedHeaders, 0u);
  EXPECT_LT(parser.records.size(), sent);
  EXPECT_LT(tt.packets.size(), sent);
  EXPECT_GT(parser.records.size(), sent * 85 / 100);
  EXPECT_GT(tt.packets.size(), sent * 85 / 100);
  size_t badText = 0;
  for (const auto& p : tt.packets) {
    for (size_t i = 10; i < 42; ++i) badText += std::popcount(unsigned{p[i]}) % 2 == 0;
  }
  EXPECT_GT(badText, 0u) << "payload bits should be flipped now and then";
}

}  // namespace
}  // namespace vd
