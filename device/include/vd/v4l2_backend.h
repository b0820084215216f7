// The device back-end for real analogue TV cards driven through Video4Linux2: every video
// capture node with its card name, the bus ids from sysfs as the hardware key, the sound of
// the same USB device, and arrivals and removals from a libudev monitor.
//
// Threads: every operation may be called from any thread. The change callback runs on the
// monitor thread (or the thread that calls Rescan).
#pragma once

#include "vd/device_export.h"

#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "vd/device_backend.h"
#include "vd/hresult.h"
#include "vd/v4l2_io.h"

namespace vd {

class CaptureDevice;

// A card held by another program's recording (V4L2's record priority, which the capture
// pin's bins take while they run): it may not be retuned, switched or restarted meanwhile.
inline constexpr HResult kEDeviceBusy = static_cast<HResult>(0x800700AAu);
// Whether another program records from `device` now; false for a device that is no card.
VD_DEVICE_EXPORT bool HeldByAnotherRecording(CaptureDevice& device);

class V4l2Card;
class V4l2Monitor;

// The card's sources without their node: GStreamer's V4L2 and ALSA sources. The sound goes
// through ALSA's dsnoop, so that the audio preview, a recording and another program can all
// take the card's sound at once: the hw device itself answers a second opener with EBUSY.
inline constexpr char kV4l2VideoSource[] = "v4l2src device=";
inline constexpr char kV4l2AudioSource[] = "alsasrc device=dsnoop:CARD=";

// $VIEWDECK_IR_RECEIVER, or empty.
VD_DEVICE_EXPORT std::string IrReceiverFromEnvironment();

inline constexpr std::chrono::milliseconds kDefaultTunerSettleTime{150};
inline constexpr std::chrono::milliseconds kMaxTunerSettleTime{5000};
// $VIEWDECK_TUNER_SETTLE_MS (0-5000), else kDefaultTunerSettleTime: a slow tuner needs
// longer, a driver that reports the signal at once needs nothing.
VD_DEVICE_EXPORT std::chrono::milliseconds TunerSettleTimeFromEnvironment();

struct V4l2BackendOptions {
  std::shared_ptr<V4l2Io> io = V4l2Io::System();
  std::string deviceDir = "/dev";
  std::string sysfsRoot = "/sys";
  // gst-launch fragments of the sources; "{device}" becomes the video node, "{card}" the
  // ALSA card number.
  std::string videoSource = std::string(kV4l2VideoSource) + "{device}";
  std::string audioSource = std::string(kV4l2AudioSource) + "{card}";
  // An infrared receiver that is not part of the card (a USB receiver, the kernel's IR
  // loopback): its /dev/lircN replaces the card's own. Default: $VIEWDECK_IR_RECEIVER.
  std::string irReceiver = IrReceiverFromEnvironment();
  // The tuner's signal (0..65535) must exceed this for a station.
  uint32_t signalThreshold = 0x2000;
  // How long after a new frequency the signal is read.
  std::chrono::milliseconds settleTime = TunerSettleTimeFromEnvironment();
  // Watch udev for cards coming and going.
  bool monitor = true;
};

class VD_DEVICE_EXPORT V4l2Backend final : public DeviceBackend {
 public:
  explicit V4l2Backend(V4l2BackendOptions options = {});
  ~V4l2Backend() override;

  std::string Name() const override { return "v4l2"; }
  std::vector<DeviceInfo> Devices(DeviceCategory category) override;
  std::unique_ptr<CaptureDevice> Open(const DeviceInfo& device) override;
  void SetChangeCallback(ChangeCallback callback) override;

  // Looks again and reports what came and went since the last look; a card that went is
  // ended (its device objects answer kEDeviceGone, its source bins stop). The monitor calls
  // it on every udev event.
  void Rescan();

  // True when the machine has at least one video capture node now.
  static bool AnyCardPresent(const V4l2BackendOptions& options = {});

 private:
  struct Found;
  std::vector<Found> Scan();
  // The first of `names` (nodes below the card's device) whose bus info is the video node's:
  // one device may hold several cards. The first of them when the card reports none.
  std::string SameCard(const std::vector<std::string>& names, const std::string& busInfo) const;
  std::shared_ptr<V4l2Card> CardFor(const Found& found);

  V4l2BackendOptions options_;
  std::mutex mutex_;
  std::map<std::string, std::weak_ptr<V4l2Card>> cards_;
  std::vector<DeviceInfo> known_;
  std::mutex callbackMutex_;
  ChangeCallback callback_;
  std::unique_ptr<V4l2Monitor> monitor_;
};

}  // namespace vd
