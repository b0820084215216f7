#include "vd/teletext_coding.h"

#include <gtest/gtest.h>

#include <bit>

namespace vd {
namespace {

TEST(TeletextCodingTest, HammingCodesMatchTheBroadcastTable) {
  // The code words as every teletext decoder's table lists them.
  constexpr uint8_t kTable[16] = {0x15, 0x02, 0x49, 0x5E, 0x64, 0x73, 0x38, 0x2F,
                                  0xD0, 0xC7, 0x8C, 0x9B, 0xA1, 0xB6, 0xFD, 0xEA};
  for (uint8_t n = 0; n < 16; ++n) {
    EXPECT_EQ(TeletextCoding::Hamming84(n), kTable[n]) << "nibble " << int{n};
    EXPECT_EQ(TeletextCoding::Hamming84(static_cast<uint8_t>(n | 0xF0)), kTable[n]);
  }
}

TEST(TeletextCodingTest, HammingCorrectsEverySingleErrorAndRejectsEveryDoubleError) {
  for (uint8_t n = 0; n < 16; ++n) {
    const uint8_t word = TeletextCoding::Hamming84(n);
    EXPECT_EQ(TeletextCoding::DecodeHamming84(word), n);
    for (int a = 0; a < 8; ++a) {
      EXPECT_EQ(TeletextCoding::DecodeHamming84(static_cast<uint8_t>(word ^ (1u << a))), n);
      for (int b = a + 1; b < 8; ++b) {
        EXPECT_EQ(
            TeletextCoding::DecodeHamming84(static_cast<uint8_t>(word ^ (1u << a) ^ (1u << b))), -1)
            << "nibble " << int{n} << " bits " << a << "," << b;
      }
    }
  }
}

TEST(TeletextCodingTest, OddParityKeepsTheCharacterAndMakesTheByteOdd) {
  for (unsigned c = 0; c < 256; ++c) {
    const uint8_t b = TeletextCoding::OddParity(static_cast<uint8_t>(c));
    EXPECT_EQ(b & 0x7F, c & 0x7F);
    EXPECT_EQ(std::popcount(static_cast<unsigned>(b)) % 2, 1) << "char " << c;
  }
}

TEST(TeletextCodingTest, PageHeaderCarriesAddressPageSubcodeAndControlBits) {
  const TeletextPacket p = TeletextCoding::PageHeader(
      0x8A7, 0x3F5A, TeletextCoding::kErasePage | TeletextCoding::kMagazineSerial, "CLOCK");
  auto h = [&p](size_t i) { return TeletextCoding::DecodeHamming84(p[i]); };
  EXPECT_EQ(h(0), 0);  // magazine 8 as 0, row bit 0 clear
  EXPECT_EQ(h(1), 0);  // row 0
  EXPECT_EQ(h(2), 0x7);
  EXPECT_EQ(h(3), 0xA);
  EXPECT_EQ(h(4), 0xA);        // S1
  EXPECT_EQ(h(5), 0x5 | 0x8);  // S2 and C4
  EXPECT_EQ(h(6), 0xF);        // S3
  EXPECT_EQ(h(7), 0x3);        // S4, C5 and C6 clear
  EXPECT_EQ(h(8), 0);          // C7..C10
  EXPECT_EQ(h(9), 0x1);        // C11
  EXPECT_EQ(p[10] & 0x7F, 'C');
  EXPECT_EQ(p[14] & 0x7F, 'K');
  EXPECT_EQ(p[15] & 0x7F, ' ');  // padded
  EXPECT_EQ(p[41] & 0x7F, ' ');
}

TEST(TeletextCodingTest, RowAddressSplitsTheRowOverBothBytes) {
  for (uint8_t row = 1; row <= 23; ++row) {
    const TeletextPacket p = TeletextCoding::Row(3, row, "x");
    const int a = TeletextCoding::DecodeHamming84(p[0]);
    const int b = TeletextCoding::DecodeHamming84(p[1]);
    EXPECT_EQ(a & 7, 3);
    EXPECT_EQ((a >> 3) | (b << 1), row);
  }
}

TEST(TeletextCodingTest, TextTooLongIsCutAndNonAsciiIsReplaced) {
  const std::string longText(60, 'A');
  const TeletextPacket p = TeletextCoding::Row(1, 1, longText + "\xC3\xA9");
  for (size_t i = 2; i < p.size(); ++i) EXPECT_EQ(p[i] & 0x7F, 'A');
  const TeletextPacket q = TeletextCoding::Row(1, 1, "\xC3\xA9");
  EXPECT_EQ(q[2] & 0x7F, '?');
  EXPECT_EQ(q[3] & 0x7F, '?');
}

}  // namespace
}  // namespace vd
