// A device object opened on a real card: its video capture filter (pins, crossbar,
// standards, amplifier, formats, still trigger) or its sound device. Every object of one
// card shares the card's state.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "v4l2_property_set.h"
#include "vd/capture_device.h"

namespace vd {

class V4l2Card;

class V4l2CaptureDevice final : public CaptureDevice {
 public:
  enum class Model { kVideo, kAudio };

  struct Options {
    V4l2TunerOptions tuner;
    // gst-launch fragment of the sound source; empty for a card without sound.
    std::string audioSource;
  };

  V4l2CaptureDevice(Model model, DeviceInfo info, std::shared_ptr<V4l2Card> card, Options options);

  const DeviceInfo& Info() const override { return info_; }
  bool IsConnected() const override;
  bool HasFacility(DeviceFacility facility) const override;
  std::vector<PinInfo> Pins() const override { return pins_; }
  KsPropertySet* QueryPinPropertySet(size_t pinIndex) override;
  KsPropertySet* QueryPropertySet() override;

  HResult CrossbarPinCounts(int32_t* outputs, int32_t* inputs) override;
  HResult CrossbarPinInfo(bool isInput, int32_t index, CrossbarPin* pin) override;
  HResult CanRoute(int32_t output, int32_t input) override;
  HResult Route(int32_t output, int32_t input) override;
  HResult IsRoutedTo(int32_t output, int32_t* input) override;

  HResult AvailableTvFormats(uint32_t* mask) override;
  HResult SetTvFormat(uint32_t standard) override;
  HResult TvFormat(uint32_t* standard) override;
  HResult HorizontalLocked(bool* locked) override;

  HResult GetAmpRange(AmpProperty property, AmpRange* range) override;
  HResult GetAmp(AmpProperty property, int32_t* value) override;
  HResult SetAmp(AmpProperty property, int32_t value) override;

  HResult GetVideoFormat(PinKind pin, VideoFormat* format) override;
  HResult SetVideoFormat(PinKind pin, const VideoFormat& format) override;
  HResult VideoFormatCaps(PinKind pin, std::vector<VideoFormat>* formats) override;
  HResult GetAudioFormat(PinKind pin, AudioFormat* format) override;
  HResult SetAudioFormat(PinKind pin, const AudioFormat& format) override;
  HResult MaxAvailableFrameInterval(PinKind pin, int32_t width, int32_t height,
                                    int64_t* interval) override;

  HResult GetVideoControlMode(uint32_t* mode) override;
  HResult SetVideoControlMode(uint32_t mode) override;
  HResult GetFrameCounts(FrameCounts* counts) override;

  GstElement* CreateSourceBin(PinKind pin) override;

 private:
  HResult Check(DeviceFacility facility) const;
  HResult CheckVideoPin(PinKind pin) const;
  HResult CheckAudioPin(PinKind pin) const;
  bool HasOutput(PinKind pin) const;
  int32_t VideoInputCount() const;
  // The largest picture the card delivers, asked once with TRY_FMT.
  void MaxSize(int32_t* width, int32_t* height);
  int64_t FastestInterval();

  Model model_;
  DeviceInfo info_;
  std::shared_ptr<V4l2Card> card_;
  Options options_;
  std::vector<PinInfo> pins_;
};

}  // namespace vd
