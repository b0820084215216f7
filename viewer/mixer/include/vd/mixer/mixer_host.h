// What the mixer needs from the window that owns it. The viewer's main window implements
// this; tests fake it.
#pragma once

#include <string>

#include "mixer_types.h"

namespace vd {

class MixerHost {
 public:
  virtual ~MixerHost() = default;
  // The volume or mute state changed: redraw the panel's slider and mute button.
  virtual void RefreshPanel() = 0;
  virtual void Beep(BeepKind kind) = 0;
  virtual void ShowMessage(const std::string& text) = 0;
};

}  // namespace vd
