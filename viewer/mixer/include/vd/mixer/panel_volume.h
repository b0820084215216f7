// The volume side of the control panel, without a window: opening the mixer at start-up,
// the slider position, the volume keys and the mute toggle. The skinned panel draws what
// this holds and forwards its commands here.
#pragma once

#include <cstdint>

#include "mixer.h"

namespace vd {

class PanelVolume {
 public:
  static constexpr int kCommandQuieter = 1176;
  static constexpr int kCommandLouder = 1177;
  static constexpr int kCommandMute = 1135;
  static constexpr int kCommandUnmute = 1149;

  explicit PanelVolume(CMixer& mixer) : mixer_(mixer) {}

  // Opens mixer 0, else mixer 1, and applies the stored sound settings. Returns whether a
  // mixer was opened.
  bool Start(const SoundSettings& stored, bool soundOverUsb);
  // Start again after the card went away, from what the panel holds: the mute and volume the
  // user chose while it was away are the ones the card gets back, not those it had.
  bool Reopen(bool soundOverUsb) { return Start({muted_ ? 1 : 0, volume_}, soundOverUsb); }

  // Panel commands 1176 / 1177 (volume keys) and 1135 / 1149 (mute toggle); false for any
  // other command.
  bool OnCommand(int command);
  // Dragging the thumb: the slider sends its value counted from the range's minimum.
  void OnSliderMoved(int32_t offset);
  // After the mixer reported a change: take its volume and mute.
  void Refresh();

  // The slider runs from Minimum() at the top (loudest) to Maximum() at the bottom.
  int32_t Position() const { return position_; }
  int32_t Minimum() const { return mixer_.Minimum(); }
  int32_t Maximum() const { return mixer_.Maximum(); }
  int32_t Volume() const { return volume_; }
  bool Muted() const { return muted_; }

 private:
  void ToggleMute();
  void SetMute(bool on);
  void ApplyPosition(int32_t position);
  int32_t PositionOf(int32_t volume) const;
  int32_t ClampPosition(int64_t position) const;

  CMixer& mixer_;
  int32_t position_ = 0;
  int32_t volume_ = 0;
  bool muted_ = false;
};

}  // namespace vd
