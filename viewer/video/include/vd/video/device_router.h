// Which capture devices the engine uses and how their inputs are routed: the device lists,
// the chosen video and audio device, the tuner control, the work mode's input and standard.
//
// Threads: the UI thread.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "vd/capture_device.h"
#include "vd/device_enumerator.h"
#include "vd/video/card_sound.h"
#include "vd/view_modes.h"

class TunerControl;

namespace vd {
class AudioPreview;
class CaptureHost;
class SettingsStore;
class TuningContext;
struct CaptureSettings;

class DeviceRouter {
 public:
  // Tells the user (UI thread).
  using Tell = std::function<void(const std::string&)>;
  // `unheardStill` is what the video device calls when its still button finds no picture.
  DeviceRouter(DeviceEnumerator& devices, SettingsStore& store, TuningContext& tuning,
               CaptureSettings& settings, CaptureHost& host, Tell tell,
               std::function<void()> unheardStill);
  ~DeviceRouter();

  // The lists read and the stored choice made: the preferred driver's device, else the last
  // usable one; the audio device from the settings. A card the setting rules out is offered
  // to the host first (OfferRuledOutCard).
  void Enumerate();
  void Select(int32_t videoIndex, int32_t audioIndex);
  // After the device in use was lost: the card itself where it is back at its place, else the
  // first of its name (a card may come back under another node); false when none is there.
  bool FindLostDevice();
  // Whether `device` is the video device opened last (present or lost).
  bool IsDeviceInUse(const DeviceInfo& device) const;
  // Opens the chosen devices and brings them to the work mode: capture format, tuner,
  // standard, crossbar. False (told) without a video device; *sound false when no audio
  // device could be opened (the box's recording sound is then switched off; a card records
  // without sound, said in the status strip).
  bool Open(bool* sound);
  // The per-card sound choice, which Open follows.
  CardSound& Sound() { return sound_; }
  const CardSound& Sound() const { return sound_; }
  // The video device in use is a card (not the virtual box).
  bool CardInUse() const;
  // The card in use plays or records sound from somewhere.
  bool HasSound() const { return audio_ != nullptr || audioOnCaptureFilter_; }
  // The tuner control writes its channel file as it goes.
  void Close();
  // The live sound's own pipeline for the chosen devices; *failed when it could not be made.
  std::unique_ptr<AudioPreview> CreateAudioPreview(bool* failed);

  bool ForceCaptureFormat();
  bool SetVideoStandard(int32_t family);
  bool SignalPresent();
  // The preview's and the capture pin's picture period: the standard's, never faster than
  // the capture pin was set.
  int64_t ComputeFrameInterval();
  // The property dialogs' material: formats of the capture device.
  bool GetVideoFormats(PinKind pin, std::vector<VideoFormat>* formats);

  CaptureDevice* Video() const { return video_.get(); }
  CaptureDevice* Audio() const { return audio_.get(); }  // a separate audio device
  TunerControl* Tuner() const { return tuner_.get(); }
  vd::WorkMode WorkMode() const { return workMode_; }
  void SetWorkMode(vd::WorkMode mode) { workMode_ = mode; }
  // The work mode shows a picture (the radio does not).
  bool WantPreview() const { return wantPreview_; }
  void SetWantPreview(bool want) { wantPreview_ = want; }
  // The video device carries the sound itself.
  bool AudioOnCaptureFilter() const { return audioOnCaptureFilter_; }
  bool HasCrossbar() const { return crossbar_; }
  const std::string& VideoDeviceName() const { return videoName_; }
  // The video device opened last (kept while it is lost).
  const DeviceInfo& VideoDeviceInfo() const { return videoDevice_; }
  // The names the user chooses from; two cards of one model carry their bus paths.
  const std::vector<std::string>& VideoDeviceNames() const { return videoNames_; }
  const std::vector<bool>& VideoDeviceUsable() const { return videoUsable_; }
  const std::vector<std::string>& AudioDeviceNames() const { return audioNames_; }
  int32_t VideoIndex() const { return videoIndex_; }
  int32_t AudioIndex() const { return audioIndex_; }
  // The standard family the tuner last detected from the country (0 before).
  int32_t RememberedFamily() const { return rememberedFamily_; }

 private:
  // The video device list with its names and usable flags, at most ten devices.
  void ReadVideoDevices();
  bool DeviceUsable(const DeviceInfo& info);
  // When the setting Only_Corvalen_Devices rules out every hardware card present, asks the
  // host about the first one not declined before: its index when the user takes it (the
  // setting is then off), else -1 (the answer kept under the card's bus path).
  int32_t OfferRuledOutCard();
  bool OpenVideoDevice();
  bool OpenAudioDevice();
  // The standard the work mode keeps: the country's on the tuner, the stored one on an input.
  void ApplyModeStandard();
  int32_t DetectStandardFamily() const;
  void RouteVideoInput(vd::WorkMode mode);
  void RouteAudioInput(vd::WorkMode mode);
  void MatchPreviewPin();
  void CreateTunerControl();

  DeviceEnumerator& devices_;
  SettingsStore& store_;
  TuningContext& tuning_;
  CaptureSettings& settings_;
  CaptureHost& host_;
  const Tell tell_;
  const std::function<void()> unheardStill_;

  std::vector<std::string> videoNames_;
  std::vector<bool> videoUsable_;
  std::vector<DeviceInfo> videoInfos_;
  std::vector<std::string> audioNames_;
  std::vector<DeviceInfo> audioInfos_;
  int32_t videoIndex_ = -1;
  int32_t audioIndex_ = -1;
  std::string videoName_;
  DeviceInfo videoDevice_;  // the one opened last, kept while it is lost
  std::unique_ptr<CaptureDevice> video_;
  std::unique_ptr<CaptureDevice> audio_;
  std::unique_ptr<TunerControl> tuner_;
  vd::WorkMode workMode_ = vd::WorkMode::kTv;
  int32_t rememberedFamily_ = 0;
  bool wantPreview_ = true;
  bool audioOnCaptureFilter_ = false;
  bool crossbar_ = false;
  CardSound sound_;  // reads audioInfos_ and the card in use
};
}  // namespace vd
