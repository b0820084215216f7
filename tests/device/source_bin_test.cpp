// The GStreamer source bins of the virtual TV box, run into an appsink.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <numeric>

#include "pipeline_probe.h"
#include "vd/device_enumerator.h"
#include "vd/device_props.h"
#include "vd/virtual_box_backend.h"
#include "vd/virtual_tv_box.h"

namespace vd {
namespace {

using test::PipelineProbe;

struct Luma {
  double mean = 0;
  double spread = 0;  // standard deviation of Y
  double chroma = 0;  // mean distance of U and V from 128
};

// Statistics of a YUY2 frame.
Luma Measure(GstSample* sample) {
  GstMapInfo map;
  GstBuffer* buffer = gst_sample_get_buffer(sample);
  Luma l;
  if (!gst_buffer_map(buffer, &map, GST_MAP_READ)) return l;
  double sum = 0, sq = 0, c = 0;
  size_t n = map.size / 2;
  for (size_t i = 0; i < map.size; i += 2) {
    double y = map.data[i];
    sum += y;
    sq += y * y;
    c += std::abs(static_cast<int>(map.data[i + 1]) - 128);
  }
  gst_buffer_unmap(buffer, &map);
  l.mean = sum / n;
  l.spread = std::sqrt(std::max(0.0, sq / n - l.mean * l.mean));
  l.chroma = c / n;
  return l;
}

class SourceBinTest : public ::testing::Test {
 protected:
  SourceBinTest() : box_(std::make_shared<VirtualTvBox>(VirtualBoxConfig{})) {
    box_->SetLockTime(std::chrono::milliseconds(0));
    enumerator_.AddBackend(std::make_unique<VirtualBoxBackend>(box_));
    device_ = enumerator_.OpenVideoInput(0);
  }

  // Pulls frames until `done` holds for one (at most 20); returns its statistics.
  template <typename Done>
  Luma FrameWhere(PipelineProbe& probe, Done done) {
    Luma l;
    for (int i = 0; i < 20; ++i) {
      GstSample* sample = probe.Pull();
      if (sample == nullptr) break;
      l = Measure(sample);
      gst_sample_unref(sample);
      if (done(l)) break;
    }
    return l;
  }

