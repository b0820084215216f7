// A device object opened on a virtual TV box: the box's video capture filter, its audio
// capture device, or the sound card's line input beside it. Every object of one box shares
// the box's hardware state; each is bound to the plug-in it was opened in.
#pragma once

#include <memory>
#include <mutex>
#include <vector>

#include "vd/capture_device.h"

namespace vd {

class VirtualHardware;

class VirtualCaptureDevice final : public CaptureDevice {
 public:
  enum class Model { kVideo, kAudio, kLineIn };

  VirtualCaptureDevice(Model model, DeviceInfo info, std::shared_ptr<VirtualHardware> hardware);

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
  void SetUnheardSnapshotHandler(std::function<void()> handler) override;
  ~VirtualCaptureDevice() override;
  HResult GetFrameCounts(FrameCounts* counts) override;

  GstElement* CreateSourceBin(PinKind pin) override;

  static constexpr uint32_t kAvailableStandards = 0x1FFFF3;  // all but NTSC 4.43

 private:
  // kSOk, kEDeviceGone or kENoInterface for a call that needs `facility`.
  HResult Check(DeviceFacility facility) const;
  HResult CheckVideoPin(PinKind pin) const;
  HResult CheckAudioPin(PinKind pin) const;
  bool HasOutput(PinKind pin) const;

  Model model_;
  DeviceInfo info_;
  std::shared_ptr<VirtualHardware> hardware_;
  uint64_t generation_;
  std::vector<PinInfo> pins_;
  // The line input is no part of the box: its format is its own.
  mutable std::mutex lineInMutex_;
  AudioFormat lineInFormat_;
};

}  // namespace vd
