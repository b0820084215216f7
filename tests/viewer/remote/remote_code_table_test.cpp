// The code table: every key in both toggle forms, and nothing else.
#include <gtest/gtest.h>

#include <set>

#include "vd/remote/remote_code_table.h"

namespace vd {
namespace {

TEST(RemoteCodeTable, EveryKeyInBothToggleForms) {
  const std::set<int> expectedKeys{0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 12, 14, 16,
                                   17, 18, 20, 22, 28, 30, 32, 33, 34, 36, 46, 56, 62};
  std::set<int> keys;
  for (const auto& e : RemoteCodeTable::Entries()) {
    EXPECT_EQ(RemoteCodeTable::KeyOf(e.code), e.key) << std::hex << e.code;
    EXPECT_EQ(RemoteCodeTable::KeyOf(e.toggled), e.key) << std::hex << e.toggled;
    // The toggle bit is one bit of the remote's frame; in these bi-phase codes it shows as
    // two raw bits (0x30).
    EXPECT_EQ(e.code ^ e.toggled, 0x30u) << std::hex << e.code;
    EXPECT_TRUE(keys.insert(e.key).second) << "key listed twice: " << int(e.key);
  }
  EXPECT_EQ(keys, expectedKeys);
}

TEST(RemoteCodeTable, SpotChecksAgainstTheKeyNumbers) {
  EXPECT_EQ(RemoteCodeTable::KeyOf(0x2AAAAA4), 0);
  EXPECT_EQ(RemoteCodeTable::KeyOf(0x69AAA94), 9);
  EXPECT_EQ(RemoteCodeTable::KeyOf(0x25AAA94), remote_key::kPower);
  EXPECT_EQ(RemoteCodeTable::KeyOf(0x2A9AAA4), remote_key::kChannelUp);
  EXPECT_EQ(RemoteCodeTable::KeyOf(0x6A9AA94), remote_key::kChannelDown);
  EXPECT_EQ(RemoteCodeTable::KeyOf(0x269AAA4), remote_key::kMute);
  EXPECT_EQ(RemoteCodeTable::KeyOf(0x155AA94), remote_key::kFmMemory);
}

TEST(RemoteCodeTable, UnknownCodesHaveNoKey) {
  for (uint32_t code :
       {0u, 1u, 0xFFFFFFFFu, 0x2AAAAB4u, 0x2AAAA84u, 0x3AAAAA4u, 0xAAAAA4u, 0x12AAAAA4u}) {
    EXPECT_EQ(RemoteCodeTable::KeyOf(code), remote_key::kNone) << std::hex << code;
  }
}

}  // namespace
}  // namespace vd
