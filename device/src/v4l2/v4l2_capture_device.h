// A device object opened on a real card: its video capture filter (pins, crossbar,
// standards, amplifier, formats, still trigger) or its sound device. Every object of one
// card shares the card's state.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "checked_capture_device.h"
#include "v4l2_property_set.h"

namespace vd {

class V4l2Card;

class V4l2CaptureDevice final : public CheckedCaptureDevice {
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
  KsPropertySet* QueryPropertySet() override;
  GstElement* CreateSourceBin(PinKind pin) override;
  // Another program holds the card's record priority.
  bool HeldByAnotherRecording();

 private:
  bool IsAlive() const override;

  int32_t CrossbarInputCount() const override;
  CrossbarPin CrossbarInput(int32_t index) const override;
  bool Routable(int32_t output, int32_t input) const override;
  HResult DoRoute(int32_t output, int32_t input) override;
  HResult DoRoutedTo(int32_t output, int32_t* input) override;

  HResult DoAvailableTvFormats(uint32_t* mask) override;
  HResult DoSetTvFormat(uint32_t standard) override;
  HResult DoTvFormat(uint32_t* standard) override;
  HResult DoHorizontalLocked(bool* locked) override;

  HResult DoGetAmpRange(AmpProperty property, AmpRange* range) override;
  HResult DoGetAmp(AmpProperty property, int32_t* value) override;
  HResult DoSetAmp(AmpProperty property, int32_t value) override;

  // The largest picture the card delivers, asked with TRY_FMT.
  void MaxPictureSize(int32_t* width, int32_t* height) override;
  int64_t FastestInterval() override;
  HResult DoGetVideoFormat(PinKind pin, VideoFormat* format) override;
  HResult DoSetVideoFormat(PinKind pin, const VideoFormat& format) override;
  HResult DoVideoFormatCaps(PinKind pin, std::vector<VideoFormat>* formats) override;
  HResult DoGetAudioFormat(AudioFormat* format) override;
  HResult DoSetAudioFormat(const AudioFormat& format) override;

  HResult DoGetVideoControlMode(uint32_t* mode) override;
  HResult DoSetVideoControlMode(uint32_t mode) override;
  HResult DoGetFrameCounts(FrameCounts* counts) override;

  int32_t VideoInputCount() const;
  // The card's format of a video pin; the card's mutex held.
  VideoFormat& FormatOf(PinKind pin);

  Model model_;
  DeviceInfo info_;
  std::shared_ptr<V4l2Card> card_;
  Options options_;
};

}  // namespace vd
