// The virtual TV box: the default capture device, simulated in full (tuner and sky,
// registers, crossbar, standards, amplifier, picture, sound, still trigger, bulk stream).
// This is its outside control: the virtual remote, the snapshot button, unplug and plug-in,
// and faults on request. Devices opened on the box (VirtualBoxBackend) share its state.
//
// Threads: every operation may be called from any thread. Unplug and Plug deliver the
// device events on the calling thread.
#pragma once

#include "vd/device_export.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "vd/virtual_box_config.h"

namespace vd {

class VirtualHardware;

class VD_DEVICE_EXPORT VirtualTvBox {
 public:
  static constexpr const char* kVideoName = "Brevant TV USB Video Capture";
  static constexpr const char* kAudioName = "Brevant TV USB Audio Capture";
  // A sound card line input that is always present beside the box.
  static constexpr const char* kLineInName = "Onboard Audio Line In";

  explicit VirtualTvBox(VirtualBoxConfig config = {});
  ~VirtualTvBox();
  VirtualTvBox(const VirtualTvBox&) = delete;
  VirtualTvBox& operator=(const VirtualTvBox&) = delete;

  // The box behind DeviceEnumerator::Default(), configured by VirtualBoxConfig::Load().
  static std::shared_ptr<VirtualTvBox> Shared();

  // The virtual remote: queues the infrared bursts of one key press (32-bit code) on every
  // running bulk source.
  void PressRemoteKey(uint32_t code);
  // The box's own snapshot button: a picture on every running still source while the
  // external trigger is enabled.
  void PressSnapshotButton();

  void Unplug();
  void Plug();
  bool IsPlugged() const;
  // The caption the box draws on its picture now: the station's name, the input's, or
  // empty over snow (off a station, still settling, or another tuner mode).
  std::string Caption() const;

  void SetFaults(const VirtualBoxFaults& faults);
  VirtualBoxFaults Faults() const;
  void SetLockTime(std::chrono::milliseconds lockTime);
  // Replays this recorded bulk stream (looping) on bulk sources created from now on;
  // nullopt returns to the generated stream.
  void SetBulkReplayFile(std::optional<std::string> path);

  // What the sound decoder took at the last strobe of its mode register: 0 mono, 1 the
  // second language, 2 stereo.
  int32_t SoundDecoderMode() const;
  uint32_t ProductId() const;
  // Makes this a box of another model, as the configuration's product_id does: device lists
  // and product reads answer with it from now on.
  void SetProductId(uint32_t id);
  // "USB\VID_7A3E&PID_xxxx" with the configured product id.
  std::string HardwareKey() const;
  const VirtualSky& Sky() const;
  // The ISO 3166 code of the country the box stands in; empty for none (VirtualBoxConfig).
  const std::string& Location() const;

  // For the device objects of the back-end.
  const std::shared_ptr<VirtualHardware>& Hardware() const { return hardware_; }

 private:
  std::shared_ptr<VirtualHardware> hardware_;
};

}  // namespace vd
