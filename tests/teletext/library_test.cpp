// The exported functions, driven over a fake bulk pin (appsrc) in the library's own graph.
#include <gst/app/gstappsrc.h>
#include <gst/gst.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <vector>

#include "bulk_source.h"
#include "stream_builder.h"
#include "teletext.h"
#include "teletext_library.h"
#include "vd/virtual_tv_box.h"
#include "wait_for.h"

namespace {

using vdtest::Append;
using vdtest::Bytes;
using vdtest::Filler;
using vdtest::Payload42;
using vdtest::Record;
using vdtest::WaitFor;

GstElement* gFakeSource = nullptr;
std::atomic<int> gRemoteCalls{0};
std::atomic<int32_t> gLastUnits{-1};
std::atomic<int32_t> gLastCode{-1};
std::atomic<int32_t> gExitFromCallback{0};

int32_t RecordRemote(int32_t units, int32_t code) {
  gLastUnits = units;
  gLastCode = code;
  ++gRemoteCalls;
  return 0;
}

std::atomic<int32_t> gPacketsFromCallback{0};
std::atomic<int32_t> gStatusFromCallback{0};
std::atomic<int64_t> gCallbackMs{-1};

// Tries what a host might do from the callback: tear down, read packets, ask the status.
int32_t ReenterFromCallback(int32_t, int32_t) {
  const auto start = std::chrono::steady_clock::now();
  gExitFromCallback = IR_Exit();
  std::vector<uint8_t> block(WST_DATA_OFFSET + 42 * 4, 0);
  auto* data = reinterpret_cast<WstDataBlock*>(block.data());
  gPacketsFromCallback = WST_ReadData(SRC_PACKETS, data, 42 * 4, 0);
  gStatusFromCallback = WST_ReadData(SRC_STATUS, data, 0, 0);
  gCallbackMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                    std::chrono::steady_clock::now() - start)
                    .count();
  ++gRemoteCalls;
  return 0;
}

std::vector<uint8_t> Block(size_t room) {
  return std::vector<uint8_t>(WST_DATA_OFFSET + room, 0xEE);
}

int32_t WordAt(const std::vector<uint8_t>& block, size_t offset) {
  return static_cast<int32_t>(block[offset] | block[offset + 1] << 8 | block[offset + 2] << 16 |
                              static_cast<uint32_t>(block[offset + 3]) << 24);
}

WstDataBlock* AsBlock(std::vector<uint8_t>& b) {
  return reinterpret_cast<WstDataBlock*>(b.data());
}

class LibraryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gRemoteCalls = 0;
    gExitFromCallback = 0;
    vd::SetBulkSourceFactory([] {
      GstElement* src = gst_element_factory_make("appsrc", nullptr);
      g_object_set(src, "format", GST_FORMAT_BYTES, "is-live", TRUE, nullptr);
      gFakeSource = src;
      return src;
    });
  }
  void TearDown() override {
    EXPECT_EQ(IR_Exit(), 1);
    vd::SetBulkSourceFactory({});
    gFakeSource = nullptr;
  }
  static void Push(const Bytes& bytes) {
    ASSERT_NE(gFakeSource, nullptr);
    GstBuffer* buffer = gst_buffer_new_memdup(bytes.data(), bytes.size());
    ASSERT_EQ(gst_app_src_push_buffer(GST_APP_SRC(gFakeSource), buffer), GST_FLOW_OK);
  }
};

TEST(LibraryNoDeviceTest, WithoutADeviceInitFailsAndPacketsAreRefused) {
  // The virtual box is the only device; unplugged, nothing is listed.
  auto box = vd::VirtualTvBox::Shared();
  box->Unplug();
  auto block = Block(42);
  EXPECT_EQ(WST_ReadData(SRC_PACKETS, AsBlock(block), 42, 0), -1);
  EXPECT_EQ(WST_Control(WST_INIT, 0, 0), 0);
  EXPECT_EQ(vd::TeletextLibrary::Instance().Sink(), nullptr);
  EXPECT_EQ(WST_ReadData(SRC_PACKETS, AsBlock(block), 42, 0), -1);
  EXPECT_EQ(IR_Exit(), 1) << "nothing to dismantle";
  box->Plug();
}

TEST(LibraryNoDeviceTest, NullCallbackBuildsNothing) {
  EXPECT_EQ(IR_Init(nullptr), 0);
  EXPECT_EQ(vd::TeletextLibrary::Instance().Sink(), nullptr);
}

TEST(LibraryNoDeviceTest, ControlResultsFollowTheTable) {
  EXPECT_EQ(WST_Control(WST_OPEN, 0, 0), 1);
  EXPECT_EQ(WST_Control(WST_CLOSE, 0, 0), 1);
  EXPECT_EQ(WST_Control(WST_START, 0, 0), 1);
  EXPECT_EQ(WST_Control(WST_STOP, 0, 0), 1);
  EXPECT_EQ(WST_Control(WST_CHANNEL, WST_CHANNEL_CHANGING, 0), 1);
  EXPECT_EQ(WST_Control(WST_CHANNEL, WST_CHANNEL_CHANGED, 0), 1);
  EXPECT_EQ(WST_Control(WST_CHANNEL, 2, 0), -1);
  EXPECT_EQ(WST_Control(WST_CHANNEL, -1, 0), -1);
  EXPECT_EQ(WST_Control(9, 0, 0), 0);
  EXPECT_EQ(WST_Control(0, 0, 0), 0);
  EXPECT_EQ(WST_Control(WST_EXIT, 0, 0), 1);
}

