// The channel file layout, byte for byte, and how damaged files are read.
#include <gtest/gtest.h>

#include "vd/tuning/channel_file.h"

namespace vd {
namespace {

void Put(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void PutStation(std::vector<uint8_t>& out, uint32_t id, const std::string& name, uint32_t hz,
                uint32_t number) {
  Put(out, id);
  Put(out, static_cast<uint32_t>(name.size()));
  out.insert(out.end(), name.begin(), name.end());
  Put(out, hz);
  Put(out, number);
}

const std::vector<CChannel> kTwo = {CChannel(7, "  5 ", 77250000, 5),
                                    CChannel(12, " 12 ", 203250000, 12)};

TEST(ChannelFile, TvFileHasNoCurrentIndex) {
  std::vector<uint8_t> expected;
  Put(expected, 2);
  PutStation(expected, 7, "  5 ", 77250000, 5);
  PutStation(expected, 12, " 12 ", 203250000, 12);
  EXPECT_EQ(ChannelFile::Encode(kTwo, false, 1), expected);
}

TEST(ChannelFile, RadioFileStoresCurrentAfterCount) {
  const std::vector<uint8_t> bytes = ChannelFile::Encode(kTwo, true, 1);
  const std::vector<uint8_t> head = {2, 0, 0, 0, 1, 0, 0, 0, 7, 0, 0, 0, 4, 0, 0, 0, ' ', ' ', '5'};
  ASSERT_GE(bytes.size(), head.size());
  EXPECT_TRUE(std::equal(head.begin(), head.end(), bytes.begin()));
  EXPECT_EQ(bytes.size(), 8u + 2 * 16 + 8);
  const std::vector<uint8_t> none = ChannelFile::Encode({}, true, -1);
  EXPECT_EQ(none, (std::vector<uint8_t>{0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}));
}

TEST(ChannelFile, RoundTripKeepsEveryField) {
  for (bool radio : {false, true}) {
    ChannelFileContents back = ChannelFile::Decode(ChannelFile::Encode(kTwo, radio, 1), radio);
    EXPECT_FALSE(back.damage);
    EXPECT_EQ(back.stations, kTwo);
    EXPECT_EQ(back.current, radio ? 1 : -1);
  }
}

TEST(ChannelFile, NameEndsAtLineFeed) {
  std::vector<uint8_t> bytes;
  Put(bytes, 1);
  PutStation(bytes, 3, "ab\ncd", 1000, 2);
  ChannelFileContents c = ChannelFile::Decode(bytes, false);
  ASSERT_EQ(c.stations.size(), 1u);
  EXPECT_EQ(c.stations[0].Name(), "ab");
  EXPECT_EQ(c.stations[0].frequency, 1000u);  // the rest of the record is still in step
}

TEST(ChannelFile, LongNamesAreCutOnACharacterBoundary) {
  CChannel c(0, std::string(30, 'x') + "\xC3\xA9" + "yz", 1, 1);  // é straddles byte 31
  EXPECT_EQ(c.Name(), std::string(30, 'x'));
  c.SetName(std::string(40, 'a'));
  EXPECT_EQ(c.Name().size(), CChannel::kMaxNameBytes);
}

// Two good stations, then whatever the case appends.
std::vector<uint8_t> GoodPrefix(uint32_t count, bool radio, int32_t current = 0) {
  std::vector<uint8_t> bytes;
  Put(bytes, count);
  if (radio) Put(bytes, static_cast<uint32_t>(current));
  PutStation(bytes, 1, "one", 100, 1);
  PutStation(bytes, 2, "two", 200, 2);
  return bytes;
}

TEST(ChannelFileDamage, KeepsTheStationsBeforeTheDamage) {
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
  };
  std::vector<Case> cases;
  cases.push_back({"truncated after two", GoodPrefix(3, false)});
  auto mid = GoodPrefix(3, false);
  Put(mid, 3);
  Put(mid, 5);
  mid.push_back('a');  // name cut short
  cases.push_back({"name beyond end", mid});
  auto bigId = GoodPrefix(3, false);
  PutStation(bigId, 3000, "x", 1, 1);
  cases.push_back({"id 3000", bigId});
  auto dup = GoodPrefix(3, false);
  PutStation(dup, 2, "again", 1, 1);
  cases.push_back({"duplicate id", dup});
  auto longName = GoodPrefix(3, false);
  PutStation(longName, 3, std::string(32, 'n'), 1, 1);
  cases.push_back({"name of 32", longName});
  auto noFreq = GoodPrefix(3, false);
  PutStation(noFreq, 3, "x", 1, 1);
  noFreq.resize(noFreq.size() - 6);
  cases.push_back({"record cut", noFreq});
  cases.push_back({"huge count", GoodPrefix(0xFFFFFFFFu, false)});

  for (const Case& c : cases) {
    ChannelFileContents got = ChannelFile::Decode(c.bytes, false);
    EXPECT_TRUE(got.damage) << c.what;
    ASSERT_EQ(got.stations.size(), 2u) << c.what;
    EXPECT_EQ(got.stations[1].Name(), "two") << c.what;
  }
}

TEST(ChannelFileDamage, CountAboveCapacityReadsNoMoreThanCapacity) {
  std::vector<CChannel> full;
  for (uint32_t i = 0; i < ChannelFile::kCapacity; ++i) full.emplace_back(i, "s", i, i);
  std::vector<uint8_t> bytes = ChannelFile::Encode(full, false, 0);
  bytes[0] = 0xB9;  // 3001
  PutStation(bytes, 2999, "extra", 1, 1);
  ChannelFileContents got = ChannelFile::Decode(bytes, false);
  EXPECT_TRUE(got.damage);
  EXPECT_EQ(got.stations.size(), ChannelFile::kCapacity);
}

TEST(ChannelFileDamage, RadioCurrentOutOfRange) {
  for (int32_t current : {2, 5, -2}) {
    ChannelFileContents got = ChannelFile::Decode(GoodPrefix(2, true, current), true);
    EXPECT_TRUE(got.damage) << current;
    EXPECT_EQ(got.current, -1) << current;
    EXPECT_EQ(got.stations.size(), 2u) << current;
  }
  ChannelFileContents fine = ChannelFile::Decode(GoodPrefix(2, true, -1), true);
  EXPECT_FALSE(fine.damage);
}

TEST(ChannelFileDamage, TooShortForTheHeader) {
  EXPECT_TRUE(ChannelFile::Decode(std::vector<uint8_t>{1, 0}, false).damage);
  EXPECT_TRUE(ChannelFile::Decode(std::vector<uint8_t>{0, 0, 0, 0}, true).damage);
  ChannelFileContents empty = ChannelFile::Decode(std::vector<uint8_t>{0, 0, 0, 0}, false);
  EXPECT_FALSE(empty.damage);
  EXPECT_TRUE(empty.stations.empty());
}

}  // namespace
}  // namespace vd
