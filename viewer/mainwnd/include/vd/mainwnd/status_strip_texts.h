// The texts of the status strip: work mode, channel, frequency and sound mode.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "vd/layout/panel_display.h"
#include "vd/view_modes.h"

namespace vd {

struct StatusStripTexts {
  std::string mode;
  std::string channel;
  std::string frequency;
  std::string sound;

  // `station` is the current entry of the mode's station list, if any. The external inputs
  // have no channel, frequency or sound mode to show.
  static StatusStripTexts Of(WorkMode workMode, const std::optional<PanelStation>& station,
                             const SoundModeState& sound);
  bool operator==(const StatusStripTexts&) const = default;
};

}  // namespace vd
