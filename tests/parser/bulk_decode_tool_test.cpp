// `vdtool bulk decode` over a stream file made here: its lines and counts.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "run_command.h"
#include "stream_builder.h"

namespace {

using Result = vdtest::CommandResult;

Result RunTool(const std::string& arguments) {
  return vdtest::RunCommand(std::string(VD_VDTOOL) + " bulk decode " + arguments);
}

class BulkDecodeTool : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = ::testing::TempDir() + "bulk_decode_" + std::to_string(getpid()) + ".bin";
    vdtest::Bytes s = vdtest::Filler(30);
    vdtest::Append(s, vdtest::Record(0x01, 0x02, {0xAB, 0xCD}));
    vdtest::Append(s, vdtest::Bursts(vdtest::IrSamples(0x2A9AAA4)));
    vdtest::Append(s, vdtest::Record(0x04, 0x07, {}));
    vdtest::Append(s, vdtest::Filler(100));
    std::ofstream(path_, std::ios::binary)
        .write(reinterpret_cast<const char*>(s.data()), static_cast<std::streamsize>(s.size()));
    size_ = s.size();
  }
  void TearDown() override { std::remove(path_.c_str()); }
  std::string path_;
  size_t size_ = 0;
};

TEST_F(BulkDecodeTool, PrintsRecordsCodesAndCounts) {
  const Result r = RunTool(path_ + " --sample 7");
  EXPECT_EQ(r.status, 0);
  const std::string samples = std::to_string((size_ + 6) / 7);
  EXPECT_EQ(r.out,
            "record len=6 A=0x01 B=0x02 payload=ABCD\n"
            "remote 0x2A9AAA4\n"
            "record len=4 A=0x04 B=0x07 payload=\n" +
                std::to_string(size_) + " bytes in " + samples +
                " samples: 2 records, 1 remote codes, 0 samples dropped, 67 bytes left "
                "unscanned\n");
}

TEST_F(BulkDecodeTool, CompactRulesGiveNoCodes) {
  const Result r = RunTool(path_ + " --compact");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out.find("remote 0x"), std::string::npos);
  EXPECT_NE(r.out.find("0 remote codes"), std::string::npos);
}

TEST_F(BulkDecodeTool, SampleTooLargeForTheRingIsReportedAsDropped) {
  vdtest::Bytes big = vdtest::Filler(70000);
  vdtest::Append(big, vdtest::Record(0x01, 0x02, {}));
  vdtest::Append(big, vdtest::Filler(100));
  std::ofstream(path_, std::ios::binary)
      .write(reinterpret_cast<const char*>(big.data()), static_cast<std::streamsize>(big.size()));
  // 65,536 bytes do not fit the compact ring (a write may not fill it); the rest is decoded.
  Result r = RunTool(path_ + " --compact --sample 65536");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("1 records, 0 remote codes, 1 samples dropped"), std::string::npos) << r.out;
  // The full build's ring takes the same sample.
  r = RunTool(path_ + " --sample 65536");
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("0 samples dropped"), std::string::npos) << r.out;
}

TEST_F(BulkDecodeTool, BadArgumentsAreRefusedWithAMessage) {
  Result r = RunTool(path_ + " --sample 0");
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.out.find("--sample wants a positive byte count"), std::string::npos);
  r = RunTool("/nonexistent/bulk.bin");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("cannot open /nonexistent/bulk.bin"), std::string::npos);
  r = RunTool("");
  EXPECT_EQ(r.status, 2);
}

}  // namespace
