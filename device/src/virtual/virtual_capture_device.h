// A device object opened on a virtual TV box: the box's video capture filter, its audio
// capture device, or the sound card's line input beside it. Every object of one box shares
// the box's hardware state; each is bound to the plug-in it was opened in.
#pragma once

#include <memory>
#include <mutex>
#include <vector>

#include "checked_capture_device.h"

namespace vd {

class VirtualHardware;

class VirtualCaptureDevice final : public CheckedCaptureDevice {
 public:
  enum class Model { kVideo, kAudio, kLineIn };

  VirtualCaptureDevice(Model model, DeviceInfo info, std::shared_ptr<VirtualHardware> hardware);
  ~VirtualCaptureDevice() override;

  const DeviceInfo& Info() const override { return info_; }
  bool IsConnected() const override;
  bool HasFacility(DeviceFacility facility) const override;
  KsPropertySet* QueryPropertySet() override;
  void SetUnheardSnapshotHandler(std::function<void()> handler) override;
  GstElement* CreateSourceBin(PinKind pin) override;

  static constexpr uint32_t kAvailableStandards = 0x1FFFF3;  // all but NTSC 4.43

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

  Model model_;
  DeviceInfo info_;
  std::shared_ptr<VirtualHardware> hardware_;
  uint64_t generation_;
  // The line input is no part of the box: its format is its own.
  mutable std::mutex lineInMutex_;
  AudioFormat lineInFormat_;
};

}  // namespace vd
