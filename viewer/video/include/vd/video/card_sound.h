// The sound a card's picture goes with, never the box's: the card's own ALSA device, else
// the input the user chose for it (stored under the card's key), else none.
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

namespace vd {
class CaptureHost;
class SettingsStore;

class CardSound {
 public:
  // The card in use, null while none is (or the box is).
  using CardInUse = std::function<const DeviceInfo*()>;
  // `inputs` is the router's sound device list, read again at every enumeration.
  CardSound(DeviceEnumerator& devices, SettingsStore& store, CaptureHost& host,
            const std::vector<DeviceInfo>& inputs, CardInUse card);

  static constexpr const char* kNoSound = "none";
  // The key a card's choice is stored under: its bus path, else its node.
  static std::string CardKey(const DeviceInfo& video);

  // `audioIndex` is an index into the sound device list; false (nothing stored) without a
  // card in use or for the box's sound. Takes effect at the next Open.
  bool Remember(int32_t audioIndex);
  // For this process only, in place of the stored choice (vdtool's --audio): an input's name
  // or path, or kNoSound.
  void Override(std::optional<std::string> name) { override_ = std::move(name); }
  // The index in the sound device list of the card's sound (its own or the chosen input); -1
  // when it has none or the box is in use.
  int32_t Index() const { return index_; }
  // What the status strip was told at the last Open (empty: nothing was missing).
  const std::string& Note() const { return note_; }

  // Finds the card's sound. `ownSound`: the card's capture device carries it itself. A chosen
  // input is opened into *audio. False when the card goes without sound.
  bool Open(bool ownSound, std::unique_ptr<CaptureDevice>* audio);
  void Close() { index_ = -1; }

 private:
  DeviceEnumerator& devices_;
  SettingsStore& store_;
  CaptureHost& host_;
  const std::vector<DeviceInfo>& inputs_;
  const CardInUse card_;
  int32_t index_ = -1;
  std::optional<std::string> override_;
  std::string note_;
};
}  // namespace vd