TEST(LibraryNoDeviceTest, ReadDataResultsFollowTheTable) {
  auto block = Block(0);
  EXPECT_EQ(WST_ReadData(SRC_FORMAT, AsBlock(block), 0, 100), 84);
  EXPECT_EQ(WordAt(block, 0), 8);
  EXPECT_EQ(WordAt(block, 4), 16);
  EXPECT_EQ(WST_ReadData(SRC_FORMAT, AsBlock(block), 0, 41), 0);
  EXPECT_EQ(WST_ReadData(SRC_FORMAT, AsBlock(block), 0, 42), 42);
  EXPECT_EQ(WST_ReadData(SRC_FORMAT, AsBlock(block), 0, -100), 0);
  EXPECT_EQ(WST_ReadData(SRC_VERSION, nullptr, 0, 0), 1);
  EXPECT_EQ(WST_ReadData(SRC_VERSION, nullptr, 0, 1), 1);
  EXPECT_EQ(WST_ReadData(SRC_VERSION, AsBlock(block), 0, 2), 0);
  EXPECT_EQ(WST_ReadData(SRC_ERROR, nullptr, 0, 0), 0);
  EXPECT_EQ(WST_ReadData(6, AsBlock(block), 0, 0), -1);
  std::fill(block.begin(), block.end(), 0xEE);
  EXPECT_EQ(WST_ReadData(SRC_STATUS, AsBlock(block), 0, 0), 16);
  for (size_t offset : {0, 4, 8, 12}) EXPECT_EQ(WordAt(block, offset), 0) << offset;
  EXPECT_EQ(WST_ReadData(SRC_STATUS, nullptr, 0, 0), -1) << "a null block is refused";
  EXPECT_EQ(WST_ReadData(SRC_FORMAT, nullptr, 0, 100), -1);
}

TEST_F(LibraryTest, PacketsReachTheHostBlock) {
  ASSERT_EQ(WST_Control(WST_INIT, 0, 0), 1);
  ASSERT_NE(vd::TeletextLibrary::Instance().Sink(), nullptr);
  Bytes s = Filler(16);
  for (int i = 0; i < 5; ++i) Append(s, Record(Payload42(static_cast<uint8_t>(i))));
  Push(s);
  ASSERT_TRUE(
      WaitFor([] { return vd::TeletextLibrary::Instance().Sink()->PacketsWaiting() == 5; }));
  auto status = Block(0);
  EXPECT_EQ(WST_ReadData(SRC_STATUS, AsBlock(status), 0, 0), 16);
  EXPECT_EQ(WordAt(status, 8), 5);
  auto block = Block(100);
  // The worker may finish its pass before we ask: send filler so a new pass completes.
  Push(Filler(8));
  EXPECT_EQ(WST_ReadData(SRC_PACKETS, AsBlock(block), 100, 0), 84);
  EXPECT_EQ(WordAt(block, 0), 0);
  EXPECT_EQ(WordAt(block, 8), 0);
  EXPECT_EQ(WordAt(block, 12), 2);
  EXPECT_EQ(Bytes(block.begin() + 16, block.begin() + 58), Payload42(0));
  EXPECT_EQ(Bytes(block.begin() + 58, block.begin() + 100), Payload42(1));
  EXPECT_EQ(Bytes(block.begin() + 100, block.end()), Bytes(16, 0xEE));
  EXPECT_EQ(vd::TeletextLibrary::Instance().Sink()->PacketsWaiting(), 3u);
}

TEST_F(LibraryTest, SecondInitKeepsTheRunningGraph) {
  ASSERT_EQ(WST_Control(WST_INIT, 0, 0), 1);
  vd::VbiSink* first = vd::TeletextLibrary::Instance().Sink();
  EXPECT_EQ(WST_Control(WST_INIT, 0, 0), 1);
  EXPECT_EQ(vd::TeletextLibrary::Instance().Sink(), first);
}

TEST_F(LibraryTest, RemoteCodesReachTheCallback) {
  ASSERT_EQ(IR_Init(RecordRemote), 1);
  Bytes s = Filler(16);
  Append(s, vdtest::Burst({0xFF, 0x0F, 0xF0, 0xFF, 0xFF}));
  Push(s);
  ASSERT_TRUE(WaitFor([] { return gRemoteCalls.load() == 1; }));
  EXPECT_EQ(gLastUnits.load(), 4);
  EXPECT_EQ(gLastCode.load(), 6);
}

// The callback runs on the worker: what would wait for the worker is refused at once.
TEST_F(LibraryTest, FromTheCallbackTeardownAndPacketReadsAreRefusedAtOnce) {
  ASSERT_EQ(IR_Init(ReenterFromCallback), 1);
  Bytes s = Filler(16);
  Append(s, vdtest::Burst({0x0F, 0xFF, 0xFF}));
  Append(s, Record(Payload42(1)));
  Push(s);
  ASSERT_TRUE(WaitFor([] { return gRemoteCalls.load() == 1; }));
  EXPECT_EQ(gExitFromCallback.load(), -1);
  EXPECT_EQ(gPacketsFromCallback.load(), -1);
  EXPECT_EQ(gStatusFromCallback.load(), 16);
  EXPECT_LT(gCallbackMs.load(), 100) << "the callback waited for its own worker";
  EXPECT_NE(vd::TeletextLibrary::Instance().Sink(), nullptr) << "the graph is still up";
}

TEST_F(LibraryTest, ExitDismantlesAndPacketsAreRefusedAfterwards) {
  ASSERT_EQ(WST_Control(WST_INIT, 0, 0), 1);
  Push(Filler(100));
  EXPECT_EQ(WST_Control(WST_EXIT, 0, 0), 1);
  EXPECT_EQ(vd::TeletextLibrary::Instance().Sink(), nullptr);
  auto block = Block(42);
  EXPECT_EQ(WST_ReadData(SRC_PACKETS, AsBlock(block), 42, 0), -1);
}

}  // namespace
