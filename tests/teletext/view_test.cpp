// The viewer's teletext logic without a window: pages drawn as libzvbi draws them, subpages
// and links, the network's name, the reader's place in the magazine, and the hand-over queue.
#include <gtest/gtest.h>
#include <libzvbi.h>

#include <cstring>
#include <ctime>
#include <vector>

#include "vd/packet_queue.h"
#include "vd/teletext_decoder.h"
#include "vd/teletext_navigator.h"
#include "vd/teletext_pages.h"

namespace {

using vd::TeletextDecoder;
using vd::TeletextNavigator;
using vd::TeletextPages;
using vd::TeletextService;

constexpr std::time_t kClock = 1765195200;

// The station's cycle, `rounds` times, as the box puts it on the air (subpages rotating), with
// packet 8/30 after every page when `service` is set.
std::vector<vd::TeletextPacket> OnAir(const TeletextService& station, int rounds, bool service) {
  std::vector<vd::TeletextPacket> packets;
  std::vector<int> sent(0x900, 0);
  for (int r = 0; r < rounds; ++r) {
    for (uint16_t page : TeletextPages::Cycle()) {
      for (const auto& p : TeletextPages::Page(page, station, kClock, sent[page]++))
        packets.push_back(p);
      if (service) packets.push_back(TeletextPages::ServicePacket(station, kClock));
    }
  }
  // A last header closes the last page.
  packets.push_back(TeletextPages::Page(0x100, station, kClock)[0]);
  return packets;
}

void FeedAll(TeletextDecoder& decoder, const std::vector<vd::TeletextPacket>& packets) {
  for (const auto& p : packets) decoder.Feed(p.data());
}

// libzvbi's own drawing of the same packets, through nothing of ours.
std::vector<uint8_t> ReferenceDrawing(const std::vector<vd::TeletextPacket>& packets, int pgno,
                                      int& width, int& height) {
  vbi_decoder* vbi = vbi_decoder_new();
  vbi_event_handler_register(
      vbi, VBI_EVENT_TTX_PAGE, [](vbi_event*, void*) {}, nullptr);
  double t = 0;
  for (const auto& p : packets) {
    vbi_sliced line{};
    line.id = VBI_SLICED_TELETEXT_B;
    line.line = 7;
    std::memcpy(line.data, p.data(), 42);
    vbi_decode(vbi, &line, 1, t += 0.04);
  }
  std::vector<uint8_t> out;
  vbi_page pg;
  if (vbi_fetch_vt_page(vbi, &pg, pgno, VBI_ANY_SUBNO, VBI_WST_LEVEL_1p5, 25, TRUE)) {
    std::vector<uint8_t> canvas(static_cast<size_t>(pg.columns * 12 * pg.rows * 10 * 4));
    vbi_draw_vt_page(&pg, VBI_PIXFMT_RGBA32_LE, canvas.data(), FALSE, TRUE);
    width = 40 * 12;
    height = pg.rows * 10;
    for (int y = 0; y < height; ++y) {
      const uint8_t* row = canvas.data() + static_cast<size_t>(y) * pg.columns * 12 * 4;
      out.insert(out.end(), row, row + width * 4);
    }
    vbi_unref_page(&pg);
  }
  vbi_decoder_delete(vbi);
  return out;
}

const uint8_t* Pixel(const vd::TeletextPageImage& image, int x, int y) {
  return image.rgba.data() + (static_cast<size_t>(y) * image.width + x) * 4;
}

TEST(TeletextDecoderTest, DrawsPagesAsLibzvbiDrawsThemWithLinksAndSubpages) {
  const TeletextService station{"Harbour TV", 0, ""};
  const auto packets = OnAir(station, 2, true);
  TeletextDecoder decoder;
  EXPECT_FALSE(decoder.Render(0x100)) << "nothing received yet";
  FeedAll(decoder, packets);

  const auto page = decoder.Render(0x100);
  ASSERT_TRUE(page);
  ASSERT_EQ(page->width, 480);
  ASSERT_EQ(page->height, 250);
  int w = 0, h = 0;
  EXPECT_EQ(page->rgba, ReferenceDrawing(packets, 0x100, w, h));
  // The station's name in yellow, double height, from column 3 of row 2.
  int yellow = 0;
  for (int y = 20; y < 40; ++y) {
    for (int x = 36; x < 36 + 12 * 10; ++x) {
      const uint8_t* px = Pixel(*page, x, y);
      yellow += px[0] == 255 && px[1] == 255 && px[2] == 0;
    }
  }
  EXPECT_GT(yellow, 100);
  EXPECT_NE(page->rows[2].find("Harbour TV"), std::string::npos);
  EXPECT_EQ(page->links, (std::array<int, 4>{0x110, 0x120, 0x102, 0x101}));
  EXPECT_EQ(page->indexLink, 0x100);
  EXPECT_EQ(page->subpage, 0);

  // The news rotates three subpages; each can be asked for, the latest comes unasked.
  EXPECT_EQ(decoder.Subpages(0x110), (std::vector<int>{1, 2, 3}));
  EXPECT_TRUE(decoder.Subpages(0x100).empty());
  const auto second = decoder.Render(0x110, 2);
  ASSERT_TRUE(second);
  EXPECT_EQ(second->subpage, 2);
  EXPECT_NE(second->rows[2].find("2/3"), std::string::npos) << second->rows[2];
  EXPECT_FALSE(decoder.Render(0x110, 7));
  EXPECT_FALSE(decoder.Received(0x777));
  EXPECT_TRUE(decoder.Received(0x150));

  // Transparent: the black background lets the picture through, the coloured band does not.
  const auto clear = decoder.Render(0x110, 1, true);
  ASSERT_TRUE(clear);
  EXPECT_EQ(Pixel(*clear, 2, 100)[3], 0) << "black background";
  EXPECT_EQ(Pixel(*clear, 200, 14)[3], 255) << "the red band of row 1";

  // A new station: nothing of the old one is shown.
  decoder.Reset();
  EXPECT_FALSE(decoder.Render(0x100));
  EXPECT_TRUE(decoder.Subpages(0x110).empty());
  EXPECT_EQ(decoder.NetworkName(), "");
}

TEST(TeletextDecoderTest, NameComesFromPacket830ElseFromTheHeaders) {
  TeletextDecoder decoder;
  EXPECT_EQ(decoder.NetworkName(), "");
  EXPECT_FALSE(decoder.NetworkCode());
  // Headers only: the words that are not page number, date or clock.
  FeedAll(decoder, OnAir({"Lumen 24", 0, ""}, 1, false));
  EXPECT_EQ(decoder.NetworkName(), "Lumen");
  EXPECT_FALSE(decoder.HasServiceName());
  // Packet 8/30 says it whole, with its code.
  const TeletextService station{"Lumen 24", 0x1D0C, ""};
  decoder.Feed(TeletextPages::ServicePacket(station, kClock).data());
  EXPECT_TRUE(decoder.HasServiceName());
  EXPECT_EQ(decoder.NetworkName(), "Lumen 24");
  EXPECT_EQ(decoder.NetworkCode(), 0x1D0Cu);
  // Damaged packets change nothing.
  auto broken = TeletextPages::ServicePacket({"Other", 0x1234, ""}, kClock);
  broken[2] ^= 0x03;  // two bits of the designation code
  decoder.Feed(broken.data());
  auto junk = broken;
  junk[0] = junk[1] = 0xFF;
  decoder.Feed(junk.data());
  EXPECT_EQ(decoder.NetworkName(), "Lumen 24");
  EXPECT_EQ(decoder.NetworkCode(), 0x1D0Cu);
}

TEST(TeletextDecoderTest, NameFromTheHeadersLeavesOutWeekdayAndMonth) {
  struct Case {
    const char* header;  // 32 columns, the clock in the last 8
    const char* name;
  };
  const Case cases[] = {
      {" 100 KANAL    Mo 07.12. 12:00:00", "KANAL"},
      {"CEEFAX 100  Mon 07 Dec  12:00/00", "CEEFAX"},
      {"Sun News   Sun 7 Dec    12:00:00", "Sun News"},
      {"TELE SUD 100  lun. 7 dec12:00:00", "TELE SUD"},
      {" 100 Radio Sur  Di      12:00:00", "Radio Sur"},
  };
  for (const Case& c : cases) {
    TeletextDecoder decoder;
    decoder.Feed(vd::TeletextCoding::PageHeader(0x100, 0, 0, c.header).data());
    EXPECT_EQ(decoder.NetworkName(), c.name) << c.header;
  }
}

TEST(TeletextNavigatorTest, DigitsPagesSubpagesAndLinks) {
  TeletextNavigator nav;
  EXPECT_EQ(nav.Entry(), "100");
  // A page number starts with 1 to 8; three digits go there.
  EXPECT_FALSE(nav.Digit(0));
  EXPECT_FALSE(nav.Digit(9));
  EXPECT_FALSE(nav.Typing());
  EXPECT_FALSE(nav.Digit(1));
  EXPECT_EQ(nav.Entry(), "1--");
  EXPECT_FALSE(nav.Digit(2));
  EXPECT_EQ(nav.Entry(), "12-");
  EXPECT_TRUE(nav.Digit(0));
  EXPECT_EQ(nav.Page(), 0x120);
  EXPECT_EQ(nav.Entry(), "120");
  // Up and down step over the numbers no one can type, and wrap.
  nav.Go(0x109);
  nav.PageUp();
  EXPECT_EQ(nav.Page(), 0x110);
  nav.Go(0x899);
  nav.PageUp();
  EXPECT_EQ(nav.Page(), 0x100);
  nav.PageDown();
  EXPECT_EQ(nav.Page(), 0x899);
  nav.Go(0x200);
  nav.PageDown();
  EXPECT_EQ(nav.Page(), 0x199);
  // Typing is abandoned by any other move.
  nav.Digit(3);
  nav.PageUp();
  EXPECT_FALSE(nav.Typing());
  EXPECT_EQ(nav.Page(), 0x200);
  // Subpages: from "the latest" to the first seen, round, and back.
  const std::vector<int> seen = {1, 2, 3};
  nav.NextSubpage(seen);
  EXPECT_EQ(nav.Subpage(), 1);
  nav.NextSubpage(seen);
  nav.NextSubpage(seen);
  nav.NextSubpage(seen);
  EXPECT_EQ(nav.Subpage(), 1);
  nav.PreviousSubpage(seen);
  EXPECT_EQ(nav.Subpage(), 3);
  nav.NextSubpage({});
  EXPECT_EQ(nav.Subpage(), 3) << "no subpages seen: nothing to step";
  // Links: a new page shows its latest subpage; a link to nowhere is ignored.
  EXPECT_TRUE(nav.Go(0x150));
  EXPECT_EQ(nav.Subpage(), 0);
  EXPECT_FALSE(nav.Go(0));
  EXPECT_FALSE(nav.Go(0x1FF));
  EXPECT_FALSE(nav.Go(0x900));
  EXPECT_EQ(nav.Page(), 0x150);
  nav.Reset();
  EXPECT_EQ(nav.Page(), 0x100);
}

TEST(TeletextPacketQueueTest, KeepsTeletextRecordsInOrderAndDropsTheOldestWhenFull) {
  vd::TeletextPacketQueue queue;
  std::vector<uint8_t> record(46, 0);
  record[0] = 0x85;
  record[1] = 0x80 | 42;
  EXPECT_FALSE(queue.Push(nullptr));
  std::vector<uint8_t> other = record;
  other[1] = 0x80 | 20;  // some other record of the stream
  EXPECT_FALSE(queue.Push(other.data()));
  other = record;
  other[0] = 0x84;
  EXPECT_FALSE(queue.Push(other.data()));
  for (size_t i = 0; i < vd::TeletextPacketQueue::kCapacity + 5; ++i) {
    record[4] = static_cast<uint8_t>(i);
    record[45] = static_cast<uint8_t>(i >> 8);
    EXPECT_TRUE(queue.Push(record.data()));
  }
  EXPECT_EQ(queue.Dropped(), 5u);
  const auto packets = queue.Take();
  ASSERT_EQ(packets.size(), vd::TeletextPacketQueue::kCapacity);
  EXPECT_EQ(packets.front()[0], 5) << "the oldest went first";
  EXPECT_EQ(packets.back()[41], (vd::TeletextPacketQueue::kCapacity + 4) >> 8);
  EXPECT_TRUE(queue.Take().empty());
  EXPECT_EQ(queue.Dropped(), 0u);
}

}  // namespace
