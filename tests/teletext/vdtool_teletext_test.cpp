// vdtool teletext over a recorded stream file: packets, remote codes and a page as text.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include <sys/wait.h>
#include <unistd.h>

#include "stream_builder.h"

namespace {

using vdtest::Append;
using vdtest::Bytes;

struct RunResult {
  int status = -1;
  std::string output;
};

RunResult RunVdtool(const std::string& arguments) {
  RunResult r;
  const std::string command = std::string(VDTOOL_PATH) + " teletext " + arguments + " 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return r;
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) r.output.append(buffer, n);
  const int status = pclose(pipe);
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

class VdtoolTeletextTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir =
        std::filesystem::temp_directory_path() / ("vdtool_teletext_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    Bytes s = vdtest::Filler(64);
    Append(s, vdtest::Record(vdtest::PageHeader(1, 0x00, "VIEWDECK 100")));
    Append(s, vdtest::Record(vdtest::PageRow(1, 3, "Weather: sunny")));
    Append(s, vdtest::Burst({0xFF, 0x0F, 0xF0, 0xFF, 0xFF}));
    Append(s, vdtest::Filler(40));
    Append(s, vdtest::Record(vdtest::PageHeader(1, 0x01, "VIEWDECK 101")));
    Append(s, vdtest::Filler(40));
    file = (dir / "bulk.bin").string();
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(s.data()), static_cast<std::streamsize>(s.size()));
  }
  void TearDown() override { std::filesystem::remove_all(dir); }

  std::filesystem::path dir;
  std::string file;
};

TEST_F(VdtoolTeletextTest, PrintsPacketsRemoteCodesAndThePage) {
  // Small samples: records and the burst straddle sample boundaries.
  const RunResult r = RunVdtool(file + " --page 100 --sample 7");
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_NE(r.output.find("packet 0 magazine 1 row 0\n"), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("packet 1 magazine 1 row 3\n"), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("packet 1 magazine 1 row 3\nremote 4 0x6\npacket 2 magazine 1 row 0\n"),
            std::string::npos)
      << r.output;
  EXPECT_NE(r.output.find("3 packets, 1 remote codes, 0 samples dropped\n"), std::string::npos);
  EXPECT_NE(r.output.find("page 100:\n"), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("Weather: sunny"), std::string::npos) << r.output;
}

TEST_F(VdtoolTeletextTest, SameOutputForAnySampleSize) {
  const RunResult small = RunVdtool(file + " --sample 1");
  const RunResult large = RunVdtool(file);
  EXPECT_EQ(small.status, 0);
  EXPECT_EQ(small.output, large.output);
}

TEST_F(VdtoolTeletextTest, BadArgumentsAreUsageErrors) {
  EXPECT_EQ(RunVdtool("").status, 2);
  EXPECT_EQ(RunVdtool(file + " --page 99").status, 2);
  EXPECT_EQ(RunVdtool(file + " --page 1x0").status, 2);
  EXPECT_EQ(RunVdtool(file + " --sample 0").status, 2);
  EXPECT_EQ(RunVdtool(file + " --sample 20161").status, 2);
  EXPECT_EQ(RunVdtool(file + " --sample").status, 2);
  const RunResult missing = RunVdtool((dir / "nope.bin").string());
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.output.find("cannot open"), std::string::npos);
}

TEST_F(VdtoolTeletextTest, MissingPageIsReported) {
  const RunResult r = RunVdtool(file + " --page 200");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.output.find("page 200 not found"), std::string::npos) << r.output;
}

}  // namespace
