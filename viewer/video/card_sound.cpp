#include "vd/video/card_sound.h"

#include "vd/settings/settings_store.h"
#include "vd/settings/settings_table.h"
#include "vd/video/capture_host.h"
#include "vd/virtual_box_backend.h"

namespace vd {

CardSound::CardSound(DeviceEnumerator& devices, SettingsStore& store, CaptureHost& host,
                     const std::vector<DeviceInfo>& inputs, CardInUse card)
    : devices_(devices), store_(store), host_(host), inputs_(inputs), card_(std::move(card)) {}

std::string CardSound::CardKey(const DeviceInfo& video) {
  return video.busPath.empty() ? video.path : video.busPath;
}

bool CardSound::Remember(int32_t audioIndex) {
  const DeviceInfo* card = card_();
  if (card == nullptr || audioIndex < 0 || static_cast<size_t>(audioIndex) >= inputs_.size())
    return false;
  const DeviceInfo& sound = inputs_[static_cast<size_t>(audioIndex)];
  if (sound.backend == VirtualBoxBackend::kName) return false;
  return store_.WriteString(vd::kCardSoundSection, CardKey(*card), sound.friendlyName);
}

bool CardSound::Open(bool ownSound, std::unique_ptr<CaptureDevice>* audio) {
  index_ = -1;
  note_.clear();
  const DeviceInfo& card = *card_();
  if (ownSound) {
    for (size_t i = 0; i < inputs_.size(); ++i) {
      const DeviceInfo& info = inputs_[i];
      if (info.backend == card.backend && !info.busPath.empty() && info.busPath == card.busPath)
        index_ = static_cast<int32_t>(i);
    }
    return true;
  }
  const std::string wanted =
      override_.value_or(store_.ReadString(vd::kCardSoundSection, CardKey(card), ""));
  if (wanted == kNoSound) return false;  // chosen so: nothing to tell
  for (size_t i = 0; i < inputs_.size() && !wanted.empty(); ++i) {
    const DeviceInfo& info = inputs_[i];
    // The box's sound is invented for the box's picture; it never goes with a card's.
    if (info.backend == VirtualBoxBackend::kName) continue;
    if (info.friendlyName != wanted && info.path != wanted) continue;
    *audio = devices_.Open(info);
    if (*audio == nullptr) break;
    index_ = static_cast<int32_t>(i);
    return true;
  }
  // Said in the status strip, not in a box: it would come at every start.
  note_ = wanted.empty() ? card.friendlyName +
                               " has no sound input; recording without sound — choose "
                               "one on the Device page"
                         : card.friendlyName + "'s sound input " + wanted +
                               " is not there; recording without sound — choose one on "
                               "the Device page";
  host_.ShowStatusNote(note_);
  return false;
}

}  // namespace vd
