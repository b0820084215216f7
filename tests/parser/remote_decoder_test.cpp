#include "remote_decoder.h"

#include <gtest/gtest.h>

#include <vector>

#include "stream_builder.h"

namespace {

using vdtest::Bytes;

// Runs the decoder over `samples` handed over `step` bytes at a time; all codes it completes.
std::vector<uint32_t> DecodeAll(const Bytes& samples, size_t step) {
  vd::RemoteDecoder decoder;
  vd::RemoteDecoder::SampleQueue queue;
  std::vector<uint32_t> codes;
  for (size_t i = 0; i < samples.size(); i += step) {
    const size_t n = std::min(step, samples.size() - i);
    queue.insert(queue.end(), samples.begin() + static_cast<long>(i),
                 samples.begin() + static_cast<long>(i + n));
    while (!queue.empty()) {
      const uint32_t code = decoder.Decode(queue);
      if (code == 0) break;
      codes.push_back(code);
    }
  }
  return codes;
}

// A selection of the remote's keys in both toggle forms, short and long waveforms alike.
const uint32_t kRemoteCodes[] = {0x2AAAAA4, 0x2AAAA94, 0x6AAAAA4, 0x1AAAAA4, 0x56AAA94,
                                 0x19AAAA4, 0x25AAA94, 0x2A6AAA4, 0x6A6AA94, 0x2A9AAA4,
                                 0x6A9AA94, 0x269AAA4, 0x159AA94, 0x295AAA4, 0x155AA94};

TEST(RemoteDecoder, HandBuiltBurstsDecodeToTheirCodes) {
  for (uint32_t code : kRemoteCodes) {
    EXPECT_EQ(DecodeAll(vdtest::IrSamples(code), 64), std::vector<uint32_t>{code})
        << std::hex << code;
  }
}

TEST(RemoteDecoder, StateCarriesAcrossCallsOneByteAtATime) {
  for (uint32_t code : kRemoteCodes) {
    EXPECT_EQ(DecodeAll(vdtest::IrSamples(code), 1), std::vector<uint32_t>{code})
        << std::hex << code;
  }
}

TEST(RemoteDecoder, AnIdleByteEndsABurstLongerThanTenBytes) {
  // In step with the bytes, units 25 and 26 of this code fill byte 12 of the burst with idle
  // samples: the burst ends there and the code keeps only what came before.
  EXPECT_EQ(DecodeAll(vdtest::IrSamples(0x6AAAAA4, 12, 8, 0), 64), std::vector<uint32_t>{0xAAAAA4});
  // A burst of more than 14 bytes is cut after its 14th whatever it holds.
  EXPECT_EQ(DecodeAll(vdtest::Waveform({{0, 8}, {1, 4}, {0, 104}, {1, 4}, {0, 4}}), 64),
            std::vector<uint32_t>{1u << 3});
}

TEST(RemoteDecoder, BackToBackCodesComeOutInOrder) {
  Bytes samples = vdtest::IrSamples(0x2A9AAA4);
  vdtest::Append(samples, vdtest::IrSamples(0x6A9AA94));
  vdtest::Append(samples, vdtest::IrSamples(0x2A9AAA4));
  EXPECT_EQ(DecodeAll(samples, 7), (std::vector<uint32_t>{0x2A9AAA4, 0x6A9AA94, 0x2A9AAA4}));
}

// Active 16 samples, idle 8, active `k`, idle 8, active 16: the middle run's units decide
// where the second pair of idle bits lands.
uint32_t CodeWithMiddleActiveRun(int k) {
  auto codes = DecodeAll(vdtest::Waveform({{0, 16}, {1, 8}, {0, k}, {1, 8}, {0, 16}}), 64);
  return codes.size() == 1 ? codes[0] : 0xDEADBEEF;
}

TEST(RemoteDecoder, RunLengthsRoundToWholeUnitsOfFourSamples) {
  // Units 1-4 active, 5-6 idle, then u active units, then two idle units.
  auto expect = [](uint32_t u) { return (3u << 5) | (3u << (7 + u)); };
  EXPECT_EQ(CodeWithMiddleActiveRun(1), expect(0));
  EXPECT_EQ(CodeWithMiddleActiveRun(2), expect(1));
  EXPECT_EQ(CodeWithMiddleActiveRun(5), expect(1));
  EXPECT_EQ(CodeWithMiddleActiveRun(6), expect(2));
}

TEST(RemoteDecoder, IdleRunsRoundTheSameWay) {
  // Active 8, idle k, active 8: the idle run gives (k + 2) / 4 one bits from bit 3.
  for (int k : {2, 5, 6, 9, 10, 13}) {
    auto codes = DecodeAll(vdtest::Waveform({{0, 8}, {1, k}, {0, 8}}), 64);
    const uint32_t units = static_cast<uint32_t>((k + 2) / 4);
    ASSERT_EQ(codes.size(), 1u) << k;
    EXPECT_EQ(codes[0], ((1u << units) - 1) << 3) << k;
  }
}

TEST(RemoteDecoder, BurstNeedsMoreThanTenIdleBytesBeforeIt) {
  EXPECT_TRUE(DecodeAll(vdtest::IrSamples(0x2AAAAA4, 10), 64).empty());
  EXPECT_EQ(DecodeAll(vdtest::IrSamples(0x2AAAAA4, 11), 64), std::vector<uint32_t>{0x2AAAAA4});
}

TEST(RemoteDecoder, CodeIsCompleteOnlyAfterFiveIdleBytes) {
  // The waveform of this code fills whole bytes, so the idle bytes behind it are all 0xFF.
  Bytes samples = vdtest::IrSamples(0x2AAAAA4, 12, 4);
  vd::RemoteDecoder decoder;
  vd::RemoteDecoder::SampleQueue queue(samples.begin(), samples.end());
  EXPECT_EQ(decoder.Decode(queue), 0u);
  EXPECT_EQ(decoder.State(), 2);
  queue.push_back(0xFF);
  EXPECT_EQ(decoder.Decode(queue), 0x2AAAAA4u);
  EXPECT_EQ(decoder.State(), 0);
}

TEST(RemoteDecoder, StrayBytesBeforeABurstRestartTheIdleCount) {
  Bytes samples(8, 0xFF);
  samples.push_back(0x0F);  // noise: drops and restarts the count
  vdtest::Append(samples, vdtest::IrSamples(0x2AAAAA4, 5));
  EXPECT_TRUE(DecodeAll(samples, 64).empty());
}

TEST(RemoteDecoder, EmptyQueueAnswersZeroAndKeepsState) {
  vd::RemoteDecoder decoder;
  vd::RemoteDecoder::SampleQueue queue;
  EXPECT_EQ(decoder.Decode(queue), 0u);
  EXPECT_EQ(decoder.State(), 0);
}

}  // namespace
