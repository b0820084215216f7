// The engine's rules without a device: statistics, stored rates, standards, bitmap files.
#include <gtest/gtest.h>

#include "capture_settings.h"
#include "capture_statistics.h"
#include "vd/capture_types.h"
#include "video_standards.h"

namespace {

using vd::CaptureSettings;
using vd::CaptureStatistics;
using vd::VideoStandards;

TEST(CaptureStatistics, UnderOneMillisecondReportsZeroRates) {
  vd::StatisticsRecord r = CaptureStatistics::Final(5, 0, 0, 153600);
  EXPECT_EQ(r.fps, 0.0);
  EXPECT_EQ(r.megabytesPerSecond, 0.0);
  vd::StatisticsText t = CaptureStatistics::TextOf(r, true);
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
  vd::StatisticsText t = CaptureStatistics::TextOf(r, true);
  EXPECT_EQ(t.seconds, "10.0 Secs");
  EXPECT_EQ(t.dropped, "3");
  EXPECT_EQ(t.fps, "29.8 fps");
  EXPECT_EQ(t.rate, "4.6 mb\\sec");
}

TEST(CaptureStatistics, LiveSecondsCountWholeTenths) {
  EXPECT_DOUBLE_EQ(CaptureStatistics::SecondsOf(1999), 1.9);
  EXPECT_DOUBLE_EQ(CaptureStatistics::SecondsOf(99), 0.0);
  vd::StatisticsText t = CaptureStatistics::TextOf(CaptureStatistics::Live(7, 1, 2345), false);
  EXPECT_EQ(t.seconds, "2.3 Secs");
  EXPECT_TRUE(t.fps.empty());
  EXPECT_TRUE(t.rate.empty());
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
