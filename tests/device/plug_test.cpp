// Several clients on one box, unplug and plug-in: events, dead device objects, and what a
// running source does when its device goes.
#include <gtest/gtest.h>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "pipeline_probe.h"
#include "vd/device_enumerator.h"
#include "vd/device_props.h"
#include "vd/virtual_box_backend.h"
#include "vd/virtual_tv_box.h"

namespace vd {
namespace {

class RecordingSink : public DeviceEventSink {
 public:
  void OnDeviceArrived(const DeviceInfo& d) override { Add("+" + d.friendlyName); }
  void OnDeviceRemoved(const DeviceInfo& d) override { Add("-" + d.friendlyName); }
  std::vector<std::string> Events() {
    std::lock_guard lock(mutex_);
    return events_;
  }

 private:
  void Add(std::string e) {
    std::lock_guard lock(mutex_);
    events_.push_back(std::move(e));
  }
  std::mutex mutex_;
  std::vector<std::string> events_;
};

class PlugTest : public ::testing::Test {
 protected:
  PlugTest() : box_(std::make_shared<VirtualTvBox>(VirtualBoxConfig{})) {
    box_->SetLockTime(std::chrono::milliseconds(0));
    enumerator_.AddBackend(std::make_unique<VirtualBoxBackend>(box_));
  }