  std::shared_ptr<VirtualTvBox> box_;
  DeviceEnumerator enumerator_;
  std::unique_ptr<CaptureDevice> device_;
};

TEST_F(SourceBinTest, BulkPinDeliversSamplesOfBytes) {
  ASSERT_NE(device_, nullptr);
  GstElement* bin = device_->CreateSourceBin(PinKind::kBulk);
  ASSERT_NE(bin, nullptr);
  PipelineProbe probe(bin);
  ASSERT_TRUE(probe.Linked());
  size_t total = 0;
  for (int i = 0; i < 5; ++i) {
    auto bytes = probe.PullBytes();
    ASSERT_FALSE(bytes.empty()) << "sample " << i;
    total += bytes.size();
  }
  EXPECT_EQ(total, 5u * 1024u);
}

TEST_F(SourceBinTest, CapturePinDeliversFramesOfTheCaptureFormat) {
  GstElement* bin = device_->CreateSourceBin(PinKind::kCapture);
  ASSERT_NE(bin, nullptr);
  PipelineProbe probe(bin);
  GstSample* sample = probe.Pull();
  ASSERT_NE(sample, nullptr);
  EXPECT_EQ(test::CapsInt(sample, "width"), 320);
  EXPECT_EQ(test::CapsInt(sample, "height"), 240);
  EXPECT_EQ(test::CapsString(sample, "format"), "YUY2");
  EXPECT_EQ(gst_buffer_get_size(gst_sample_get_buffer(sample)), 320u * 240u * 2u);
  gst_sample_unref(sample);
}

TEST_F(SourceBinTest, StandardSetsTheFrameRate) {
  struct Case {
    uint32_t standard;
    int fps;
    int64_t interval;
  };
  for (Case c : {Case{standard::kNtscM, 30, 333333}, Case{standard::kPalB, 25, 400000},
                 Case{standard::kSecamL, 25, 400000}, Case{standard::kNtscMJapan, 30, 333333}}) {
    ASSERT_EQ(device_->SetTvFormat(c.standard), kSOk);
    uint32_t now = 0;
    ASSERT_EQ(device_->TvFormat(&now), kSOk);
    EXPECT_EQ(now, c.standard);
    int64_t fastest = 0;
    ASSERT_EQ(device_->MaxAvailableFrameInterval(PinKind::kCapture, 320, 240, &fastest), kSOk);
    EXPECT_EQ(fastest, c.interval);
    VideoFormat format;
    ASSERT_EQ(device_->GetVideoFormat(PinKind::kCapture, &format), kSOk);
    EXPECT_EQ(format.frameInterval, c.interval);
    PipelineProbe probe(device_->CreateSourceBin(PinKind::kCapture));
    GstSample* sample = probe.Pull();
    ASSERT_NE(sample, nullptr);
    int num = 0, den = 0;
    gst_structure_get_fraction(gst_caps_get_structure(gst_sample_get_caps(sample), 0), "framerate",
                               &num, &den);
    EXPECT_EQ(num, c.fps);
    EXPECT_EQ(den, 1);
    gst_sample_unref(sample);
  }
}

TEST_F(SourceBinTest, InvalidStandardsAreRefused) {
  uint32_t mask = 0;
  ASSERT_EQ(device_->AvailableTvFormats(&mask), kSOk);
  for (uint32_t bit :
       {0x1u, 0x2u, 0x10u, 0x20u, 0x100u, 0x200u, 0x400u, 0x1000u, 0x2000u, 0x40000u}) {
    EXPECT_NE(mask & bit, 0u) << std::hex << bit;
  }
  EXPECT_EQ(device_->SetTvFormat(0), kEInvalidArg);
  EXPECT_EQ(device_->SetTvFormat(standard::kNtscM | standard::kPalB), kEInvalidArg);
  EXPECT_EQ(device_->SetTvFormat(0x200000), kEInvalidArg);
}

TEST_F(SourceBinTest, EngineFormatIsAcceptedAndFasterThanTheStandardIsNot) {
  ASSERT_EQ(device_->SetTvFormat(standard::kPalI), kSOk);
  VideoFormat forced{320, 240, kFourccYuy2, 16, 400000};
  EXPECT_EQ(device_->SetVideoFormat(PinKind::kCapture, forced), kSOk);
  VideoFormat tooFast = forced;
  tooFast.frameInterval = 333333;
  EXPECT_EQ(device_->SetVideoFormat(PinKind::kCapture, tooFast), kEInvalidArg);
  VideoFormat odd{321, 240, kFourccYuy2, 16, 400000};
  EXPECT_EQ(device_->SetVideoFormat(PinKind::kCapture, odd), kEInvalidArg);
  VideoFormat huge{4096, 4096, kFourccYuy2, 16, 400000};
  EXPECT_EQ(device_->SetVideoFormat(PinKind::kCapture, huge), kEInvalidArg);
  VideoFormat yuvStill{640, 480, kFourccYuy2, 16, 400000};
  EXPECT_EQ(device_->SetVideoFormat(PinKind::kStill, yuvStill), kEInvalidArg);
  VideoFormat kept;
  ASSERT_EQ(device_->GetVideoFormat(PinKind::kCapture, &kept), kSOk);
  EXPECT_EQ(kept, forced);
}

TEST_F(SourceBinTest, StillPicturesFollowTheStandard) {
  struct Case {
    uint32_t standard;
    int width, height;
  };
  ASSERT_EQ(device_->SetVideoControlMode(kVideoControlExternalTriggerEnable), kSOk);
  for (Case c : {Case{standard::kNtscM, 640, 480}, Case{standard::kPalB, 768, 576},
                 Case{standard::kSecamD, 640, 480}}) {
    ASSERT_EQ(device_->SetTvFormat(c.standard), kSOk);
    VideoFormat still;
    ASSERT_EQ(device_->GetVideoFormat(PinKind::kStill, &still), kSOk);
    EXPECT_EQ(still.width, c.width);
    EXPECT_EQ(still.height, c.height);
    EXPECT_EQ(still.bitCount, 24);
    PipelineProbe probe(device_->CreateSourceBin(PinKind::kStill));
    ASSERT_TRUE(probe.WaitPlaying());
    uint32_t mode = 0;
    ASSERT_EQ(device_->GetVideoControlMode(&mode), kSOk);
    ASSERT_EQ(device_->SetVideoControlMode(mode | kVideoControlTrigger), kSOk);
    GstSample* sample = probe.Pull();
    ASSERT_NE(sample, nullptr);
    EXPECT_EQ(test::CapsInt(sample, "width"), c.width);
    EXPECT_EQ(test::CapsInt(sample, "height"), c.height);
    EXPECT_EQ(test::CapsString(sample, "format"), "BGR");
    EXPECT_EQ(gst_buffer_get_size(gst_sample_get_buffer(sample)),
              static_cast<size_t>(c.width) * c.height * 3);
    gst_sample_unref(sample);
    // The trigger bit clears itself; the external trigger stays enabled.
    ASSERT_EQ(device_->GetVideoControlMode(&mode), kSOk);
    EXPECT_EQ(mode, kVideoControlExternalTriggerEnable);
  }
}

TEST_F(SourceBinTest, SnapshotButtonNeedsTheExternalTrigger) {
  PipelineProbe probe(device_->CreateSourceBin(PinKind::kStill));
  ASSERT_TRUE(probe.WaitPlaying());
  ASSERT_EQ(device_->SetVideoControlMode(0), kSOk);
  box_->PressSnapshotButton();
  EXPECT_EQ(probe.Pull(std::chrono::milliseconds(300)), nullptr);
  ASSERT_EQ(device_->SetVideoControlMode(kVideoControlExternalTriggerEnable), kSOk);
  box_->PressSnapshotButton();
  GstSample* sample = probe.Pull();
  ASSERT_NE(sample, nullptr);
  gst_sample_unref(sample);
}

TEST_F(SourceBinTest, AmplifierRangesAndDefaults) {
  for (AmpProperty p :
       {AmpProperty::kBrightness, AmpProperty::kContrast, AmpProperty::kSaturation}) {
    AmpRange range;
    ASSERT_EQ(device_->GetAmpRange(p, &range), kSOk);
    EXPECT_LT(range.min, range.max);
    EXPECT_GT(range.step, 0);
    int32_t value = -1;
    ASSERT_EQ(device_->GetAmp(p, &value), kSOk);
    EXPECT_EQ(value, range.defaultValue);
    EXPECT_EQ(device_->SetAmp(p, range.max + 1), kEInvalidArg);
    EXPECT_EQ(device_->SetAmp(p, range.min - 1), kEInvalidArg);
    ASSERT_EQ(device_->SetAmp(p, range.max), kSOk);
    ASSERT_EQ(device_->GetAmp(p, &value), kSOk);
    EXPECT_EQ(value, range.max);
  }
  AmpRange range;
  EXPECT_EQ(device_->GetAmpRange(static_cast<AmpProperty>(7), &range), kEInvalidArg);
}

TEST_F(SourceBinTest, AmplifierActsOnThePixels) {
  uint32_t hz = 471250000;
  const KsPropertySetPtr props(device_->QueryPropertySet());
  ASSERT_EQ(props->Set(kPropSetTuner, kTunerPropFrequency, nullptr, 0, &hz, 4), kSOk);
  PipelineProbe probe(device_->CreateSourceBin(PinKind::kCapture));
  Luma normal = FrameWhere(probe, [](const Luma& l) { return l.chroma > 5; });
  ASSERT_GT(normal.spread, 20);  // colour bars, not snow's grey average

  ASSERT_EQ(device_->SetAmp(AmpProperty::kBrightness, 230), kSOk);
  Luma bright = FrameWhere(probe, [&](const Luma& l) { return l.mean > normal.mean + 30; });
  EXPECT_GT(bright.mean, normal.mean + 30);
  ASSERT_EQ(device_->SetAmp(AmpProperty::kBrightness, 128), kSOk);

  ASSERT_EQ(device_->SetAmp(AmpProperty::kContrast, 0), kSOk);
  Luma flat = FrameWhere(probe, [](const Luma& l) { return l.spread < 5; });
  EXPECT_LT(flat.spread, 5);
  ASSERT_EQ(device_->SetAmp(AmpProperty::kContrast, 128), kSOk);

  ASSERT_EQ(device_->SetAmp(AmpProperty::kSaturation, 0), kSOk);
  Luma grey = FrameWhere(probe, [](const Luma& l) { return l.chroma < 2; });
  EXPECT_LT(grey.chroma, 2);
}

TEST_F(SourceBinTest, PictureIsSnowOffAStationAndBarsOnTheInputs) {
  uint32_t hz = 472250000;  // nothing there
  const KsPropertySetPtr props(device_->QueryPropertySet());
  ASSERT_EQ(props->Set(kPropSetTuner, kTunerPropFrequency, nullptr, 0, &hz, 4), kSOk);
  PipelineProbe probe(device_->CreateSourceBin(PinKind::kCapture));
  // Snow: grey noise, no colour.
  Luma snow = FrameWhere(probe, [](const Luma& l) { return l.chroma < 2 && l.spread > 40; });
  EXPECT_LT(snow.chroma, 2);
  EXPECT_GT(snow.spread, 40);
  // The composite input shows its coloured picture whatever the tuner receives.
  ASSERT_EQ(device_->Route(0, 1), kSOk);
  Luma composite = FrameWhere(probe, [](const Luma& l) { return l.chroma > 5; });
  EXPECT_GT(composite.chroma, 5);
  ASSERT_EQ(device_->Route(0, 0), kSOk);
  Luma back = FrameWhere(probe, [](const Luma& l) { return l.chroma < 2; });
  EXPECT_LT(back.chroma, 2);
}

TEST_F(SourceBinTest, DroppedFramesFaultIsCounted) {
  box_->SetFaults({.dropEveryNth = 2});
  FrameCounts before;
  ASSERT_EQ(device_->GetFrameCounts(&before), kSOk);
  {
    PipelineProbe probe(device_->CreateSourceBin(PinKind::kCapture));
    for (int i = 0; i < 4; ++i) {
      GstSample* sample = probe.Pull();
      ASSERT_NE(sample, nullptr);
      gst_sample_unref(sample);
    }
  }
  FrameCounts after;
  ASSERT_EQ(device_->GetFrameCounts(&after), kSOk);
  EXPECT_GE(after.notDropped - before.notDropped, 4);
  EXPECT_GE(after.dropped - before.dropped, 3);
  EXPECT_EQ(after.averageFrameSize, 320 * 240 * 2);
}

}  // namespace
}  // namespace vd
