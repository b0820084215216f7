// A program that defines the shared log sink hears the lines the device library writes,
// although the library runs its own copy of the log helpers.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "vd/trace.h"
#include "vd/virtual_box_config.h"

VD_DEFINE_SHARED_LOG_SINK()

namespace {

std::vector<std::string> said;
void Keep(const char* category, vd::LogLevel, const char* text) {
  said.push_back(std::string(category) + "|" + text);
}

TEST(SharedLogSinkTest, TheDeviceLibrarysWarningsReachTheProgramsSink) {
  const std::filesystem::path file = std::filesystem::temp_directory_path() /
                                     ("vd_shared_log_" + std::to_string(::getpid()) + ".conf");
  std::ofstream(file) << "location = Narnia\n";
  setenv("VIEWDECK_VIRTUAL_BOX_CONFIG", file.c_str(), 1);
  vd::SetLogSink(&Keep);
  const vd::VirtualBoxConfig config = vd::VirtualBoxConfig::Load();
  vd::SetLogSink(nullptr);
  unsetenv("VIEWDECK_VIRTUAL_BOX_CONFIG");
  std::filesystem::remove(file);
  ASSERT_EQ(config.errors.size(), 1u);
  EXPECT_EQ(said, (std::vector<std::string>{"device|viewdeck: " + config.errors[0] + "\n"}));
}

}  // namespace
