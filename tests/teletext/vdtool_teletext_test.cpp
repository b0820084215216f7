// vdtool teletext over a recorded stream file and on the virtual TV box: packets, remote
// codes and a page as text.
#include <gtest/gtest.h>

#include <algorithm>
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

// `environment` goes in front of the command, e.g. "NAME=value ".
RunResult RunVdtool(const std::string& arguments, const std::string& environment = "") {
  RunResult r;
  const std::string command =
      environment + std::string(VDTOOL_PATH) + " teletext " + arguments + " 2>&1";
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

TEST_F(VdtoolTeletextTest, RenderingPrintsOnlyWhatWasAskedAndAnUnreadableFileFails) {
  // The file's burst is not part of a page or a name.
  RunResult r = RunVdtool(file + " --text");
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_EQ(r.output.find("remote"), std::string::npos) << r.output;
  EXPECT_EQ(std::count(r.output.begin(), r.output.end(), '\n'), 25) << r.output;
  r = RunVdtool(file + " --name");
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_EQ(r.output, "VIEWDECK\n");

  r = RunVdtool(dir.string());
  EXPECT_EQ(r.status, 1) << r.output;
  EXPECT_NE(r.output.find("cannot read"), std::string::npos) << r.output;
  EXPECT_EQ(r.output.find("packets"), std::string::npos) << r.output;
}

// The virtual box in the child process, configured through its file: on a station of our
// own naming from the start.
class VdtoolTeletextDeviceTest : public VdtoolTeletextTest {
 protected:
  std::string BoxWith(const std::string& config) {
    const auto path = dir / "virtualbox.conf";
    std::ofstream(path) << config;
    return "VIEWDECK_VIRTUAL_BOX_CONFIG='" + path.string() + "' ";
  }
};

TEST_F(VdtoolTeletextDeviceTest, ReadsTheStationsPagesFromTheDevice) {
  const std::string box = BoxWith("lock_time_ms = 0\ntv_station = 55.25 Vdtool Eins\n");
  const RunResult r = RunVdtool("--device --seconds 3 --page 100", box);
  EXPECT_EQ(r.status, 0) << r.output;
  // The front page goes out first once the station is received.
  EXPECT_EQ(r.output.rfind("packet 0 magazine 1 row 0\npacket 1 magazine 1 row 27\n", 0), 0u)
      << r.output.substr(0, 200);
  unsigned long long packets = 0, remotes = 99;
  const size_t totals = r.output.find(" packets, ");
  ASSERT_NE(totals, std::string::npos) << r.output;
  const size_t lineStart = r.output.rfind('\n', totals) + 1;
  ASSERT_EQ(std::sscanf(r.output.c_str() + lineStart, "%llu packets, %llu remote codes", &packets,
                        &remotes),
            2);
  EXPECT_GE(packets, 24u) << "at least the front page";
  EXPECT_EQ(remotes, 0u);
  const size_t page = r.output.find("page 100:\n");
  ASSERT_NE(page, std::string::npos) << r.output.substr(lineStart);
  EXPECT_NE(r.output.find("Welcome to the teletext service of", page), std::string::npos);
  EXPECT_NE(r.output.find("Vdtool Eins", page), std::string::npos);
}

TEST_F(VdtoolTeletextDeviceTest, DrawsThePageAndNamesTheNetwork) {
  const std::string box = BoxWith("lock_time_ms = 0\ntv_station = 55.25 Vdtool Eins\n");
  const std::string png = (dir / "page.png").string();
  RunResult r = RunVdtool("--device --page 100 --png " + png, box);
  ASSERT_EQ(r.status, 0) << r.output;
  EXPECT_EQ(r.output, "") << "a picture, not a packet listing";
  std::ifstream in(png, std::ios::binary);
  std::string head(24, '\0');
  in.read(head.data(), 24);
  ASSERT_EQ(head.substr(0, 8), "\x89PNG\r\n\x1a\n");
  auto be32 = [&head](size_t at) {
    return static_cast<unsigned>(static_cast<unsigned char>(head[at])) << 24 |
           static_cast<unsigned>(static_cast<unsigned char>(head[at + 1])) << 16 |
           static_cast<unsigned>(static_cast<unsigned char>(head[at + 2])) << 8 |
           static_cast<unsigned>(static_cast<unsigned char>(head[at + 3]));
  };
  EXPECT_EQ(be32(16), 480u) << "40 columns of 12 pixels";
  EXPECT_EQ(be32(20), 250u) << "25 rows of 10 pixels";

  r = RunVdtool("--device --text", box);
  ASSERT_EQ(r.status, 0) << r.output;
  EXPECT_NE(r.output.find("Welcome to the teletext service of"), std::string::npos) << r.output;
  EXPECT_EQ(std::count(r.output.begin(), r.output.end(), '\n'), 25);

  r = RunVdtool("--device --name", box);
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_EQ(r.output, "Vdtool Eins\n");

  // What cannot be done is said before the device is opened.
  EXPECT_EQ(RunVdtool("--device --name --page 100", box).status, 2);
  r = RunVdtool("--device --png " + (dir / "missing" / "page.png").string(), box);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.output.find("cannot write"), std::string::npos) << r.output;
  r = RunVdtool("--device --seconds 1 --page 777 --text", box);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.output.find("page 777 was not received in 1 s"), std::string::npos) << r.output;
}

TEST_F(VdtoolTeletextDeviceTest, DeviceWithoutBulkPinIsReported) {
  const RunResult r = RunVdtool("--device --seconds 1", BoxWith("bulk_pin = no\n"));
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.output.find("no capture device with a bulk pin"), std::string::npos) << r.output;
}

TEST_F(VdtoolTeletextDeviceTest, BadDeviceArgumentsAreUsageErrors) {
  EXPECT_EQ(RunVdtool("--device " + file).status, 2);
  EXPECT_EQ(RunVdtool("--device --seconds 0").status, 2);
  EXPECT_EQ(RunVdtool("--device --seconds -1").status, 2);
  EXPECT_EQ(RunVdtool("--device --seconds 2s").status, 2);
  EXPECT_EQ(RunVdtool("--device --seconds").status, 2);
  EXPECT_EQ(RunVdtool("--device --sample 64").status, 2);
  EXPECT_EQ(RunVdtool(file + " --seconds 1").status, 2);
}

}  // namespace
