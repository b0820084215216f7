#include "vd/album/drag_record.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace vd {
namespace {

using ::testing::ElementsAre;

std::vector<uint8_t> Head(const std::vector<uint8_t>& bytes, size_t n) {
  return std::vector<uint8_t>(bytes.begin(), bytes.begin() + static_cast<ptrdiff_t>(n));
}
std::vector<uint8_t> Tail(const std::vector<uint8_t>& bytes, size_t n) {
  return std::vector<uint8_t>(bytes.end() - static_cast<ptrdiff_t>(n), bytes.end());
}

TEST(DragRecord, AShortPathHasAOneByteLength) {
  const DragRecord record{"/g/Family/a.avi", DragRecord::kFileValue};
  const auto bytes = record.Encode();
  ASSERT_EQ(bytes.size(), 1u + 15u + 4u);
  EXPECT_EQ(bytes[0], 15);
  EXPECT_EQ(std::string(bytes.begin() + 1, bytes.begin() + 16), "/g/Family/a.avi");
  EXPECT_THAT(Tail(bytes, 4), ElementsAre(0xFF, 0xFF, 0xFF, 0xFF));
}

TEST(DragRecord, A300BytePathHasAMarkedSixteenBitLength) {
  const DragRecord record{std::string(300, 'p'), -1};
  const auto bytes = record.Encode();
  ASSERT_EQ(bytes.size(), 3u + 300u + 4u);
  EXPECT_THAT(Head(bytes, 3), ElementsAre(0xFF, 0x2C, 0x01));
  EXPECT_EQ(bytes[3], 'p');
  EXPECT_EQ(bytes[302], 'p');
  EXPECT_THAT(Tail(bytes, 4), ElementsAre(0xFF, 0xFF, 0xFF, 0xFF));
}

TEST(DragRecord, LengthPrefixBoundaries) {
  auto prefix = [](size_t length, size_t n) {
    return Head(DragRecord{std::string(length, 'x'), 0}.Encode(), n);
  };
  EXPECT_THAT(prefix(254, 1), ElementsAre(254));
  EXPECT_THAT(prefix(255, 3), ElementsAre(0xFF, 0xFF, 0));
  EXPECT_THAT(prefix(65533, 3), ElementsAre(0xFF, 0xFD, 0xFF));
  EXPECT_THAT(prefix(65534, 7), ElementsAre(0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0, 0));
  EXPECT_THAT(prefix(70000, 7), ElementsAre(0xFF, 0xFF, 0xFF, 0x70, 0x11, 0x01, 0x00));
}

TEST(DragRecord, AStationRecordCarriesItsIndex) {
  const DragRecord station{"", 0x01020304};
  EXPECT_THAT(station.Encode(), ElementsAre(0, 4, 3, 2, 1));
}

TEST(DragRecord, DecodeReadsBackEveryLengthForm) {
  for (size_t n : {0u, 1u, 254u, 255u, 300u, 65533u, 65534u, 70000u}) {
    const DragRecord record{std::string(n, 'q'), -1};
    const auto decoded = DragRecord::Decode(record.Encode());
    ASSERT_TRUE(decoded.has_value()) << n;
    EXPECT_EQ(decoded->text, record.text);
    EXPECT_EQ(decoded->value, -1);
  }
}

TEST(DragRecord, DecodeRefusesAnythingButExactlyOneRecord) {
  const auto good = DragRecord{"abc", 7}.Encode();
  for (size_t n = 0; n < good.size(); ++n) {
    EXPECT_FALSE(DragRecord::Decode(Head(good, n)).has_value()) << n;
  }
  auto longer = good;
  longer.push_back(0);
  EXPECT_FALSE(DragRecord::Decode(longer).has_value());
  // The wide-text marker and lengths beyond the data.
  EXPECT_FALSE(DragRecord::Decode(std::vector<uint8_t>{0xFF, 0xFE, 0xFF, 0, 0, 0, 0}));
  EXPECT_FALSE(DragRecord::Decode(
      std::vector<uint8_t>{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0}));
  EXPECT_FALSE(DragRecord::Decode(std::vector<uint8_t>{9, 'a', 0, 0, 0, 0}));
}

}  // namespace
}  // namespace vd
