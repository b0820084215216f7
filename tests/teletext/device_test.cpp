// The exported functions on the virtual TV box: the library finds the box's bulk pin by its
// category, reads the tuned station's teletext and the remote's keys, and survives the box
// being unplugged under it.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include <unistd.h>

#include "ir_pairs.h"
#include "page_text.h"
#include "teletext.h"
#include "teletext_library.h"
#include "vd/device_enumerator.h"
#include "vd/device_props.h"
#include "vd/virtual_tv_box.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr uint32_t kTunedHz = 175250000;
constexpr const char* kTunedName = "Bildfunk 2";  // short enough for the page header
constexpr uint32_t kChannelUp = 0x2A9AAA4;
constexpr int32_t kRoom = 50 * WST_PACKET_SIZE;

std::mutex gRemoteMutex;
std::vector<std::pair<int32_t, int32_t>> gRemotes;

int32_t CollectRemote(int32_t units, int32_t code) {
  std::lock_guard lock(gRemoteMutex);
  gRemotes.emplace_back(units, code);
  return 0;
}

std::vector<std::pair<int32_t, int32_t>> Remotes() {
  std::lock_guard lock(gRemoteMutex);
  return gRemotes;
}

// A sky of our own, so the station the box starts on (55.25 MHz) sends nothing and only
// tuning brings teletext. Written before anything in this process asks for the shared box.
void UseTestSky() {
  static const bool done = [] {
    const auto dir =
        std::filesystem::temp_directory_path() / ("teletext_device_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const auto path = dir / "virtualbox.conf";
    std::ofstream(path) << "lock_time_ms = 0\n"
                        << "tv_station = 471.25 Kanal Vier\n"
                        << "tv_station = 175.25 " << kTunedName << "\n";
    ::setenv("VIEWDECK_VIRTUAL_BOX_CONFIG", path.c_str(), 1);
    const bool loaded = vd::VirtualTvBox::Shared()->Sky().ExplicitTvStations().size() == 2;
    std::filesystem::remove_all(dir);
    return loaded;
  }();
  ASSERT_TRUE(done) << "the virtual box did not take the test sky";
}

class DeviceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    UseTestSky();
    box_ = vd::VirtualTvBox::Shared();
    box_->Plug();
    box_->SetLockTime(std::chrono::milliseconds(0));
    Tune(kTunedHz);
  }
  void TearDown() override {
    EXPECT_EQ(WST_Control(WST_EXIT, 0, 0), 1);
    box_->Plug();
  }

  // Through the tuner's property set, as the tuner module does.
  static void Tune(uint32_t hz) {
    auto device = vd::DeviceEnumerator::Default().OpenVideoInput(0);
    ASSERT_NE(device, nullptr);
    const vd::KsPropertySetPtr props(device->QueryPropertySet());
    ASSERT_NE(props, nullptr);
    const uint32_t mode = vd::kTunerModeTv;
    EXPECT_EQ(props->Set(vd::kPropSetTuner, vd::kTunerPropMode, nullptr, 0, &mode, 4), vd::kSOk);
    EXPECT_EQ(props->Set(vd::kPropSetTuner, vd::kTunerPropFrequency, nullptr, 0, &hz, 4), vd::kSOk);
    uint32_t signal = 0;
    EXPECT_EQ(props->Get(vd::kPropSetTuner, vd::kTunerPropSignal, nullptr, 0, &signal, 4, nullptr),
              vd::kSOk);
    EXPECT_NE(signal, 0u) << "no station at " << hz;
  }

  // One SRC_PACKETS call as a host makes it; checks the block against the result.
  static std::vector<uint8_t> ReadOnce(int32_t* result) {
    // One guard byte past the room, to see a write past the packets when the room is full.
    std::vector<uint8_t> block(WST_DATA_OFFSET + kRoom + 1, 0xEE);
    auto* header = reinterpret_cast<WstDataBlock*>(block.data());
    *result = WST_ReadData(SRC_PACKETS, header, kRoom, 0);
    if (*result < 0) return {};
    EXPECT_EQ(*result % WST_PACKET_SIZE, 0);
    EXPECT_LE(*result, kRoom);
    EXPECT_EQ(header->packetCount * WST_PACKET_SIZE, *result);
    EXPECT_EQ(header->first, 0);
    EXPECT_EQ(header->second, 0);
    EXPECT_EQ(header->waiting, 0);
    block.erase(block.begin(), block.begin() + WST_DATA_OFFSET);
    EXPECT_EQ(block[static_cast<size_t>(*result)], 0xEE) << "written past the packets";
    block.resize(static_cast<size_t>(*result));
    return block;
  }

  // Reads until `done` accepts what came so far, or the deadline passes.
  template <typename Done>
  static std::vector<uint8_t> ReadUntil(Done done, std::chrono::seconds limit) {
    std::vector<uint8_t> all;
    const auto deadline = Clock::now() + limit;
    while (!done(all) && Clock::now() < deadline) {
      int32_t result = 0;
      std::vector<uint8_t> got = ReadOnce(&result);
      if (result < 0) {
        ADD_FAILURE() << "SRC_PACKETS returned " << result;
        break;
      }
      all.insert(all.end(), got.begin(), got.end());
    }
    return all;
  }

  static std::vector<uint8_t> ReadSomePackets() {
    return ReadUntil([](const std::vector<uint8_t>& all) { return !all.empty(); },
                     std::chrono::seconds(10));
  }

  std::shared_ptr<vd::VirtualTvBox> box_;
};

