// The argument and state checks every back-end owes its callers, done once: each public
// operation checks the facility or pin, the device's presence, null outputs and the ranges
// the interface defines, and only then hands a valid request to the back-end's hook. The
// back-ends answer for what differs: their hardware.
#pragma once

#include <vector>

#include "vd/capture_device.h"

namespace vd {

class CheckedCaptureDevice : public CaptureDevice {
 public:
  // The crossbar's outputs, fixed by the interface.
  static constexpr int32_t kVideoOutput = 0;
  static constexpr int32_t kAudioOutput = 1;
  static constexpr int32_t kCrossbarOutputs = 2;
  // The longest frame interval a video pin takes: one picture a second, in 100 ns units.
  static constexpr int64_t kSlowestFrameInterval = 10'000'000;
  // The sound every audio pin takes: 16-bit mono or stereo PCM at 8 to 48 kHz.
  static constexpr int32_t kMaxAudioChannels = 2;
  static constexpr int32_t kAudioBitsPerSample = 16;
  static constexpr int32_t kMinSampleRate = 8000;
  static constexpr int32_t kMaxSampleRate = 48000;
  // The smallest picture side a video pin takes.
  static constexpr int32_t kMinSide = 32;
  // AmpProperty's values run from 0 up to this.
  static constexpr int kAmpProperties = 4;

  std::vector<PinInfo> Pins() const final { return pins_; }
  KsPropertySet* QueryPinPropertySet(size_t pinIndex) final;

  HResult CrossbarPinCounts(int32_t* outputs, int32_t* inputs) final;
  HResult CrossbarPinInfo(bool isInput, int32_t index, CrossbarPin* pin) final;
  HResult CanRoute(int32_t output, int32_t input) final;
  HResult Route(int32_t output, int32_t input) final;
  HResult IsRoutedTo(int32_t output, int32_t* input) final;

  HResult AvailableTvFormats(uint32_t* mask) final;
  HResult SetTvFormat(uint32_t standard) final;
  HResult TvFormat(uint32_t* standard) final;
  HResult HorizontalLocked(bool* locked) final;

  HResult GetAmpRange(AmpProperty property, AmpRange* range) final;
  HResult GetAmp(AmpProperty property, int32_t* value) final;
  HResult SetAmp(AmpProperty property, int32_t value) final;

  HResult GetVideoFormat(PinKind pin, VideoFormat* format) final;
  HResult SetVideoFormat(PinKind pin, const VideoFormat& format) final;
  HResult VideoFormatCaps(PinKind pin, std::vector<VideoFormat>* formats) final;
  HResult GetAudioFormat(PinKind pin, AudioFormat* format) final;
  HResult SetAudioFormat(PinKind pin, const AudioFormat& format) final;
  HResult MaxAvailableFrameInterval(PinKind pin, int32_t width, int32_t height,
                                    int64_t* interval) final;

  HResult GetVideoControlMode(uint32_t* mode) final;
  HResult SetVideoControlMode(uint32_t mode) final;
  HResult GetFrameCounts(FrameCounts* counts) final;

 protected:
  // The hardware behind the object is still there. The facilities and the video pins ask
  // this; the audio pins ask IsConnected(), which a sound card's line input always is.
  virtual bool IsAlive() const = 0;
  bool HasOutput(PinKind pin) const;

  // Crossbar: inputs are 0 <= index < CrossbarInputCount().
  virtual int32_t CrossbarInputCount() const = 0;
  virtual CrossbarPin CrossbarInput(int32_t index) const = 0;
  virtual bool Routable(int32_t output, int32_t input) const = 0;
  virtual HResult DoRoute(int32_t output, int32_t input) = 0;      // Routable
  virtual HResult DoRoutedTo(int32_t output, int32_t* input) = 0;  // a valid output

  virtual HResult DoAvailableTvFormats(uint32_t* mask) = 0;
  virtual HResult DoSetTvFormat(uint32_t standard) = 0;  // exactly one bit
  virtual HResult DoTvFormat(uint32_t* standard) = 0;
  virtual HResult DoHorizontalLocked(bool* locked) = 0;

  virtual HResult DoGetAmpRange(AmpProperty property, AmpRange* range) = 0;
  virtual HResult DoGetAmp(AmpProperty property, int32_t* value) = 0;
  virtual HResult DoSetAmp(AmpProperty property, int32_t value) = 0;  // within its range

  // The largest picture and the shortest frame interval of the video pins.
  virtual void MaxPictureSize(int32_t* width, int32_t* height) = 0;
  virtual int64_t FastestInterval() = 0;
  virtual HResult DoGetVideoFormat(PinKind pin, VideoFormat* format) = 0;
  virtual HResult DoSetVideoFormat(PinKind pin, const VideoFormat& format) = 0;  // accepted
  virtual HResult DoVideoFormatCaps(PinKind pin, std::vector<VideoFormat>* formats) = 0;
  virtual HResult DoGetAudioFormat(AudioFormat* format) = 0;
  virtual HResult DoSetAudioFormat(const AudioFormat& format) = 0;  // accepted

  virtual HResult DoGetVideoControlMode(uint32_t* mode) = 0;
  virtual HResult DoSetVideoControlMode(uint32_t mode) = 0;  // known bits only
  virtual HResult DoGetFrameCounts(FrameCounts* counts) = 0;

  std::vector<PinInfo> pins_;

 private:
  HResult Check(DeviceFacility facility) const;
  HResult CheckVideoPin(PinKind pin) const;
  HResult CheckAudioPin(PinKind pin) const;
  HResult CheckStillTrigger() const;
  HResult CheckPictureSize(int32_t width, int32_t height);
};

}  // namespace vd
