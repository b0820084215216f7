// The mixer's questions go to the main window; a class of its own because CMixer's host and
// the window's other hosts both have a Beep and a ShowMessage, with different meanings.
#pragma once

#include <string>

#include "vd/mixer/mixer_host.h"

namespace vd {

class MixerLink : public MixerHost {
 public:
  // What the mixer asks of the main window.
  struct Owner {
    // A change made outside the viewer: take the mixer's volume and mute before drawing them.
    virtual void TakeMixerVolume() = 0;
    virtual void Beep() = 0;
    virtual void ShowMessage(const std::string& text) = 0;

   protected:
    ~Owner() = default;
  };

  explicit MixerLink(Owner& window) : window_(window) {}
  void RefreshPanel() override { window_.TakeMixerVolume(); }
  void Beep(BeepKind) override { window_.Beep(); }
  void ShowMessage(const std::string& text) override { window_.ShowMessage(text); }

 private:
  Owner& window_;
};

}  // namespace vd
