// The GStreamer source bins of the virtual TV box, run into an appsink.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "pipeline_probe.h"
#include "vd/device_enumerator.h"
#include "vd/virtual_box_backend.h"
#include "vd/virtual_tv_box.h"

namespace vd {
namespace {

using test::PipelineProbe;

class SourceBinTest : public ::testing::Test {
 protected:
  SourceBinTest() : box_(std::make_shared<VirtualTvBox>(VirtualBoxConfig{})) {
    box_->SetLockTime(std::chrono::milliseconds(0));
    enumerator_.AddBackend(std::make_unique<VirtualBoxBackend>(box_));
    device_ = enumerator_.OpenVideoInput(0);
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
  EXPECT_EQ(total, 5u * 512u);
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

}  // namespace
}  // namespace vd
