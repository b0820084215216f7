#include "vd/mixer/panel_volume.h"

#include <algorithm>

namespace vd {

bool PanelVolume::Start(const SoundSettings& stored, bool soundOverUsb) {
  const bool opened = mixer_.Open(0) != 0 || mixer_.Open(1) != 0;
  mixer_.SelectControls(0, stored, soundOverUsb);
  volume_ = mixer_.Volume();
  muted_ = mixer_.Mute();
  position_ = PositionOf(volume_);
  // The values the mixer took over, not the raw stored ones: a stored volume outside the
  // control's range has already been replaced.
  SetMute(muted_);
  mixer_.SetVolume(volume_);
  return opened;
}

bool PanelVolume::OnCommand(int command) {
  // A twentieth of the range, but at least one step: small ranges must still move.
  const int32_t step = std::max<int32_t>(1, (Maximum() - Minimum()) / 20);
  switch (command) {
    case kCommandLouder:
      ApplyPosition(ClampPosition(int64_t{position_} - step));
      return true;
    case kCommandQuieter:
      ApplyPosition(ClampPosition(int64_t{position_} + step));
      return true;
    case kCommandMute:
    case kCommandUnmute:
      ToggleMute();
      return true;
    default:
      return false;
  }
}

void PanelVolume::OnSliderMoved(int32_t offset) {
  ApplyPosition(ClampPosition(int64_t{Minimum()} + offset));
}

void PanelVolume::Refresh() {
  volume_ = mixer_.Volume();
  muted_ = mixer_.Mute();
  position_ = PositionOf(volume_);
}

void PanelVolume::ToggleMute() {
  SetMute(!muted_);
}

void PanelVolume::SetMute(bool on) {
  // A mute the open mixer refused leaves the lamp on the card's state (the mixer has beeped);
  // without any mixer the panel keeps the stored state for when one comes.
  if (mixer_.SetMute(on) || !mixer_.IsOpen()) {
    muted_ = on;
  } else {
    muted_ = mixer_.Mute();
  }
}

void PanelVolume::ApplyPosition(int32_t position) {
  const int32_t volume = static_cast<int32_t>(int64_t{Minimum()} + Maximum() - position);
  // As with the mute: a volume the open mixer refused is not shown, the card's is (the mixer
  // has beeped). Without a mixer the panel keeps the user's choice for when one comes.
  if (mixer_.SetVolume(volume) || !mixer_.IsOpen()) {
    volume_ = volume;
    position_ = position;
  } else {
    volume_ = mixer_.Volume();
    position_ = PositionOf(volume_);
  }
  // Any volume change unmutes.
  if (muted_) ToggleMute();
}

// The slider's top end (its minimum) is the loudest: a control that runs 10..100 puts 100
// at position 10 and 10 at position 100.
int32_t PanelVolume::PositionOf(int32_t volume) const {
  return ClampPosition(int64_t{Minimum()} + Maximum() - volume);
}

int32_t PanelVolume::ClampPosition(int64_t position) const {
  return static_cast<int32_t>(std::clamp<int64_t>(position, Minimum(), Maximum()));
}

}  // namespace vd
