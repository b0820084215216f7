// Texts of the panel's station display: the number field (frequency and preset, or channel
// number) and the caption field (station name, sound mode, "Channel").
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace vd {

struct PanelStation {
  std::string name;
  uint32_t frequencyHz = 0;
  int index = 0;  // position in the station list, from 0
};

struct SoundModeState {
  int isMts = -1;      // 1 MTS modes, 0 PAL modes, -1 not known
  int mtsMode = 0;     // 0 stereo, 1 SAP, 2 mono
  int mtsPalMode = 0;  // 0 PAL-DK, 1 PAL-I
};

// The mode the device's sound switch takes for this state: the MTS modes are 0..2, the PAL
// modes 3 and 4; -1 while the sound system is not known.
int DeviceSoundMode(const SoundModeState& sound);

struct PanelTexts {
  std::string number;
  std::string caption;
  bool operator==(const PanelTexts&) const = default;
};

class PanelDisplay {
 public:
  static constexpr int kShowSoundMode = -100;
  static constexpr int kRedrawOnly = -1000;
  static constexpr int kRememberedChannel = -1;
  static constexpr int kForgetChannel = -2;

  // The texts for refresh argument n, or nothing when only a redraw is asked for. `station`
  // is the list's current entry, absent when the list is empty.
  std::optional<PanelTexts> Refresh(int n, int panelInput,
                                    const std::optional<PanelStation>& station,
                                    const SoundModeState& sound);

  // " 98.1", "101.7": one decimal of MHz, padded on the left to five characters.
  static std::string RadioFrequencyText(uint32_t frequencyHz);
  static std::string SoundModeText(const SoundModeState& sound);

  std::optional<int> rememberedChannel() const { return channel_; }

 private:
  std::optional<int> channel_;
};

}  // namespace vd
