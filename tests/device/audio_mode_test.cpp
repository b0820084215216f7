// Registers 6 and 7 select the sound mode; the sound pins play it.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "pipeline_probe.h"
#include "vd/device_enumerator.h"
#include "vd/device_props.h"
#include "vd/virtual_box_backend.h"
#include "vd/virtual_tv_box.h"

namespace vd {
namespace {

// Zero crossings per channel over a block of interleaved S16 stereo: a tone's rate.
int Crossings(const std::vector<int16_t>& s, int channel) {
  int n = 0;
  for (size_t i = channel + 2; i < s.size(); i += 2) {
    if ((s[i - 2] < 0) != (s[i] < 0)) ++n;
  }
  return n;
}

class AudioModeTest : public ::testing::Test {
 protected:
  AudioModeTest() : box_(std::make_shared<VirtualTvBox>(VirtualBoxConfig{})) {
    box_->SetLockTime(std::chrono::milliseconds(0));
    enumerator_.AddBackend(std::make_unique<VirtualBoxBackend>(box_));
    device_ = enumerator_.OpenVideoInput(0);
    props_.reset(device_->QueryPropertySet());
  }

  void Write(uint32_t reg, uint8_t v) {
    ASSERT_EQ(props_->Set(kPropSetAsic, kAsicPropRegister, &reg, 4, &v, 1), kSOk);
  }
  // What the capture engine does to select a mode: register 6, then 7 pulsed 5 and 0.
  void Select(uint8_t value) {
    Write(6, value);
    Write(7, 5);
    Write(7, 0);
  }
  // 200 ms of the audio capture pin's sound.
  std::vector<int16_t> Listen() {
    test::PipelineProbe probe(device_->CreateSourceBin(PinKind::kAudioCapture));
    std::vector<int16_t> samples;
    probe.PullBytes();  // the first block may still hold the previous mode
    while (samples.size() < 16000 * 2 / 5) {
      auto bytes = probe.PullBytes();
      if (bytes.empty()) break;
      size_t at = samples.size();
      samples.resize(at + bytes.size() / 2);
      std::memcpy(samples.data() + at, bytes.data(), bytes.size() / 2 * 2);
    }
    return samples;
  }

  std::shared_ptr<VirtualTvBox> box_;
  DeviceEnumerator enumerator_;
  std::unique_ptr<CaptureDevice> device_;
  KsPropertySetPtr props_;
};

TEST_F(AudioModeTest, StereoSendsDifferentChannelsAndMonoTheSame) {
  uint32_t hz = 471250000;
  ASSERT_EQ(props_->Set(kPropSetTuner, kTunerPropFrequency, nullptr, 0, &hz, 4), kSOk);
  Select(2);
  auto stereo = Listen();
  ASSERT_GE(stereo.size(), 6400u);
  int left = Crossings(stereo, 0), right = Crossings(stereo, 1);
  EXPECT_GT(left, 20);
  EXPECT_NEAR(static_cast<double>(right) / left, 1.5, 0.1);

  Select(0);
  auto mono = Listen();
  ASSERT_GE(mono.size(), 6400u);
  EXPECT_NEAR(Crossings(mono, 0), left, left * 0.1);
  EXPECT_NEAR(Crossings(mono, 1), left, left * 0.1);

  Select(1);
  auto second = Listen();
  ASSERT_GE(second.size(), 6400u);
  EXPECT_NEAR(static_cast<double>(Crossings(second, 0)) / left, 2.0, 0.15);
}

TEST_F(AudioModeTest, RegisterSixAloneChangesNothing) {
  uint32_t hz = 471250000;
  ASSERT_EQ(props_->Set(kPropSetTuner, kTunerPropFrequency, nullptr, 0, &hz, 4), kSOk);
  Select(0);
  Write(6, 2);  // no strobe on register 7: the decoder keeps mono
  Write(7, 0);
  auto sound = Listen();
  ASSERT_GE(sound.size(), 6400u);
  EXPECT_NEAR(Crossings(sound, 1), Crossings(sound, 0), Crossings(sound, 0) * 0.1);
}

TEST_F(AudioModeTest, OffStationIsNoiseNotATone) {
  uint32_t hz = 472250000;
  ASSERT_EQ(props_->Set(kPropSetTuner, kTunerPropFrequency, nullptr, 0, &hz, 4), kSOk);
  auto sound = Listen();
  ASSERT_GE(sound.size(), 6400u);
  // Noise crosses zero far more often than any station's tone (at most 2.7 kHz here).
  EXPECT_GT(Crossings(sound, 0), static_cast<int>(sound.size() / 2 / 4));
}

}  // namespace
}  // namespace vd
