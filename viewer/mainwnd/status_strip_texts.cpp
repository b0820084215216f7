#include "status_strip_texts.h"

#include <cstdio>

namespace vd {

namespace {

const char* ModeName(int32_t workMode) {
  switch (workMode) {
    case 0:
      return "S-Video";
    case 1:
      return "Composite";
    case 2:
      return "Radio";
    default:
      return "TV";
  }
}

}  // namespace

StatusStripTexts StatusStripTexts::Of(int32_t workMode, const std::optional<PanelStation>& station,
                                      const SoundModeState& sound) {
  StatusStripTexts texts;
  texts.mode = ModeName(workMode);
  if (workMode == 0 || workMode == 1) return texts;
  if (station) {
    texts.channel = "# " + std::to_string(station->index + 1);
    if (!station->name.empty()) texts.channel += " " + station->name;
    char mhz[32];
    std::snprintf(mhz, sizeof mhz, "%.2f MHz", station->frequencyHz / 1000000.0);
    texts.frequency = mhz;
  }
  if (workMode != 2) texts.sound = PanelDisplay::SoundModeText(sound);
  return texts;
}

}  // namespace vd
