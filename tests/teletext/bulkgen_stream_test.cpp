// The virtual TV box's own bulk stream, read as the library's worker reads it: its teletext
// must come out as pages an independent decoder can show, and a key press as one sequence.
#include <gtest/gtest.h>
#include <libzvbi.h>

#include <cstring>
#include <ctime>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "ir_pairs.h"
#include "page_text.h"
#include "vbi_converter.h"
#include "vd/bulk_stream.h"
#include "vd/teletext_pages.h"

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

constexpr std::time_t kClock = 1765195200;

// A set's decoder: libzvbi with its page cache, fed the harvest in broadcast order.
struct SetDecoder {
  vbi_decoder* vbi = vbi_decoder_new();
  explicit SetDecoder(const Harvest& h) {
    vbi_event_handler_register(
        vbi, VBI_EVENT_TTX_PAGE, [](vbi_event*, void*) {}, nullptr);
    double t = 0;
    for (size_t at = 0; at + 42 <= h.packets.size(); at += 42) {
      vbi_sliced line{};
      line.id = VBI_SLICED_TELETEXT_B;
      line.line = 7;
      std::memcpy(line.data, h.packets.data() + at, 42);
      vbi_decode(vbi, &line, 1, t += 0.04);
    }
  }
  ~SetDecoder() { vbi_decoder_delete(vbi); }

  std::unique_ptr<vbi_page, void (*)(vbi_page*)> Fetch(int pgno, int subno = VBI_ANY_SUBNO) {
    auto page = std::unique_ptr<vbi_page, void (*)(vbi_page*)>(new vbi_page, [](vbi_page* p) {
      vbi_unref_page(p);
      delete p;
    });
    if (!vbi_fetch_vt_page(vbi, page.get(), pgno, subno, VBI_WST_LEVEL_1p5, 25, TRUE)) {
      delete page.release();  // never filled, so nothing to unref
      return {nullptr, [](vbi_page*) {}};
    }
    return page;
  }
};

std::string Row(vbi_page* page, int row) {
  char text[256] = {};
  const int n =
      vbi_print_page_region(page, text, sizeof text - 1, "UTF-8", TRUE, FALSE, 0, row, 40, 1);
  return std::string(text, n > 0 ? static_cast<size_t>(n) : 0);
}

