#include "vd/mainwnd/status_strip_texts.h"

#include <cstdio>

namespace vd {

namespace {

const char* ModeName(WorkMode workMode) {
  switch (workMode) {
    case WorkMode::kSVideo:
      return "S-Video";
    case WorkMode::kComposite:
      return "Composite";
    case WorkMode::kRadio:
      return "Radio";
    case WorkMode::kTv:
      break;
  }
  return "TV";
}

}  // namespace

StatusStripTexts StatusStripTexts::Of(WorkMode workMode, const std::optional<PanelStation>& station,
                                      const SoundModeState& sound) {
  StatusStripTexts texts;
  texts.mode = ModeName(workMode);
  if (IsExternalInput(workMode)) return texts;
  if (station) {
    texts.channel = "# " + std::to_string(station->index + 1);
    if (!station->name.empty()) texts.channel += " " + station->name;
    char mhz[32];
    std::snprintf(mhz, sizeof mhz, "%.2f MHz", station->frequencyHz / 1000000.0);
    texts.frequency = mhz;
  }
  if (workMode != WorkMode::kRadio) texts.sound = PanelDisplay::SoundModeText(sound);
  return texts;
}

}  // namespace vd
