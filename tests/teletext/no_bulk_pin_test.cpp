// A capture device without a bulk pin is passed over: with the virtual box configured
// without one, WST_INIT finds nothing to read and builds nothing.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

#include "teletext.h"
#include "teletext_library.h"
#include "vd/capture_device.h"
#include "vd/device_enumerator.h"
#include "vd/virtual_tv_box.h"

namespace {

TEST(NoBulkPinTest, InitFindsNoDeviceAndBuildsNothing) {
  const auto dir =
      std::filesystem::temp_directory_path() / ("teletext_nobulk_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const auto path = dir / "virtualbox.conf";
  std::ofstream(path) << "bulk_pin = no\n";
  // Before anything asks for the shared box, which reads its configuration once.
  ::setenv("VIEWDECK_VIRTUAL_BOX_CONFIG", path.c_str(), 1);
  auto device = vd::DeviceEnumerator::Default().OpenVideoInput(0);
  std::filesystem::remove_all(dir);
  ASSERT_NE(device, nullptr) << "the box itself is there";
  ASSERT_FALSE(device->HasPin(vd::PinKind::kBulk));
  ASSERT_TRUE(device->HasPin(vd::PinKind::kCapture));

  EXPECT_EQ(WST_Control(WST_INIT, 0, 0), 0);
  EXPECT_EQ(vd::TeletextLibrary::Instance().Sink(), nullptr);
  WstDataBlock block{};
  EXPECT_EQ(WST_ReadData(SRC_PACKETS, &block, 0, 0), -1);
  EXPECT_EQ(WST_Control(WST_EXIT, 0, 0), 1);
}

}  // namespace
