// The drag record's bytes: the three length prefixes, the value, and what decoding refuses.
#include <gtest/gtest.h>

#include <QMimeData>
#include <string>

#include "channel_drag_record.h"

namespace vd {
namespace {

QByteArray Bytes(std::initializer_list<int> values) {
  QByteArray out;
  for (int v : values) out.append(static_cast<char>(v));
  return out;
}

TEST(ChannelDragRecord, StationRecordIsAnEmptyTextAndTheIndex) {
  EXPECT_EQ((ChannelDragRecord{"", 3}.Encode()), Bytes({0, 3, 0, 0, 0}));
  EXPECT_EQ((ChannelDragRecord{"", 0x01020304}.Encode()), Bytes({0, 4, 3, 2, 1}));
  EXPECT_EQ((ChannelDragRecord{"ab", -1}.Encode()), Bytes({2, 'a', 'b', 0xFF, 0xFF, 0xFF, 0xFF}));
}

TEST(ChannelDragRecord, LengthPrefixesAtTheirLimits) {
  auto prefix = [](size_t length, int bytes) {
    return ChannelDragRecord{std::string(length, 'x'), 0}.Encode().left(bytes);
  };
  EXPECT_EQ(prefix(254, 1), Bytes({0xFE}));
  EXPECT_EQ(prefix(255, 3), Bytes({0xFF, 0xFF, 0x00}));
  EXPECT_EQ(prefix(65533, 3), Bytes({0xFF, 0xFD, 0xFF}));
  EXPECT_EQ(prefix(65534, 7), Bytes({0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00}));
  EXPECT_EQ(prefix(70000, 7), Bytes({0xFF, 0xFF, 0xFF, 0x70, 0x11, 0x01, 0x00}));
}

TEST(ChannelDragRecord, RoundTripsAcrossEveryPrefix) {
  for (size_t length : {0u, 1u, 254u, 255u, 65533u, 65534u, 65535u, 70000u}) {
    const ChannelDragRecord in{std::string(length, 'q'), -7};
    const auto out = ChannelDragRecord::Decode(in.Encode());
    ASSERT_TRUE(out.has_value()) << length;
    EXPECT_EQ(out->text, in.text);
    EXPECT_EQ(out->value, -7);
  }
}

TEST(ChannelDragRecord, DecodeRefusesAnythingButExactlyOneRecord) {
  EXPECT_FALSE(ChannelDragRecord::Decode({}));
  EXPECT_FALSE(ChannelDragRecord::Decode(Bytes({0, 1, 0, 0})));        // value cut short
  EXPECT_FALSE(ChannelDragRecord::Decode(Bytes({0, 1, 0, 0, 0, 9})));  // trailing byte
  EXPECT_FALSE(ChannelDragRecord::Decode(Bytes({3, 'a', 1, 0, 0, 0})));
  EXPECT_FALSE(ChannelDragRecord::Decode(Bytes({0xFF, 0x01})));
  EXPECT_FALSE(ChannelDragRecord::Decode(Bytes({0xFF, 0xFE, 0xFF, 0, 0, 0, 0})));  // wide text
  // A u32 length near 4 GiB must not wrap around the buffer's end.
  EXPECT_FALSE(ChannelDragRecord::Decode(Bytes({0xFF, 0xFF, 0xFF, 0xFC, 0xFF, 0xFF, 0xFF, 1, 0})));
}

TEST(ChannelDragRecord, StationIndexForTheMainWindow) {
  auto station = ChannelDragRecord::StationMimeData(4);
  EXPECT_EQ(ChannelDragRecord::StationIndex(station.get()), 4);

  QMimeData album;
  album.setData(ChannelDragRecord::kMimeType, ChannelDragRecord{"/a/b.bmp", -1}.Encode());
  EXPECT_FALSE(ChannelDragRecord::StationIndex(&album));
  QMimeData text;
  text.setText("4");
  EXPECT_FALSE(ChannelDragRecord::StationIndex(&text));
  QMimeData damaged;
  damaged.setData(ChannelDragRecord::kMimeType, Bytes({0, 4, 0}));
  EXPECT_FALSE(ChannelDragRecord::StationIndex(&damaged));
  EXPECT_FALSE(ChannelDragRecord::StationIndex(nullptr));
}

}  // namespace
}  // namespace vd
