// Sliced teletext and LIRC durations turned into the bulk stream, read back by the oracles
// of the two reading libraries.
#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <random>

#include "bulk/remote_codes.h"
#include "bulk/stream_oracles.h"
#include "vd/ir_burst_encoder.h"
#include "vd/teletext_coding.h"
#include "vd/v4l2_bulk_items.h"

namespace vd {
namespace {

// Kernel ABI: V4L2_SLICED_TELETEXT_B and the mode2 value kinds of linux/lirc.h.
constexpr uint32_t kSlicedTeletextB = 0x0001;
constexpr uint32_t kSlicedWss625 = 0x4000;
constexpr uint32_t kLircSpace = 0x00000000, kLircPulse = 0x01000000, kLircTimeout = 0x03000000;

std::vector<uint8_t> SlicedItem(uint32_t id, uint8_t fill, uint32_t line = 7) {
  std::vector<uint8_t> item(SlicedTeletextRecords::kSlicedItemBytes, 0);
  std::memcpy(item.data(), &id, 4);
  std::memcpy(item.data() + 8, &line, 4);
  for (size_t i = 0; i < 48; ++i) item[16 + i] = static_cast<uint8_t>(fill + i);
  return item;
}

bool OddParity(uint8_t b) {
  return std::popcount(b) % 2 == 1;
}

// Mode2 durations of a parser code: pulses and spaces in units of 889 us, the inverse of
// the decoders' reading; `jitter` moves every edge by up to that many microseconds.
std::vector<uint32_t> Mode2Of(uint32_t code, int jitter, std::mt19937& rng) {
  std::vector<std::pair<bool, int>> runs;
  const unsigned units = static_cast<unsigned>(std::bit_width(code));
  for (unsigned unit = 1; unit <= units; ++unit) {
    bool idle = unit < units && ((code >> unit) & 1u) != 0;
    bool pulse = !idle;
    if (!runs.empty() && runs.back().first == pulse) {
      ++runs.back().second;
    } else {
      runs.emplace_back(pulse, 1);
    }
  }
  std::uniform_int_distribution<int> d(-jitter, jitter);
  std::vector<uint32_t> values = {kLircSpace | 50000};  // idle before the press
  for (auto [pulse, n] : runs)
    values.push_back((pulse ? kLircPulse : kLircSpace) | static_cast<uint32_t>(n * 889 + d(rng)));
  values.push_back(kLircSpace | 40000);
  return values;
}

TEST(SlicedTeletextRecordsTest, RecordsAreWellFormed) {
  std::array<uint8_t, 42> packet;
  for (size_t i = 0; i < 42; ++i) packet[i] = static_cast<uint8_t>(0xA0 + i);
  uint8_t counter = 0;
  for (int n = 0; n < 300; ++n) {
    auto record = SlicedTeletextRecords::Record(packet, &counter);
    ASSERT_EQ(record.size(), 46u);
    EXPECT_EQ(record[0], 0x85);
    EXPECT_EQ(record[1] >> 6, 2) << "bits 7-6 of the length byte";
    EXPECT_EQ(record[1] & 0x3F, 42);
    EXPECT_TRUE(OddParity(record[2]));
    EXPECT_TRUE(OddParity(record[3]));
    EXPECT_EQ(record[3] & 0x0F, 0);
    EXPECT_TRUE(std::equal(packet.begin(), packet.end(), record.begin() + 4));
  }
  EXPECT_EQ(counter, 300 % 256);
}

TEST(SlicedTeletextRecordsTest, OnlyWholeTeletextItemsBecomeRecords) {
  std::vector<uint8_t> read;
  for (auto item : {SlicedItem(kSlicedTeletextB, 1), SlicedItem(0, 2), SlicedItem(kSlicedWss625, 3),
                    SlicedItem(kSlicedTeletextB, 4)})
    read.insert(read.end(), item.begin(), item.end());
  auto partial = SlicedItem(kSlicedTeletextB, 5);
  read.insert(read.end(), partial.begin(), partial.begin() + 40);  // cut short
  uint8_t counter = 10;
  auto records = SlicedTeletextRecords::FromRead(read, &counter);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0][4], 1);
  EXPECT_EQ(records[0][45], 1 + 41) << "42 bytes of the line, no more";
  EXPECT_EQ(records[1][4], 4);
  EXPECT_EQ(counter, 12);
  EXPECT_TRUE(SlicedTeletextRecords::FromRead({}, &counter).empty());
}

TEST(SlicedTeletextRecordsTest, BothReadersTakeThePacketsFromTheStream) {
  BulkFieldWriter writer;
  uint8_t counter = 0;
  std::vector<TeletextPacket> sent;
  for (uint8_t row = 1; row <= 23; ++row) {
    sent.push_back(TeletextCoding::Row(1, row, "ROW " + std::to_string(row)));
    writer.Queue(SlicedTeletextRecords::Record(sent.back(), &counter));
  }
  test::ParserOracle parser;
  test::TeletextOracle teletext;
  std::vector<uint8_t> field(1024);
  for (int i = 0; i < 6; ++i) {
    writer.Fill(field.data(), field.size());
    parser.Feed(field);
    teletext.Feed(field);
  }
  ASSERT_EQ(parser.records.size(), sent.size());
  EXPECT_EQ(parser.rejectedHeaders, 0u);
  ASSERT_EQ(teletext.packets.size(), sent.size());
  for (size_t i = 0; i < sent.size(); ++i) {
    EXPECT_TRUE(std::equal(sent[i].begin(), sent[i].end(), parser.records[i].begin() + 4)) << i;
    EXPECT_TRUE(std::equal(sent[i].begin(), sent[i].end(), teletext.packets[i].begin())) << i;
  }
}

