// The shipped libteletext.so as a host sees it: only four C symbols, callable through dlsym,
// and a header that a C99 compiler accepts.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>

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

}  // namespace
