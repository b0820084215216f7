// A MixerHost that records what the mixer asked of the window.
#pragma once

#include <string>
#include <vector>

#include "vd/mixer/mixer_host.h"

namespace vd::testing {

class FakeMixerHost : public MixerHost {
 public:
  void RefreshPanel() override { ++refreshes; }
  void Beep(BeepKind kind) override { beeps.push_back(kind); }
  void ShowMessage(const std::string& text) override { messages.push_back(text); }

  int refreshes = 0;
  std::vector<BeepKind> beeps;
  std::vector<std::string> messages;
};

}  // namespace vd::testing