  std::shared_ptr<VirtualTvBox> box_;
  DeviceEnumerator enumerator_;
};

TEST_F(PlugTest, TwoClientsSeeOneHardwareState) {
  auto engine = enumerator_.OpenVideoInput(0);
  auto parser = enumerator_.OpenVideoInput(0);
  ASSERT_NE(engine, nullptr);
  ASSERT_NE(parser, nullptr);
  KsPropertySetPtr a(engine->QueryPropertySet());
  KsPropertySetPtr b(parser->QueryPropertySet());
  uint32_t hz = 175250000, read = 0;
  ASSERT_EQ(a->Set(kPropSetTuner, kTunerPropFrequency, nullptr, 0, &hz, 4), kSOk);
  ASSERT_EQ(b->Get(kPropSetTuner, kTunerPropFrequency, nullptr, 0, &read, 4, nullptr), kSOk);
  EXPECT_EQ(read, hz);
  uint32_t reg = 6;
  uint8_t v = 2, got = 0;
  ASSERT_EQ(b->Set(kPropSetAsic, kAsicPropRegister, &reg, 4, &v, 1), kSOk);
  ASSERT_EQ(a->Get(kPropSetAsic, kAsicPropRegister, &reg, 4, &got, 1, nullptr), kSOk);
  EXPECT_EQ(got, 2);
  a.reset();
  b.reset();

  ASSERT_EQ(engine->Route(0, 1), kSOk);
  int32_t input = -1;
  ASSERT_EQ(parser->IsRoutedTo(0, &input), kSOk);
  EXPECT_EQ(input, 1);
  ASSERT_EQ(engine->SetAmp(AmpProperty::kContrast, 40), kSOk);
  int32_t contrast = 0;
  ASSERT_EQ(parser->GetAmp(AmpProperty::kContrast, &contrast), kSOk);
  EXPECT_EQ(contrast, 40);
  ASSERT_EQ(engine->SetTvFormat(standard::kSecamL), kSOk);
  uint32_t format = 0;
  ASSERT_EQ(parser->TvFormat(&format), kSOk);
  EXPECT_EQ(format, standard::kSecamL);
}

TEST_F(PlugTest, CrossbarRoutesByPhysicalType) {
  auto device = enumerator_.OpenVideoInput(0);
  int32_t outputs = 0, inputs = 0;
  ASSERT_EQ(device->CrossbarPinCounts(&outputs, &inputs), kSOk);
  EXPECT_EQ(outputs, 2);
  std::vector<int32_t> types;
  for (int32_t i = 0; i < inputs; ++i) {
    CrossbarPin pin;
    ASSERT_EQ(device->CrossbarPinInfo(true, i, &pin), kSOk);
    types.push_back(pin.physicalType);
  }
  // Video tuner, composite, S-Video; the TV and the radio sound of the tuner; line.
  EXPECT_EQ(types, (std::vector<int32_t>{1, 2, 3, 0x1000, 0x1000, 0x1001}));
  CrossbarPin pin;
  EXPECT_EQ(device->CrossbarPinInfo(true, inputs, &pin), kEInvalidArg);
  EXPECT_EQ(device->CanRoute(0, 2), kSOk);
  EXPECT_EQ(device->CanRoute(0, 3), kSFalse);  // a sound input cannot feed the video output
  EXPECT_EQ(device->Route(1, 0), kEInvalidArg);
  EXPECT_EQ(device->Route(2, 0), kEInvalidArg);
  int32_t routed = -1;
  ASSERT_EQ(device->Route(0, 2), kSOk);
  ASSERT_EQ(device->IsRoutedTo(0, &routed), kSOk);
  EXPECT_EQ(routed, 2);
  // External inputs always carry a locked picture.
  bool locked = false;
  ASSERT_EQ(device->HorizontalLocked(&locked), kSOk);
  EXPECT_TRUE(locked);
}

TEST_F(PlugTest, UnplugAndPlugAreReportedToSubscribers) {
  RecordingSink sink;
  enumerator_.Subscribe(&sink);
  box_->Unplug();
  box_->Unplug();  // already out: no second event
  EXPECT_TRUE(enumerator_.VideoInputDevices().empty());
  ASSERT_EQ(enumerator_.AudioInputDevices().size(), 1u);  // the sound card stays
  box_->Plug();
  enumerator_.Unsubscribe(&sink);
  box_->Unplug();  // not delivered after unsubscribing
  EXPECT_EQ(sink.Events(), (std::vector<std::string>{
                               "-Brevant TV USB Video Capture", "-Brevant TV USB Audio Capture",
                               "+Brevant TV USB Video Capture", "+Brevant TV USB Audio Capture"}));
}

TEST_F(PlugTest, DeviceObjectsStayGoneAfterReplug) {
  auto device = enumerator_.OpenVideoInput(0);
  KsPropertySetPtr props(device->QueryPropertySet());
  box_->Unplug();
  EXPECT_FALSE(device->IsConnected());
  uint32_t v = 0;
  EXPECT_EQ(props->Get(kPropSetProduct, kProductPropId, nullptr, 0, &v, 4, nullptr), kEDeviceGone);
  uint32_t format = 0;
  EXPECT_EQ(device->TvFormat(&format), kEDeviceGone);
  EXPECT_EQ(device->CreateSourceBin(PinKind::kCapture), nullptr);
  EXPECT_EQ(enumerator_.OpenVideoInput(0), nullptr);
  box_->Plug();
  // The old objects belong to the old plug-in; a new open works.
  EXPECT_EQ(props->Get(kPropSetProduct, kProductPropId, nullptr, 0, &v, 4, nullptr), kEDeviceGone);
  EXPECT_FALSE(device->IsConnected());
  props.reset();
  auto again = enumerator_.OpenVideoInput(0);
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(again->TvFormat(&format), kSOk);
}

class RunningSourceUnplugTest : public PlugTest, public ::testing::WithParamInterface<PinKind> {};

TEST_P(RunningSourceUnplugTest, PostsAnErrorAndEndsTheStream) {
  auto device = enumerator_.OpenVideoInput(0);
  GstElement* bin = device->CreateSourceBin(GetParam());
  ASSERT_NE(bin, nullptr);
  test::PipelineProbe probe(bin);
  ASSERT_TRUE(probe.WaitPlaying());
  if (GetParam() != PinKind::kStill) {
    GstSample* first = probe.Pull();
    ASSERT_NE(first, nullptr);
    gst_sample_unref(first);
  }
  box_->Unplug();
  std::string text;
  EXPECT_EQ(probe.WaitForEnd(std::chrono::seconds(5), &text), GST_MESSAGE_ERROR);
  EXPECT_EQ(text, "The capture device was unplugged.");
  // The stream ends: the sink sees end-of-stream instead of waiting forever.
  while (GstSample* s = probe.Pull(std::chrono::seconds(5))) gst_sample_unref(s);
  EXPECT_TRUE(probe.IsEos());
}

std::string PinName(const ::testing::TestParamInfo<PinKind>& info) {
  static const char* const kNames[] = {"Capture",      "Preview",      "Still",
                                       "AudioPreview", "AudioCapture", "Bulk"};
  return kNames[static_cast<int>(info.param)];
}

INSTANTIATE_TEST_SUITE_P(AllPins, RunningSourceUnplugTest,
                         ::testing::Values(PinKind::kCapture, PinKind::kPreview, PinKind::kStill,
                                           PinKind::kAudioCapture, PinKind::kBulk),
                         PinName);

}  // namespace
}  // namespace vd
