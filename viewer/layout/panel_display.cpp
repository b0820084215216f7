#include "vd/layout/panel_display.h"

#include <cstdio>

#include "vd/layout/work_modes.h"

namespace vd {

namespace {

std::string Format(const char* format, int value) {
  char text[32];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

}  // namespace

std::string PanelDisplay::RadioFrequencyText(uint32_t frequencyHz) {
  char text[32];
  // The divisor is a hair above one million so that a frequency sitting exactly on .x5 MHz
  // rounds down, as the station lists show it.
  std::snprintf(text, sizeof text, "%.1f", frequencyHz / 1000000.1);
  std::string out = text;
  if (out.size() < 5) out.insert(0, 5 - out.size(), ' ');
  return out;
}

std::string PanelDisplay::SoundModeText(const SoundModeState& sound) {
  if (sound.isMts != 0) {
    switch (sound.mtsMode) {
      case 0:
        return "STEREO";
      case 1:
        return "SAP";
      case 2:
        return "MONO";
      default:
        return {};
    }
  }
  switch (sound.mtsPalMode) {
    case 0:
      return "PAL-DK";
    case 1:
      return "PAL-I";
    default:
      return {};
  }
}

std::optional<PanelTexts> PanelDisplay::Refresh(int n, int panelInput,
                                                const std::optional<PanelStation>& station,
                                                const SoundModeState& sound) {
  if (n == kRedrawOnly) return std::nullopt;
  if (n == kShowSoundMode) return PanelTexts{{}, SoundModeText(sound)};

  const bool radio = panelInput == static_cast<int>(PanelInput::kRadio);
  if (station) {
    std::string preset = Format("# %d", station->index + 1);
    if (radio) {
      return PanelTexts{RadioFrequencyText(station->frequencyHz) + "  " + preset,
                        "Radio " + station->name};
    }
    return PanelTexts{preset, "TV " + station->name};
  }

  if (panelInput == static_cast<int>(PanelInput::kTv)) {
    if (n >= 0) {
      channel_ = n;
    } else if (n == kForgetChannel) {
      channel_.reset();
    }
    return PanelTexts{channel_ ? Format("%d", *channel_) : std::string(), "Channel"};
  }
  if (radio) return PanelTexts{{}, "Radio"};
  return PanelTexts{};
}

int DeviceSoundMode(const SoundModeState& sound) {
  if (sound.isMts == 1) return sound.mtsMode;
  if (sound.isMts == 0) return 3 + sound.mtsPalMode;
  return -1;
}

}  // namespace vd
