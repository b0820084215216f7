// The shipped libteletext.so as a host sees it: only four C symbols, callable through dlsym,
// and a header that a C99 compiler accepts.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include <unistd.h>

#include "teletext.h"

extern "C" int TeletextHeaderC99Check(void);

namespace {

std::set<std::string> DefinedDynamicSymbols(const std::string& library) {
  std::set<std::string> names;
  const std::string command = "nm -D --defined-only '" + library + "'";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return names;
  char line[512];
  while (std::fgets(line, sizeof line, pipe) != nullptr) {
    char address[64], type[8], name[400];
    if (std::sscanf(line, "%63s %7s %399s", address, type, name) == 3) names.insert(name);
  }
  pclose(pipe);
  return names;
}

TEST(TeletextAbiTest, ExportsExactlyTheFourFunctions) {
  const auto names = DefinedDynamicSymbols(TELETEXT_SO_PATH);
  EXPECT_EQ(names, (std::set<std::string>{"IR_Exit", "IR_Init", "WST_Control", "WST_ReadData"}));
}

TEST(TeletextAbiTest, HostCallsThroughDlsymWithoutADevice) {
  void* handle = dlopen(TELETEXT_SO_PATH, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(handle, nullptr) << dlerror();
  auto control = reinterpret_cast<decltype(&WST_Control)>(dlsym(handle, "WST_Control"));
  auto read = reinterpret_cast<decltype(&WST_ReadData)>(dlsym(handle, "WST_ReadData"));
  auto init = reinterpret_cast<decltype(&IR_Init)>(dlsym(handle, "IR_Init"));
  auto exit = reinterpret_cast<decltype(&IR_Exit)>(dlsym(handle, "IR_Exit"));
  ASSERT_TRUE(control && read && init && exit);
  WstDataBlock block{};
  EXPECT_EQ(read(SRC_PACKETS, &block, 0, 0), -1);
  EXPECT_EQ(read(SRC_FORMAT, &block, 0, 100), 84);
  EXPECT_EQ(block.first, 8);
  EXPECT_EQ(block.second, 16);
  EXPECT_EQ(control(WST_CHANNEL, 2, 0), -1);
  EXPECT_EQ(init(nullptr), 0);
  EXPECT_EQ(exit(), 1);
  dlclose(handle);
}

TEST(TeletextAbiTest, HeaderCompilesAsStrictC) {
  EXPECT_EQ(TeletextHeaderC99Check(), 16);
}

TEST(TeletextAbiTest, HostReadsTheVirtualBoxThroughDlsym) {
  // The shipped library brings the device layer with it; the box it finds is configured
  // here, before the library first asks for it.
  const auto dir =
      std::filesystem::temp_directory_path() / ("teletext_abi_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const auto config = dir / "virtualbox.conf";
  std::ofstream(config) << "lock_time_ms = 0\ntv_station = 55.25 Abi Eins\n";
  ::setenv("VIEWDECK_VIRTUAL_BOX_CONFIG", config.c_str(), 1);

  // Not closed again: GStreamer, which the device layer starts, stays for the process.
  void* handle = dlopen(TELETEXT_SO_PATH, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(handle, nullptr) << dlerror();
  auto control = reinterpret_cast<decltype(&WST_Control)>(dlsym(handle, "WST_Control"));
  auto read = reinterpret_cast<decltype(&WST_ReadData)>(dlsym(handle, "WST_ReadData"));
  ASSERT_TRUE(control && read);
  ASSERT_EQ(control(WST_INIT, 0, 0), 1);
  std::filesystem::remove_all(dir);
  std::vector<uint8_t> block(WST_DATA_OFFSET + 10 * WST_PACKET_SIZE);
  auto* header = reinterpret_cast<WstDataBlock*>(block.data());
  int32_t got = 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (got == 0 && std::chrono::steady_clock::now() < deadline)
    got = read(SRC_PACKETS, header, 10 * WST_PACKET_SIZE, 0);
  EXPECT_GT(got, 0);
  EXPECT_EQ(got, header->packetCount * WST_PACKET_SIZE);
  EXPECT_EQ(control(WST_EXIT, 0, 0), 1);
  EXPECT_EQ(read(SRC_PACKETS, header, 10 * WST_PACKET_SIZE, 0), -1);
}

}  // namespace
