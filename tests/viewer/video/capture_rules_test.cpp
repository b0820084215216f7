// The engine's rules without a device: its lifecycle, statistics, stored rates, standards,
// bitmap files.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include <unistd.h>

#include "vd/capture_types.h"
#include "vd/settings/settings_store.h"
#include "vd/video/capture_lifecycle.h"
#include "vd/video/capture_settings.h"
#include "vd/video/capture_statistics.h"
#include "vd/video/disk_budget.h"
#include "video_standards.h"

namespace {

using vd::CaptureSettings;
using vd::CaptureStatistics;
using vd::VideoStandards;

// The allowed changes are written out as a grid here, independently of the switch that
// decides them; the walk then drives one lifecycle through a live picture, a capture that
// fails to start, a recording and an aborted one's return, refusals included.
TEST(CaptureLifecycle, OnlyTheEnginesOrderOfWorkIsAllowedAndTheEndOutlastsTheTeardown) {
  using S = vd::CaptureStage;
  constexpr S kAll[] = {S::kIdle,         S::kPreviewBuilt, S::kPreviewing,
                        S::kCaptureBuilt, S::kCapturing,    S::kCaptureFinished};
  // Rows from, columns to, in the order of kAll.
  constexpr const char* kAllowed[] = {
      "110100",  // idle: a teardown of nothing, or either pipeline built
      "101000",  // preview built
      "110000",  // previewing: stopped, or torn down (its stop may have failed)
      "100010",  // capture built
      "000001",  // capturing: only its end; no teardown under a running recording
      "100010",  // capture finished: torn down, or recording again
  };
  for (size_t from = 0; from < 6; ++from) {
    for (size_t to = 0; to < 6; ++to) {
      EXPECT_EQ(vd::CaptureLifecycle::Allows(kAll[from], kAll[to]), kAllowed[from][to] == '1')
          << vd::NameOf(kAll[from]) << " -> " << vd::NameOf(kAll[to]);
    }
  }

  enum class Op { kMove, kFail, kRestore };
  struct Step {
    Op op;
    S to;
    bool accepted;
    S stage;
    // Preview graph, previewing, capture graph, capturing, capture ended; '-' for false.
    const char* facts;
  };
  const Step kWalk[] = {
      {Op::kMove, S::kPreviewing, false, S::kIdle, "-----"},
      {Op::kMove, S::kPreviewBuilt, true, S::kPreviewBuilt, "H----"},
      {Op::kMove, S::kPreviewing, true, S::kPreviewing, "HP---"},
      {Op::kMove, S::kCaptureBuilt, false, S::kPreviewing, "HP---"},
      {Op::kMove, S::kIdle, true, S::kIdle, "-----"},
      {Op::kMove, S::kCaptureBuilt, true, S::kCaptureBuilt, "--G--"},
      {Op::kFail, S::kIdle, true, S::kCaptureBuilt, "--G-E"},
      {Op::kMove, S::kCapturing, true, S::kCapturing, "--GC-"},
      {Op::kFail, S::kIdle, false, S::kCapturing, "--GC-"},
      {Op::kMove, S::kIdle, false, S::kCapturing, "--GC-"},
      {Op::kMove, S::kPreviewBuilt, false, S::kCapturing, "--GC-"},
      {Op::kMove, S::kCaptureFinished, true, S::kCaptureFinished, "--G-E"},
      {Op::kMove, S::kCaptureFinished, false, S::kCaptureFinished, "--G-E"},
      {Op::kMove, S::kIdle, true, S::kIdle, "----E"},
      {Op::kMove, S::kPreviewBuilt, true, S::kPreviewBuilt, "H---E"},
      {Op::kMove, S::kPreviewing, true, S::kPreviewing, "HP--E"},
      {Op::kRestore, S::kIdle, true, S::kPreviewing, "HP---"},
  };
  vd::CaptureLifecycle life;
  int number = 0;
  for (const Step& step : kWalk) {
    ++number;
    bool accepted = true;
    if (step.op == Op::kMove) accepted = life.MoveTo(step.to);
    if (step.op == Op::kFail) accepted = life.CaptureFailed();
    if (step.op == Op::kRestore) life.LiveRestored();
    std::string facts;
    facts += life.HasPreviewGraph() ? 'H' : '-';
    facts += life.IsPreviewing() ? 'P' : '-';
    facts += life.HasCaptureGraph() ? 'G' : '-';
    facts += life.IsCapturing() ? 'C' : '-';
    facts += life.CaptureEnded() ? 'E' : '-';
    EXPECT_EQ(accepted, step.accepted) << "step " << number;
    EXPECT_EQ(life.Stage(), step.stage) << "step " << number << ": " << vd::NameOf(life.Stage());
    EXPECT_EQ(facts, step.facts) << "step " << number;
  }
}

TEST(CaptureStatistics, UnderOneMillisecondReportsZeroRates) {
  vd::StatisticsRecord r = CaptureStatistics::Final(5, 0, 0, 153600);
  EXPECT_EQ(r.fps, 0.0);
  EXPECT_EQ(r.megabytesPerSecond, 0.0);
  vd::StatisticsText t = CaptureStatistics::TextOf(r);
  EXPECT_EQ(t.fps, "0.0 fps");
  EXPECT_EQ(t.rate, "0.0 mb\\sec");
  EXPECT_EQ(t.captured, "5");
}

TEST(CaptureStatistics, FinalFiguresTruncate) {
  // 299 frames in 10,001 ms of 153,600 bytes: 29.897 fps, 4,592,180 bytes/s.
  vd::StatisticsRecord r = CaptureStatistics::Final(299, 3, 10001, 153600);
  EXPECT_DOUBLE_EQ(r.fps, 29.8);
  EXPECT_EQ(CaptureStatistics::BytesPerSecond(299, 10001, 153600), 4592180);
  EXPECT_DOUBLE_EQ(r.megabytesPerSecond, 4.592);
  EXPECT_DOUBLE_EQ(r.seconds, 10.0);
  vd::StatisticsText t = CaptureStatistics::TextOf(r);
  EXPECT_EQ(t.seconds, "10.0 Secs");
  EXPECT_EQ(t.dropped, "3");
  EXPECT_EQ(t.fps, "29.8 fps");
  EXPECT_EQ(t.rate, "4.6 mb\\sec");
}

// The live figures carry the rates so far, over the time elapsed.
TEST(CaptureStatistics, LiveSecondsCountWholeTenthsAndTheRatesAreSoFar) {
  EXPECT_DOUBLE_EQ(CaptureStatistics::SecondsOf(1999), 1.9);
  EXPECT_DOUBLE_EQ(CaptureStatistics::SecondsOf(99), 0.0);
  // 7 pictures of 100,000 bytes in 2,345 ms: 2.985 a second, 298,507 bytes a second.
  vd::StatisticsText t = CaptureStatistics::TextOf(CaptureStatistics::Live(7, 1, 2345, 100000));
  EXPECT_EQ(t.seconds, "2.3 Secs");
  EXPECT_EQ(t.fps, "2.9 fps");
  EXPECT_EQ(t.rate, "0.3 mb\\sec");
  t = CaptureStatistics::TextOf(CaptureStatistics::Live(0, 0, 0, 0));
  EXPECT_EQ(t.fps, "0.0 fps");
}

// The margin is kept off the free space only: a file that holds room already (pre-allocated)
// may fill it to the end, and a disk below the margin gives no more than the file holds.
TEST(DiskBudget, TheMarginIsKeptFreeAndTheTimeLeftFollowsTheRate) {
  using vd::DiskBudget;
  constexpr int64_t kMiB = 1024 * 1024;
  constexpr int64_t kMargin = DiskBudget::kMarginBytes;
  EXPECT_EQ(DiskBudget::FileCapacity(0, kMargin + 10 * kMiB), 10 * kMiB);
  EXPECT_EQ(DiskBudget::FileCapacity(5 * kMiB, kMargin + 10 * kMiB), 15 * kMiB);
  EXPECT_EQ(DiskBudget::FileCapacity(5 * kMiB, kMargin - 1), 5 * kMiB);
  EXPECT_EQ(DiskBudget::FileCapacity(0, 0), 0);
  // 10 MiB left at 1 MiB a second; a file past its room has none; no rate tells nothing.
  EXPECT_DOUBLE_EQ(DiskBudget::SecondsLeft(12 * kMiB, 2 * kMiB, kMiB), 10.0);
  EXPECT_DOUBLE_EQ(DiskBudget::SecondsLeft(12 * kMiB, 13 * kMiB, kMiB), 0.0);
  EXPECT_EQ(DiskBudget::TextOf(DiskBudget::SecondsLeft(12 * kMiB, 0, 0)), "");
  EXPECT_EQ(DiskBudget::TextOf(0.4), "0 sec");
  EXPECT_EQ(DiskBudget::TextOf(59.9), "59 sec");
  EXPECT_EQ(DiskBudget::TextOf(60), "1 min");
  EXPECT_EQ(DiskBudget::TextOf(3599), "59 min");
  EXPECT_EQ(DiskBudget::TextOf(3600 + 5 * 60 + 59), "1 h 05 min");
  EXPECT_EQ(DiskBudget::TextOf(99 * 3600 + 59 * 60), "99 h 59 min");
  EXPECT_EQ(DiskBudget::TextOf(100 * 3600), "> 99 h");
  EXPECT_EQ(DiskBudget::TextOf(-1), "");
  // The raw stream is exact: YUY2 pictures with their chunk headers and index entries, and
  // the sound's bytes. The compressions come out in the order of their sizes.
  vd::RecordingFormat format;
  EXPECT_DOUBLE_EQ(DiskBudget::ExpectedBytesPerSecond(format, 320, 240, 30, 192000),
                   (320 * 240 * 2 + 24) * 30 + 192000);
  EXPECT_EQ(DiskBudget::ExpectedBytesPerSecond(format, 320, 240, 0, 192000), 0);
  auto rate = [&](vd::VideoCodec codec) {
    format.codec = codec;
    return DiskBudget::ExpectedBytesPerSecond(format, 640, 480, 30, 0);
  };
  EXPECT_GT(rate(vd::VideoCodec::kNone), rate(vd::VideoCodec::kHuffyuv));
  EXPECT_GT(rate(vd::VideoCodec::kHuffyuv), rate(vd::VideoCodec::kMjpeg));
  EXPECT_GT(rate(vd::VideoCodec::kMjpeg), rate(vd::VideoCodec::kH264));
  EXPECT_NEAR(rate(vd::VideoCodec::kH264), 3000 * 1000 / 8, 30 * 24);
}

TEST(CaptureSettings, StoredIntervalsBecomeFramesPerSecond) {
  EXPECT_DOUBLE_EQ(CaptureSettings::FpsOfInterval(0), 1.0);
  EXPECT_DOUBLE_EQ(CaptureSettings::FpsOfInterval(333333), 30.0);
  EXPECT_DOUBLE_EQ(CaptureSettings::FpsOfInterval(400000), 25.0);
  EXPECT_DOUBLE_EQ(CaptureSettings::FpsOfInterval(3000000), 3.33);
  EXPECT_DOUBLE_EQ(CaptureSettings::FpsOfInterval(-5), 15.0);
  EXPECT_DOUBLE_EQ(CaptureSettings::FpsOfInterval(2000000000), 15.0);  // 0.005 truncates to 0
  EXPECT_EQ(CaptureSettings::IntervalOfFps(30.0), 333333);
  EXPECT_EQ(CaptureSettings::IntervalOfFps(1.0), 10000000);
}

TEST(CaptureSettings, OutOfRangeStoredValuesRunAsTheirDefaults) {
  const std::filesystem::path file =
      ::testing::TempDir() + "vd-capture-settings-" + std::to_string(::getpid()) + ".reg";
  vd::SettingsStore store(file, {});
  store.Update([](vd::SettingsStore::Batch& b) {
    b.WriteDword("AviCap", "PreAllocSizeKB", -5);
    b.WriteDword("AviCap", "MasterStream", 9);
    b.WriteDword("AviCap", "TimeLimit", -1);
    b.WriteDword("AviCap", "NumStillImages", -3);
  });
  CaptureSettings s = CaptureSettings::Load(store, vd::kFamilyPal);
  EXPECT_EQ(s.preAllocSizeKb, 10240);
  EXPECT_EQ(s.masterStream, -1);
  EXPECT_EQ(s.timeLimit, 10);
  EXPECT_EQ(s.numStillImages, 0);
  store.Update([](vd::SettingsStore::Batch& b) {
    b.WriteDword("AviCap", "PreAllocSizeKB", 0);
    b.WriteDword("AviCap", "MasterStream", 1);
    b.WriteDword("AviCap", "TimeLimit", 0);
  });
  s = CaptureSettings::Load(store, vd::kFamilyPal);
  EXPECT_EQ(s.preAllocSizeKb, 0);
  EXPECT_EQ(s.masterStream, 1);
  EXPECT_EQ(s.timeLimit, 0);
  std::filesystem::remove(file);
}

// Every codec of the table is stored under its name and read back as itself, whatever the
// case of the stored name; an unknown name reads as the raw stream.
TEST(CaptureSettings, EveryCodecRoundTripsThroughTheStore) {
  const std::filesystem::path file =
      ::testing::TempDir() + "vd-codec-rows-" + std::to_string(::getpid()) + ".reg";
  vd::SettingsStore store(file, {});
  ASSERT_EQ(vd::RecordingFormat::Codecs().size(), 4u);
  for (const vd::CodecRow& row : vd::RecordingFormat::Codecs()) {
    SCOPED_TRACE(std::string(row.name));
    CaptureSettings s = CaptureSettings::Load(store, vd::kFamilyPal);
    s.recording.codec = row.codec;
    ASSERT_TRUE(s.Save(store));
    EXPECT_EQ(CaptureSettings::Load(store, vd::kFamilyPal).recording.codec, row.codec);
    std::string upper(row.name);
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_EQ(vd::RecordingFormat::CodecOf(upper), row.codec);
    EXPECT_EQ(&vd::RecordingFormat::RowOf(row.codec), &row);
    EXPECT_EQ(row.encoder.empty(), row.makeEncoder == nullptr);
  }
  store.Update(
      [](vd::SettingsStore::Batch& b) { b.WriteString("AviCap", "CaptureCodec", "xvid"); });
  EXPECT_EQ(CaptureSettings::Load(store, vd::kFamilyPal).recording.codec, vd::VideoCodec::kNone);
  std::filesystem::remove(file);
}

TEST(VideoStandards, FamiliesAndStandardsByCountry) {
  EXPECT_EQ(VideoStandards::DetectFamily(1), vd::kFamilyNtsc);
  EXPECT_EQ(VideoStandards::DetectFamily(886), vd::kFamilyNtsc);
  EXPECT_EQ(VideoStandards::DetectFamily(33), vd::kFamilySecam);
  EXPECT_EQ(VideoStandards::DetectFamily(49), vd::kFamilyPal);
  EXPECT_EQ(VideoStandards::StandardOf(vd::kFamilyNtsc, 81), vd::standard::kNtscMJapan);
  EXPECT_EQ(VideoStandards::StandardOf(vd::kFamilyNtsc, 1), vd::standard::kNtscM);
  EXPECT_EQ(VideoStandards::StandardOf(vd::kFamilyPal, 86), vd::standard::kPalD);
  EXPECT_EQ(VideoStandards::StandardOf(vd::kFamilyPal, 27), vd::standard::kPalI);
  EXPECT_EQ(VideoStandards::StandardOf(vd::kFamilyPal, 55), vd::standard::kPalM);
  EXPECT_EQ(VideoStandards::StandardOf(vd::kFamilyPal, 598), vd::standard::kPalN);
  EXPECT_EQ(VideoStandards::StandardOf(vd::kFamilyPal, 49), vd::standard::kPalB);
  EXPECT_EQ(VideoStandards::StandardOf(vd::kFamilySecam, 7), vd::standard::kSecamD);
  EXPECT_EQ(VideoStandards::StandardOf(vd::kFamilySecam, 377), vd::standard::kSecamL);
  EXPECT_EQ(VideoStandards::StandardOf(vd::kFamilySecam, 216), vd::standard::kSecamB);
  EXPECT_EQ(VideoStandards::StandardOf(7, 49), 0u);
}

TEST(VideoStandards, StillSizesAndMaximumRates) {
  int32_t w = 0;
  int32_t h = 0;
  VideoStandards::StillSizeOf(vd::standard::kPalNCombo, &w, &h);
  EXPECT_EQ(w, 768);
  EXPECT_EQ(h, 576);
  VideoStandards::StillSizeOf(vd::standard::kSecamL, &w, &h);
  EXPECT_EQ(w, 640);
  EXPECT_EQ(h, 480);
  EXPECT_DOUBLE_EQ(VideoStandards::MaxFramesPerSecond(vd::standard::kPalB), 25.0);
  EXPECT_NEAR(VideoStandards::MaxFramesPerSecond(vd::standard::kNtscM), 30.00003, 1e-5);
}

}  // namespace
