#include "vd/remote/fine_tune.h"

#include <cstdio>
#include <limits>

#include "vd/layout/work_modes.h"
#include "vd/tuning/channel.h"

namespace vd {

std::string FineTune::RadioName(uint32_t hz) {
  return CChannel::RadioName(hz);
}

std::string FineTune::TvText(uint32_t hz, bool up) {
  char text[32];
  std::snprintf(text, sizeof text, up ? "%.2f +" : "%.2f -", hz / 1000000.0);
  return text;
}

bool FineTune::Step(int32_t deltaHz, int panelInput) {
  const bool radio = panelInput == static_cast<int>(PanelInput::kRadio);
  if (!radio && panelInput != static_cast<int>(PanelInput::kTv)) return false;
  if (stations_.Count() <= 0) return false;
  const int32_t index = stations_.Current();
  if (index < 0 || index >= stations_.Count()) return false;
  const int64_t moved = static_cast<int64_t>(stations_.FrequencyAt(index)) + deltaHz;
  // A station at the bottom of the range would otherwise wrap round to 4 GHz.
  if (moved <= 0 || moved > std::numeric_limits<uint32_t>::max()) return false;
  const auto hz = static_cast<uint32_t>(moved);

  stations_.SetFrequencyAt(index, hz);
  tuner_.SetFrequency(hz);
  if (radio) {
    stations_.Rename(index, RadioName(hz));
  } else {
    host_.ShowText(TvText(hz, deltaHz > 0));
  }
  host_.RefreshScanWindow();
  // The TV text stays until the next refresh; the radio display shows the new name.
  host_.RefreshDisplay(radio ? EntryHost::kShowRemembered : EntryHost::kRedrawOnly);
  return true;
}

}  // namespace vd
