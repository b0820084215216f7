#include "vd/guid.h"

#include <gtest/gtest.h>

namespace {

TEST(Guid, ParsesAndPrintsTheSameText) {
  constexpr auto g = vd::MakeGuid("{6E238DA7-C1B9-11D2-922A-00A024AAAD37}");
  EXPECT_EQ(g.ToString(), "{6E238DA7-C1B9-11D2-922A-00A024AAAD37}");
  EXPECT_EQ(g.data1, 0x6E238DA7u);
  EXPECT_EQ(g.data4[7], 0x37);
}

TEST(Guid, BytesAreInMemoryLayoutOrder) {
  auto b = vd::MakeGuid("{01020304-0506-0708-090A-0B0C0D0E0F10}").Bytes();
  const std::array<uint8_t, 16> want = {4, 3, 2, 1, 6, 5, 8, 7, 9, 10, 11, 12, 13, 14, 15, 16};
  EXPECT_EQ(b, want);
}

TEST(Guid, RejectsMalformedText) {
  EXPECT_FALSE(vd::ParseGuid("{6E238DA7-C1B9-11D2-922A-00A024AAAD3}"));
  EXPECT_FALSE(vd::ParseGuid("6E238DA7xC1B9-11D2-922A-00A024AAAD37"));
  EXPECT_FALSE(vd::ParseGuid("{6E238DA7-C1B9-11D2-922A-00A024AAAD3G}"));
  EXPECT_TRUE(vd::ParseGuid("6e238da7-c1b9-11d2-922a-00a024aaad37"));
}

}  // namespace