const vbi_char& Cell(vbi_page* page, int row, int column) {
  return page->text[row * page->columns + column];
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

TEST(BulkgenStreamTest, PagesDecodeWithLinksSubpagesMosaicsAndClock) {
  BulkStreamGenerator generator(3);
  generator.SetStation("Harbour TV");
  // Four rounds of the cycle: every subpage of the news has been on the air.
  SetDecoder set(Read(generator, 200, BulkStreamGenerator::kFieldBytes));

  auto front = set.Fetch(0x100);
  ASSERT_TRUE(front);
  EXPECT_NE(Row(front.get(), 2).find("Harbour TV"), std::string::npos);
  EXPECT_EQ(Cell(front.get(), 2, 3).foreground, VBI_YELLOW);
  EXPECT_EQ(Cell(front.get(), 2, 3).size, VBI_DOUBLE_HEIGHT);
  // The coloured keys lead where row 24 says, and the index key home.
  const int links[4] = {0x110, 0x120, 0x102, 0x101};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(front->nav_link[i].pgno, links[i]) << "key " << i;
  EXPECT_EQ(front->nav_link[5].pgno, 0x100);
  const std::string keys = Row(front.get(), 24);
  EXPECT_NE(keys.find("News"), std::string::npos) << keys;
  EXPECT_NE(keys.find("Weather"), std::string::npos) << keys;
  EXPECT_EQ(Cell(front.get(), 24, 1).foreground, VBI_RED);
  // The header's last eight columns are the clock.
  std::tm t{};
  const std::time_t clock = kClock;
  localtime_r(&clock, &t);
  char hms[16];
  std::strftime(hms, sizeof hms, "%H:%M:%S", &t);
  EXPECT_EQ(Row(front.get(), 0).substr(32, 8), hms);

  // Each subpage is kept apart, with its own story, and there are no more than three.
  std::vector<std::string> stories;
  for (int subno = 1; subno <= 3; ++subno) {
    auto news = set.Fetch(0x110, subno);
    ASSERT_TRUE(news) << "subpage " << subno;
    EXPECT_NE(Row(news.get(), 2).find(std::to_string(subno) + "/3"), std::string::npos);
    stories.push_back(Row(news.get(), 4));
  }
  EXPECT_NE(stories[0], stories[1]);
  EXPECT_NE(stories[1], stories[2]);
  EXPECT_FALSE(set.Fetch(0x110, 4));
  EXPECT_TRUE(set.Fetch(0x120, 2));

  // The test card: colour bars of solid mosaic blocks, and a ring of sextants.
  auto card = set.Fetch(0x150);
  ASSERT_TRUE(card);
  const vbi_color bars[7] = {VBI_WHITE,   VBI_YELLOW, VBI_CYAN, VBI_GREEN,
                             VBI_MAGENTA, VBI_RED,    VBI_BLUE};
  for (int bar = 0; bar < 7; ++bar) {
    const vbi_char& c = Cell(card.get(), 5, bar * 5 + 2);
    EXPECT_TRUE(vbi_is_gfx(c.unicode)) << "bar " << bar;
    EXPECT_EQ(c.foreground, bars[bar]) << "bar " << bar;
  }
  int ringCells = 0;
  for (int row = 10; row <= 21; ++row) {
    for (int col = 3; col < 40; ++col) {
      const unsigned u = Cell(card.get(), row, col).unicode;
      ringCells += vbi_is_gfx(u) && u != 0xEE00 && u != 0xEE20;
    }
  }
  EXPECT_GT(ringCells, 40);
  EXPECT_FALSE(set.Fetch(0x199)) << "a page that is not on the air";
}

TEST(BulkgenStreamTest, GermanAndFrenchStationsSendTheirOwnLetters) {
  struct Case {
    vd::TeletextService service;
    int subno;
    const char* story;  // row 4 of that news subpage
    const char* index;  // the index title on the front page
  };
  const Case cases[] = {
      {{"Kanal Nord", 0, "de"}, 1, "Neue Brücke für den Verkehr frei", "Übersicht"},
      {{"Meridian", 0, "fr"}, 3, "La bibliothèque ferme plus tard", "Sommaire"},
      {{"Aurora One", 0, ""}, 2, "Rail fares stay the same next year", "Index"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.service.name);
    BulkStreamGenerator generator(4);
    generator.SetService(c.service);
    SetDecoder set(Read(generator, 200, BulkStreamGenerator::kFieldBytes));
    auto news = set.Fetch(0x110, c.subno);
    ASSERT_TRUE(news);
    EXPECT_NE(Row(news.get(), 4).find(c.story), std::string::npos) << Row(news.get(), 4);
    auto front = set.Fetch(0x100);
    ASSERT_TRUE(front);
    EXPECT_NE(Row(front.get(), 11).find(c.index), std::string::npos) << Row(front.get(), 11);
  }
}

TEST(BulkgenStreamTest, KeyLabelsKeepTheirColumnsAndTheBarsAreSolidBlocks) {
  const vbi_color keys[4] = {VBI_RED, VBI_GREEN, VBI_YELLOW, VBI_CYAN};
  for (const std::string language : {"en", "de", "fr"}) {
    SCOPED_TRACE(language);
    Harvest h;
    for (uint16_t page : {0x100, 0x101, 0x102, 0x110, 0x120, 0x150, 0x100}) {
      for (const auto& p : vd::TeletextPages::Page(page, {"Harbour TV", 0, language}, kClock))
        h.packets.insert(h.packets.end(), p.begin(), p.end());
    }
    SetDecoder set(h);
    for (int pgno : {0x100, 0x101, 0x102, 0x110, 0x120, 0x150}) {
      auto page = set.Fetch(pgno);
      ASSERT_TRUE(page) << std::hex << pgno;
      // Each key's label starts in its own quarter of the row, in its colour.
      for (int k = 0; k < 4; ++k) {
        const vbi_char& first = Cell(page.get(), 24, k * 10 + 1);
        EXPECT_EQ(first.foreground, keys[k]) << std::hex << pgno << " key " << k;
        EXPECT_NE(first.unicode, 0x20u) << std::hex << pgno << " key " << k;
      }
    }
    if (language == "de") {
      const std::string row = Row(set.Fetch(0x110).get(), 24);
      EXPECT_EQ(row.substr(0, row.find_last_not_of(' ') + 1),
                " Wetter    Programm  Testbild  Start")
          << "whole words, not cut to fit";
    }
    // The bars are the full six-cell block in every column, not five of its cells.
    auto card = set.Fetch(0x150);
    for (int row = 3; row <= 8; ++row) {
      for (int col = 0; col < 40; ++col) {
        if (col % 5 == 0) continue;  // the bar's colour code
        EXPECT_EQ(Cell(card.get(), row, col).unicode, 0xEE7Fu) << "row " << row << " col " << col;
      }
    }
  }
}

TEST(BulkgenStreamTest, ServicePacketSaysNameCodeAndTime) {
  for (const vd::TeletextService& service : {vd::TeletextService{"Kanal Nord", 0x1D0C, "de"},
                                             vd::TeletextService{"Cityvision", 0, ""}}) {
    SCOPED_TRACE(service.name);
    BulkStreamGenerator generator(6);
    generator.SetService(service);
    const Harvest h = Read(generator, 160, BulkStreamGenerator::kFieldBytes);
    int seen = 0;
    for (size_t at = 0; at + 42 <= h.packets.size(); at += 42) {
      const uint8_t* p = h.packets.data() + at;
      if (vbi_unham16p(p) != (30 << 3)) continue;  // magazine 8 (sent as 0), row 30
      ++seen;
      unsigned cni = 0;
      ASSERT_TRUE(vbi_decode_teletext_8301_cni(&cni, p));
      EXPECT_EQ(cni, vd::TeletextPages::Cni(service));
      time_t utc = 0;
      int east = -1;
      ASSERT_TRUE(vbi_decode_teletext_8301_local_time(&utc, &east, p));
      EXPECT_EQ(utc, kClock);
      std::tm local{};
      localtime_r(&kClock, &local);
      EXPECT_EQ(east, local.tm_gmtoff);
      std::string status;
      for (int i = 22; i < 42; ++i) status += static_cast<char>(vbi_unpar8(p[i]));
      EXPECT_EQ(status.substr(0, service.name.size()), service.name);
    }
    EXPECT_EQ(seen, 3) << "one a second";
  }
  EXPECT_EQ(vd::TeletextPages::Cni({"Kanal Nord", 0, ""}),
            vd::TeletextPages::Cni({"Kanal Nord", 0, "de"}))
      << "a station keeps its code";
  EXPECT_NE(vd::TeletextPages::Cni({"Kanal Nord", 0, ""}),
            vd::TeletextPages::Cni({"Kanal Süd", 0, ""}));
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
