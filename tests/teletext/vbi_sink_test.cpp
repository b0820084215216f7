#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <system_error>
#include <thread>

#include "stream_builder.h"
#include "vbi_sink.h"
#include "wait_for.h"

namespace {

using vd::VbiSink;
using vdtest::Append;
using vdtest::Bytes;
using vdtest::Filler;
using vdtest::Payload42;
using vdtest::Record;
using vdtest::WaitFor;

Bytes Records(int count, uint8_t seed = 0) {
  Bytes s;
  for (int i = 0; i < count; ++i) Append(s, Record(Payload42(static_cast<uint8_t>(seed + i))));
  return s;
}

TEST(VbiSinkTest, WorkerStartsWithTheFirstSample) {
  VbiSink sink;
  EXPECT_FALSE(sink.WorkerStarted());
  Bytes s = Filler(16);
  Append(s, Records(3));
  sink.Receive(s.data(), s.size());
  EXPECT_TRUE(sink.WorkerStarted());
  Bytes out(10 * 42);
  uint32_t got = 0;
  ASSERT_TRUE(WaitFor([&] {
    got += sink.CopyPacketsToApp(out.data() + got * 42, out.size() - got * 42);
    return got >= 3;
  }));
  EXPECT_EQ(got, 3u);
  EXPECT_EQ(Bytes(out.begin() + 84, out.begin() + 126), Payload42(2));
}

// The system refuses a thread now and then (limits, memory): the streaming thread must not
// die of it, the sample waits in the ring, and a later sample starts the worker.
TEST(VbiSinkTest, AWorkerThatCannotStartLosesNothingAndIsTriedAgain) {
  std::atomic<int> refusals{2};
  VbiSink sink({}, [&](std::function<void()> run) {
    if (refusals.fetch_sub(1) > 0)
      throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
    return std::thread(std::move(run));
  });
  Bytes s = Filler(16);
  Append(s, Records(2));
  EXPECT_NO_THROW(sink.Receive(s.data(), s.size()));
  EXPECT_FALSE(sink.WorkerStarted());
  Bytes t = Records(1, 2);
  EXPECT_NO_THROW(sink.Receive(t.data(), t.size()));
  EXPECT_FALSE(sink.WorkerStarted());
  Bytes u = Records(1, 3);
  sink.Receive(u.data(), u.size());
  ASSERT_TRUE(sink.WorkerStarted());
  Bytes out(10 * 42);
  uint32_t got = 0;
  ASSERT_TRUE(WaitFor([&] {
    got += sink.CopyPacketsToApp(out.data() + got * 42, out.size() - got * 42);
    return got >= 4;
  }));
  EXPECT_EQ(got, 4u);
  EXPECT_EQ(Bytes(out.begin() + 126, out.begin() + 168), Payload42(3));
}

TEST(VbiSinkTest, CopyReturnsZeroWhenNoPassFinishesInTime) {
  VbiSink sink;
  uint8_t out[42];
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(sink.CopyPacketsToApp(out, sizeof out), 0u);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(450));
}

TEST(VbiSinkTest, SixHundredPacketsAreDiscardedWhenNoHostReads) {
  VbiSink sink;
  Bytes first = Filler(16);
  Append(first, Records(430));
  sink.Receive(first.data(), first.size());
  ASSERT_TRUE(WaitFor([&] { return sink.PacketsWaiting() == 430; }));
  const uint64_t passes = sink.PassesDone();
  Bytes second = Records(200);
  sink.Receive(second.data(), second.size());
  ASSERT_TRUE(WaitFor([&] { return sink.PassesDone() > passes && sink.PacketsWaiting() == 0; }));
  // The 30 records the full array could not take are still in the ring.
  Bytes nudge = Filler(1);
  sink.Receive(nudge.data(), nudge.size());
  ASSERT_TRUE(WaitFor([&] { return sink.PacketsWaiting() == 30; }));
}

TEST(VbiSinkTest, RemoteCallbackRunsOnTheWorkerThread) {
  std::atomic<bool> onWorker{false};
  std::atomic<int> calls{0};
  const auto testThread = std::this_thread::get_id();
  std::unique_ptr<VbiSink> sink;
  sink = std::make_unique<VbiSink>([&](int32_t units, int32_t code) {
    onWorker = std::this_thread::get_id() != testThread && sink->OnWorkerThread();
    if (units == 4 && code == 6) ++calls;
  });
  Bytes s = Filler(16);
  Append(s, vdtest::Burst({0xFF, 0x0F, 0xF0, 0xFF, 0xFF}));
  sink->Receive(s.data(), s.size());
  ASSERT_TRUE(WaitFor([&] { return calls.load() == 1; }));
  EXPECT_TRUE(onWorker.load());
  EXPECT_FALSE(sink->OnWorkerThread());
}

TEST(VbiSinkTest, DestructionJoinsAnIdleWorkerPromptly) {
  // The clock starts before the worker can begin to wait for data: one that the stop does
  // not wake cannot end before its wait times out, so the bound holds only for a woken one.
  const auto start = std::chrono::steady_clock::now();
  auto sink = std::make_unique<VbiSink>();
  Bytes s = Filler(32);
  sink->Receive(s.data(), s.size());
  ASSERT_TRUE(WaitFor([&] { return sink->PassesDone() >= 1; }));
  sink.reset();
  EXPECT_LT(std::chrono::steady_clock::now() - start, VbiSink::kDataTimeout);
}

TEST(VbiSinkTest, SamplesAfterAnOverflowAreDroppedUntilTheWorkerCatchesUp) {
  VbiSink sink;
  // No zero byte at all: the worker drops what it cannot sync to, so the ring drains.
  Bytes big(vd::RawRing::kSize + 1, 0x22);
  sink.Receive(big.data(), big.size());  // does not fit: refused, overflow set
  Bytes s = Filler(16);
  Append(s, Records(2));
  sink.Receive(s.data(), s.size());  // dropped while the overflow flag is set...
  ASSERT_TRUE(WaitFor([&] { return sink.PassesDone() >= 1; }));
  // ...and taken again once a pass has cleared it.
  ASSERT_TRUE(WaitFor([&] {
    sink.Receive(s.data(), s.size());
    return sink.PacketsWaiting() >= 2;
  }));
}

}  // namespace