TEST_F(DeviceTest, InitFindsTheBulkPinAndPacketsArrive) {
  ASSERT_EQ(WST_Control(WST_INIT, 0, 0), 1);
  ASSERT_NE(vd::TeletextLibrary::Instance().Sink(), nullptr);
  const std::vector<uint8_t> packets = ReadSomePackets();
  ASSERT_FALSE(packets.empty()) << "no packet within 10 s";
  for (size_t at = 0; at < packets.size(); at += WST_PACKET_SIZE) {
    int magazine = 0, row = 0;
    EXPECT_TRUE(vd::PageText::PacketAddress(packets.data() + at, magazine, row)) << at;
    EXPECT_GE(magazine, 1);
    // Page rows, the links and the broadcast service packet: nothing a set would drop.
    EXPECT_TRUE(row <= 24 || row == 27 || (row == 30 && magazine == 8)) << magazine << "/" << row;
  }
}

TEST_F(DeviceTest, FrontPageCarriesTheTunedStationsName) {
  ASSERT_EQ(WST_Control(WST_INIT, 0, 0), 1);
  vd::PageText pages;
  size_t fed = 0;
  auto frontPage = [&](const std::vector<uint8_t>& all) {
    for (; fed + WST_PACKET_SIZE <= all.size(); fed += WST_PACKET_SIZE) pages.Feed(&all[fed]);
    auto page = pages.Page(0x100);
    return page && (*page)[2].find(kTunedName) != std::string::npos;
  };
  ReadUntil(frontPage, std::chrono::seconds(20));
  auto page = pages.Page(0x100);
  ASSERT_TRUE(page.has_value()) << fed / WST_PACKET_SIZE << " packets, no page 100";
  EXPECT_NE((*page)[0].find(kTunedName), std::string::npos) << (*page)[0];
  EXPECT_NE((*page)[2].find(kTunedName), std::string::npos) << (*page)[2];
  EXPECT_EQ((*page)[2].find("Kanal Vier"), std::string::npos) << "the other station's page";
}

TEST_F(DeviceTest, RemoteKeyReachesTheCallback) {
  {
    std::lock_guard lock(gRemoteMutex);
    gRemotes.clear();
  }
  ASSERT_EQ(IR_Init(CollectRemote), 1);
  box_->PressRemoteKey(kChannelUp);
  // The host keeps reading, as a teletext host would, while the key arrives.
  ReadUntil([](const std::vector<uint8_t>&) { return !Remotes().empty(); },
            std::chrono::seconds(10));
  const auto remotes = Remotes();
  ASSERT_EQ(remotes.size(), 1u) << "one press, one sequence";
  const auto expected = vdtest::DecodePress(kChannelUp);
  ASSERT_EQ(expected.size(), 1u);
  EXPECT_EQ(remotes[0], expected[0]);
  EXPECT_EQ(vdtest::ParserForm(remotes[0].first, remotes[0].second), kChannelUp);

  // After IR_Exit, and after IR_Init(NULL), the callback is forgotten: a host may unload it.
  for (bool byExit : {true, false}) {
    SCOPED_TRACE(byExit ? "IR_Exit" : "IR_Init(NULL)");
    if (byExit) {
      EXPECT_EQ(IR_Exit(), 1);
      ASSERT_EQ(WST_Control(WST_INIT, 0, 0), 1);
    } else {
      ASSERT_EQ(IR_Init(CollectRemote), 1);
      EXPECT_EQ(IR_Init(nullptr), 0);
    }
    {
      std::lock_guard lock(gRemoteMutex);
      gRemotes.clear();
    }
    box_->PressRemoteKey(kChannelUp);
    ReadUntil([](const std::vector<uint8_t>&) { return false; }, std::chrono::seconds(2));
    EXPECT_TRUE(Remotes().empty()) << Remotes().size() << " calls of a forgotten callback";
  }
}

TEST_F(DeviceTest, UnplugWhileRunningEndsTheStreamAndExitStillWorks) {
  ASSERT_EQ(WST_Control(WST_INIT, 0, 0), 1);
  ASSERT_FALSE(ReadSomePackets().empty());
  box_->Unplug();
  // Packets already converted may still come; then the reads give 0 instead of blocking.
  int32_t result = -1;
  for (int i = 0; i < 40 && result != 0; ++i) ReadOnce(&result);
  EXPECT_EQ(result, 0);
  ReadOnce(&result);
  EXPECT_EQ(result, 0) << "nothing arrives from an unplugged box";
  EXPECT_EQ(WST_Control(WST_EXIT, 0, 0), 1);
  EXPECT_EQ(vd::TeletextLibrary::Instance().Sink(), nullptr);
  EXPECT_EQ(WST_Control(WST_INIT, 0, 0), 0) << "no device while unplugged";
  box_->Plug();
  ASSERT_EQ(WST_Control(WST_INIT, 0, 0), 1) << "the box is back";
  EXPECT_FALSE(ReadSomePackets().empty());
}

TEST_F(DeviceTest, ExitThenInitAgainReadsAgain) {
  ASSERT_EQ(WST_Control(WST_INIT, 0, 0), 1);
  ASSERT_FALSE(ReadSomePackets().empty());
  EXPECT_EQ(WST_Control(WST_EXIT, 0, 0), 1);
  int32_t result = 0;
  ReadOnce(&result);
  EXPECT_EQ(result, -1);
  ASSERT_EQ(WST_Control(WST_INIT, 0, 0), 1);
  EXPECT_FALSE(ReadSomePackets().empty());
}

}  // namespace
