// The shipped libraries as a client sees them: what they export and what the exports answer
// on a machine whose device layer offers no capture device.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "stromsift.h"
#include "vd/virtual_tv_box.h"

namespace {

std::string LibraryPath(const char* name) {
  return std::string(VD_PARSER_LIB_DIR "/") + name;
}

std::string DefinedDynamicSymbols(const std::string& path) {
  std::string command = "nm -D --defined-only '" + path + "' | awk '{print $3}' | sort";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return "<nm failed>";
  std::string out;
  char line[512];
  while (std::fgets(line, sizeof line, pipe) != nullptr) out += line;
  pclose(pipe);
  return out;
}

TEST(LibraryExports, FullBuildExportsBothFactoriesOnly) {
  EXPECT_EQ(DefinedDynamicSymbols(LibraryPath("libvidparse.so")),
            "_Z15CreateStromsiftPP10IStromsift\n"
            "_Z23CreateStromsiftOnFilterP11_GstElementPP10IStromsift\n");
}

TEST(LibraryExports, CompactBuildExportsCreateStromsiftOnly) {
  EXPECT_EQ(DefinedDynamicSymbols(LibraryPath("libstromsift.so")),
            "_Z15CreateStromsiftPP10IStromsift\n");
}

using CreateProc = HRESULT (*)(IStromsift**);

class LoadedLibrary : public ::testing::TestWithParam<const char*> {};

TEST_P(LoadedLibrary, CreateFindsTheVirtualBoxAndFailsWithoutIt) {
  void* handle = dlopen(LibraryPath(GetParam()).c_str(), RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(handle, nullptr) << dlerror();
  auto create = reinterpret_cast<CreateProc>(dlsym(handle, "_Z15CreateStromsiftPP10IStromsift"));
  ASSERT_NE(create, nullptr);
  IStromsift* object = nullptr;
  EXPECT_EQ(create(&object), S_OK);
  ASSERT_NE(object, nullptr);
  delete object;
  // The library shares the device layer with this process: unplugging the box here is
  // unplugging it for the library.
  vd::VirtualTvBox::Shared()->Unplug();
  object = reinterpret_cast<IStromsift*>(0x1);
  EXPECT_EQ(create(&object), E_FAIL);
  EXPECT_EQ(object, nullptr);
  vd::VirtualTvBox::Shared()->Plug();
  EXPECT_EQ(create(nullptr), E_POINTER);
  dlclose(handle);
}

INSTANTIATE_TEST_SUITE_P(BothBuilds, LoadedLibrary,
                         ::testing::Values("libvidparse.so", "libstromsift.so"));

TEST(ResultCodes, KeepTheirUsualValues) {
  EXPECT_EQ(S_OK, 0);
  EXPECT_EQ(S_FALSE, 1);
  EXPECT_EQ(static_cast<uint32_t>(E_FAIL), 0x80004005u);
  EXPECT_EQ(static_cast<uint32_t>(E_NOINTERFACE), 0x80004002u);
  EXPECT_EQ(static_cast<uint32_t>(E_POINTER), 0x80004003u);
  EXPECT_EQ(static_cast<uint32_t>(E_INVALIDARG), 0x80070057u);
  EXPECT_EQ(static_cast<uint32_t>(E_NOTIMPL), 0x80004001u);
}

}  // namespace
