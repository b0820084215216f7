// The one hardware state of a virtual TV box, shared by every device object, property set
// and source bin opened on it. All members are guarded by one mutex; source bins read
// snapshots (Reception, SoundState) from their streaming threads.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "vd/capture_types.h"
#include "vd/device_props.h"
#include "vd/hresult.h"
#include "vd/teletext_pages.h"
#include "vd/virtual_box_config.h"
#include "vd/virtual_tv_box.h"

namespace vd {

// What the picture shows now.
enum class PictureSource { kStation, kSnow, kComposite, kSVideo };

struct Reception {
  PictureSource source = PictureSource::kSnow;
  std::string label;  // station name or input name; empty for snow
  bool locked = false;
};

enum class AudioMode { kMono = 0, kSecondLanguage = 1, kStereo = 2 };

struct SoundState {
  bool noise = true;    // nothing received: noise instead of a tone
  uint32_t toneHz = 0;  // the programme's tone
  AudioMode mode = AudioMode::kStereo;
};

// Crossbar inputs of the box in their order.
enum CrossbarInput : int32_t {
  kInVideoTuner = 0,
  kInComposite = 1,
  kInSVideo = 2,
  kInAudioTuner = 3,
  kInAudioRadio = 4,
  kInAudioLine = 5,
  kCrossbarInputs = 6,
};

// Receives a still picture request or the end of the device; see AddStillListener.
class StillListener {
 public:
  virtual ~StillListener() = default;
  // True when a picture went out: a source that is not running drops the request.
  virtual bool OnTrigger() = 0;
  virtual void OnUnplugged() = 0;
};

class VirtualHardware {
 public:
  explicit VirtualHardware(VirtualBoxConfig config);

  // --- identity and plugging
  uint32_t ProductId() const { return productId_.load(std::memory_order_acquire); }
  void SetProductId(uint32_t id) { productId_.store(id, std::memory_order_release); }
  const VirtualSky& Sky() const { return config_.sky; }
  const std::string& Location() const { return config_.location; }
  bool HasPin(PinKind kind) const;
  bool IsPlugged() const;
  // Changes on every unplug: a device object opened in an earlier generation is gone.
  uint64_t Generation() const { return generation_.load(std::memory_order_acquire); }
  bool IsAlive(uint64_t generation) const;
  void Unplug();
  void Plug();
  int AddPlugListener(std::function<void(bool plugged)> listener);
  void RemovePlugListener(int id);

  // --- tuner
  HResult SetTunerMode(uint32_t mode);
  uint32_t TunerMode() const;
  HResult SetFrequency(uint32_t hz);
  uint32_t Frequency() const;
  // Waits until the tuner has settled, then tells whether a station is received.
  bool WaitForSignal();
  static TunerRange RangeOf(uint32_t mode);
  void SetLockTime(std::chrono::milliseconds lockTime);

  // --- registers and I2C
  HResult ReadRegister(uint32_t reg, uint8_t* value) const;
  HResult WriteRegister(uint32_t reg, uint8_t value);
  AudioMode CurrentAudioMode() const;
  static constexpr uint8_t kI2cTunerAddress = 0xC2;
  HResult I2cWrite(uint8_t address, uint8_t reg, const uint8_t* values, size_t count);
  HResult I2cRead(uint8_t address, uint8_t reg, uint8_t* values, size_t count) const;

  // --- crossbar
  HResult Route(int32_t output, int32_t input);
  int32_t RoutedTo(int32_t output) const;
  static CrossbarPin InputPin(int32_t input);
  static bool CanRoute(int32_t output, int32_t input);

  // --- decoder, amplifier, formats, still mode
  uint32_t Standard() const;
  void SetStandard(uint32_t standard);  // validated by the caller
  int32_t Amp(AmpProperty property) const;
  void SetAmp(AmpProperty property, int32_t value);
  VideoFormat Format(PinKind pin) const;
  void SetFormat(PinKind pin, const VideoFormat& format);
  AudioFormat SoundFormat() const;
  void SetSoundFormat(const AudioFormat& format);
  uint32_t VideoControlMode() const;
  void SetVideoControlMode(uint32_t mode);
  void PressSnapshotButton();
  void AddStillListener(const std::shared_ptr<StillListener>& listener);
  void RemoveStillListener(const StillListener* listener);
  // What hears a press of the button while no still source runs, one for each `owner`;
  // an empty handler removes the owner's.
  void SetUnheardSnapshotHandler(const void* owner, std::function<void()> handler);

  // --- what the sources show and play
  Reception CurrentReception() const;
  SoundState CurrentSound() const;
  // Changes whenever something the picture depends on changes (time-based lock aside).
  uint64_t PictureSerial() const { return pictureSerial_.load(std::memory_order_acquire); }

  // --- faults and counters
  VirtualBoxFaults Faults() const;
  void SetFaults(const VirtualBoxFaults& faults);
  void CountFrame(bool dropped, uint32_t bytes);
  FrameCounts Counts() const;

  // --- bulk stream
  void PressRemoteKey(uint32_t code);
  // Key presses after `serial`; `serial` moves past them.
  std::vector<uint32_t> KeysSince(uint64_t* serial) const;
  uint64_t KeySerial() const;
  std::optional<std::string> BulkReplayFile() const;
  void SetBulkReplayFile(std::optional<std::string> path);
  // The station whose pages the bulk stream carries now, if any.
  std::optional<TeletextService> TeletextStation() const;

 private:
  bool SettledLocked(std::chrono::steady_clock::time_point now) const;
  void StartUnplugTimer(std::chrono::milliseconds after);
  std::optional<Station> StationLocked() const;
  void Touch() { pictureSerial_.fetch_add(1, std::memory_order_acq_rel); }

  mutable std::mutex mutex_;
  VirtualBoxConfig config_;
  std::atomic<uint32_t> productId_;
  bool plugged_ = true;
  std::atomic<uint64_t> generation_{1};
  std::atomic<uint64_t> pictureSerial_{1};
  std::map<int, std::function<void(bool)>> plugListeners_;
  int nextListenerId_ = 1;
  std::vector<std::shared_ptr<StillListener>> stillListeners_;
  std::map<const void*, std::function<void()>> unheardSnapshot_;

  uint32_t tunerMode_ = kTunerModeTv;
  uint32_t tvFrequency_ = 55250000;
  uint32_t radioFrequency_ = 87500000;
  std::chrono::milliseconds lockTime_;
  std::chrono::steady_clock::time_point settleAt_{};

  uint8_t registers_[256] = {};
  uint8_t i2cTuner_[256] = {};
  AudioMode audioMode_ = AudioMode::kStereo;

  int32_t videoRoute_ = kInVideoTuner;
  int32_t audioRoute_ = kInAudioTuner;
  uint32_t standard_;
  int32_t amp_[4];
  VideoFormat capture_;
  VideoFormat preview_;
  VideoFormat still_;
  AudioFormat sound_;
  uint32_t videoControlMode_ = 0;

  VirtualBoxFaults faults_;
  FrameCounts counts_;
  int64_t countedBytes_ = 0;

  // Recent key presses; keys_[i] has serial keyBase_ + i.
  std::vector<uint32_t> keys_;
  uint64_t keyBase_ = 0;

  // Pulls the box out when the configuration asks (unplug_after_ms). Last: it goes first,
  // before anything its Unplug touches.
  std::jthread unplugTimer_;
};

}  // namespace vd