TEST(LircRemoteCodesTest, EveryRemoteKeyDecodesFromItsDurations) {
  std::mt19937 rng(5);
  for (uint32_t code : test::kRemoteKeyCodes) {
    for (uint32_t c : {code, test::Toggled(code)}) {
      LircRemoteCodes remote;
      for (uint32_t v : Mode2Of(c, 200, rng)) remote.Feed(v);
      EXPECT_EQ(remote.TakeCodes(), std::vector<uint32_t>{c}) << std::hex << c;
      EXPECT_TRUE(remote.TakeCodes().empty()) << "taken codes are gone";
    }
  }
}

TEST(LircRemoteCodesTest, SplitPulsesTimeoutsAndNoise) {
  std::mt19937 rng(9);
  const uint32_t code = test::kRemoteKeyCodes[20];
  LircRemoteCodes remote;
  // The receiver may split a pulse in two reports; a timeout ends the code like a gap.
  auto values = Mode2Of(code, 0, rng);
  values.pop_back();
  uint32_t first = values[1] & 0xFFFFFF;
  values[1] = kLircPulse | (first - 300);
  values.insert(values.begin() + 2, kLircPulse | 300);
  values.push_back(kLircTimeout | 12000);
  for (uint32_t v : values) remote.Feed(v);
  EXPECT_EQ(remote.TakeCodes(), std::vector<uint32_t>{code});

  // A burst of noise: far too many units for any code.
  for (int i = 0; i < 40; ++i) {
    remote.Feed(kLircPulse | 889);
    remote.Feed(kLircSpace | 889);
  }
  remote.Feed(kLircSpace | 20000);
  // Three idle units in a row cannot be carried.
  remote.Feed(kLircPulse | 889);
  remote.Feed(kLircSpace | 3 * 889);
  remote.Feed(kLircPulse | 889);
  remote.Feed(kLircSpace | 20000);
  EXPECT_TRUE(remote.TakeCodes().empty());
}

TEST(LircRemoteCodesTest, BurstsInTheFieldsDecodeInBothReaders) {
  std::mt19937 rng(3);
  BulkFieldWriter writer;
  LircRemoteCodes remote;
  const std::vector<uint32_t> keys = {test::kRemoteKeyCodes[0], test::kRemoteKeyCodes[13],
                                      test::kRemoteKeyCodes[26]};
  for (uint32_t code : keys)
    for (uint32_t v : Mode2Of(code, 150, rng)) remote.Feed(v);
  for (uint32_t code : remote.TakeCodes())
    for (auto& burst : IrBurstEncoder::Bursts(code)) writer.Queue(std::move(burst));
  test::ParserOracle parser;
  test::TeletextOracle teletext;
  std::vector<uint8_t> field(1024);
  for (int i = 0; i < 20; ++i) {
    writer.Fill(field.data(), field.size());
    parser.Feed(field);
    teletext.Feed(field);
  }
  EXPECT_EQ(parser.codes, keys);
  ASSERT_EQ(teletext.codes.size(), keys.size());
  for (size_t i = 0; i < keys.size(); ++i)
    EXPECT_EQ(teletext.codes[i], test::TeletextFormOf(keys[i])) << i;
}

TEST(BulkFieldWriterTest, ItemsSitBetweenEnoughFiller) {
  BulkFieldWriter writer;
  for (int i = 0; i < 40; ++i) writer.Queue(std::vector<uint8_t>(46, 0x85));
  std::vector<uint8_t> field(1024, 0xEE);
  size_t placed = 0;
  while (writer.Queued() > 0) {
    writer.Fill(field.data(), field.size());
    size_t zeros = 0;
    size_t inField = 0;
    for (size_t i = 0; i < field.size(); ++i) {
      if (field[i] == 0) {
        ++zeros;
        continue;
      }
      ASSERT_GE(zeros, BulkFieldWriter::kMinFiller) << "at " << i;
      ASSERT_TRUE(std::all_of(field.begin() + static_cast<ptrdiff_t>(i),
                              field.begin() + static_cast<ptrdiff_t>(i + 46),
                              [](uint8_t b) { return b == 0x85; }));
      i += 45;
      zeros = 0;
      ++inField;
    }
    EXPECT_GE(zeros, BulkFieldWriter::kTailZeros);
    EXPECT_GT(inField, 0u) << "every field takes what fits";
    placed += inField;
  }
  EXPECT_EQ(placed, 40u);
  writer.Fill(field.data(), field.size());
  EXPECT_TRUE(std::all_of(field.begin(), field.end(), [](uint8_t b) { return b == 0; }));
}

TEST(BulkFieldWriterTest, AnItemThatNeverFitsIsDroppedNotStuck) {
  BulkFieldWriter writer;
  writer.Queue(std::vector<uint8_t>(100, 0x85));
  writer.Queue({0x71, 0xFF});
  writer.Queue({});  // nothing to send
  std::vector<uint8_t> field(150);
  writer.Fill(field.data(), field.size());
  EXPECT_EQ(writer.Queued(), 0u);
  EXPECT_EQ(writer.Dropped(), 1u);
  EXPECT_EQ(field[16], 0x71);

  for (size_t i = 0; i < BulkFieldWriter::kMaxQueuedItems + 5; ++i) writer.Queue({0x85});
  EXPECT_EQ(writer.Queued(), BulkFieldWriter::kMaxQueuedItems);
  EXPECT_EQ(writer.Dropped(), 6u);
}

}  // namespace
}  // namespace vd
