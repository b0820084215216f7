// The machine's own sound inputs (a sound card's line-in, a USB sound stick, a loop-back
// card) as audio capture devices, so that a TV card without sound of its own can be heard
// through the cable that carries its sound into one of them. They come from ALSA's card
// list: every card with a capture device.
//
// Threads: every operation may be called from any thread.
#pragma once

#include "vd/device_export.h"

#include <mutex>
#include <string>
#include <vector>

#include "vd/device_backend.h"

namespace vd {

// The source of a sound card without its card: GStreamer's ALSA source through dsnoop, so
// that the live sound and a recording can take the same input at once.
inline constexpr char kSoundInputSource[] = "alsasrc device=dsnoop:CARD=";

struct SoundInputOptions {
  // ALSA's proc folder: "cards" names the cards, cardN/pcmMc are their capture devices.
  std::string procRoot = "/proc/asound";
  // gst-launch fragment of the source; "{card}" becomes the card's ALSA id.
  std::string source = std::string(kSoundInputSource) + "{card}";
};

class VD_DEVICE_EXPORT SoundInputBackend final : public DeviceBackend {
 public:
  static constexpr const char* kName = "sound";

  explicit SoundInputBackend(SoundInputOptions options = {});

  std::string Name() const override { return kName; }
  // Audio inputs only: each card with a capture device, named as ALSA names it, its path
  // "alsa:<id>" (the id stays when the card numbers change).
  std::vector<DeviceInfo> Devices(DeviceCategory category) override;
  std::unique_ptr<CaptureDevice> Open(const DeviceInfo& device) override;
  // The list is read again on every call: nothing is watched.
  void SetChangeCallback(ChangeCallback) override {}

 private:
  SoundInputOptions options_;
};

}  // namespace vd
