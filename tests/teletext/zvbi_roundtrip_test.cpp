// Teletext packets built by the test encoder go through the ring, a conversion pass and the
// host copy, and an independent decoder (libzvbi) must find page 100 with its text.
#include <gtest/gtest.h>
#include <libzvbi.h>

#include <memory>
#include <string>
#include <vector>

#include "page_text.h"
#include "stream_builder.h"
#include "vbi_converter.h"

namespace {

using vdtest::Append;
using vdtest::Bytes;

TEST(TestEncoderTest, HammingAndParityMatchTheIndependentDecoder) {
  for (int n = 0; n < 16; ++n) {
    EXPECT_EQ(vbi_unham8(vdtest::Hamming84(static_cast<uint8_t>(n))), n) << n;
  }
  for (int c = 0; c < 128; ++c) {
    EXPECT_EQ(vbi_unpar8(vdtest::WithOddParity(static_cast<uint8_t>(c))), c) << c;
  }
}

std::vector<Bytes> Page100() {
  return {
      vdtest::PageHeader(1, 0x00, "VIEWDECK  100  Mon 07 Dec 12:00"),
      vdtest::PageRow(1, 1, "Hello from the bulk pin"),
      vdtest::PageRow(1, 2, "Row two: 0123456789"),
      vdtest::PageRow(1, 22, "Bottom line"),
      // The next header of the magazine ends page 100's transmission.
      vdtest::PageHeader(1, 0x01, "VIEWDECK  101"),
  };
}

TEST(ZvbiRoundTripTest, PageHundredSurvivesRingPassAndCopy) {
  auto conv = std::make_unique<vd::VbiConverter>();
  // Start near the end of the ring so records straddle it.
  Bytes lead = vdtest::Filler(vd::RawRing::kSize - 100);
  ASSERT_TRUE(conv->Ring().Write(lead.data(), lead.size()));
  conv->ConvertPass();

  Bytes stream = vdtest::Filler(16);
  for (const Bytes& packet : Page100()) Append(stream, vdtest::Record(packet));
  Append(stream, vdtest::Filler(64));
  // Delivered in uneven samples, a pass after each, as the worker would see them.
  for (size_t at = 0; at < stream.size(); at += 37) {
    const size_t n = std::min<size_t>(37, stream.size() - at);
    ASSERT_TRUE(conv->Ring().Write(stream.data() + at, n));
    conv->ConvertPass();
  }
  ASSERT_EQ(conv->PacketsInBuffer(), 5u);
  std::vector<uint8_t> host(5 * 42);
  ASSERT_EQ(conv->TakePackets(host.data(), host.size()), 5u);

  vd::PageText decoder;
  for (size_t i = 0; i < 5; ++i) decoder.Feed(host.data() + i * 42);
  auto page = decoder.Page(0x100);
  ASSERT_TRUE(page.has_value()) << "libzvbi did not find page 100";
  ASSERT_GE(page->size(), 23u);
  EXPECT_EQ((*page)[1].substr(0, 23), "Hello from the bulk pin");
  EXPECT_EQ((*page)[2].substr(0, 19), "Row two: 0123456789");
  EXPECT_EQ((*page)[22].substr(0, 11), "Bottom line");
  EXPECT_NE((*page)[0].find("VIEWDECK"), std::string::npos);
  EXPECT_FALSE(decoder.Page(0x200).has_value());
}

TEST(ZvbiRoundTripTest, CorruptedRecordHeaderLosesOnlyThatRow) {
  auto conv = std::make_unique<vd::VbiConverter>();
  Bytes stream = vdtest::Filler(16);
  auto packets = Page100();
  for (size_t i = 0; i < packets.size(); ++i) {
    // Row two's record header fails its parity test.
    Append(stream, i == 2 ? vdtest::Record(packets[i], 0x03) : vdtest::Record(packets[i]));
  }
  ASSERT_TRUE(conv->Ring().Write(stream.data(), stream.size()));
  conv->ConvertPass();
  ASSERT_EQ(conv->PacketsInBuffer(), 4u);
  vd::PageText decoder;
  for (uint32_t i = 0; i < 4; ++i) decoder.Feed(conv->Slot(i));
  auto page = decoder.Page(0x100);
  ASSERT_TRUE(page.has_value());
  EXPECT_EQ((*page)[1].substr(0, 23), "Hello from the bulk pin");
  EXPECT_EQ((*page)[2], std::string(40, ' '));
}

}  // namespace
