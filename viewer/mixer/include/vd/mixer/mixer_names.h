// The names the mixer looks for. Every comparison is made on the upper-cased name, so the
// lists hold upper-case texts. The ALSA column says which simple-mixer element stands for a
// line of that component type.
#pragma once

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "mixer_types.h"

namespace vd::mixer_names {

// The TV box's own audio device; its mixer is never the one to control.
inline constexpr std::string_view kTvBoxAudio = "Brevant TV USB Audio Capture";
// The first three letters of "VOLUME": the playback destination on most cards.
inline constexpr std::string_view kVolumeDestinationPrefix = "VOL";

inline constexpr std::array<std::string_view, 4> kWaveNames = {"WAVE", "WAVEOUT", "WAVE OUT",
                                                               "WAVE OUTPUT"};
inline constexpr std::array<std::string_view, 3> kLineNames = {"LINE", "LINEIN", "LINE IN"};
// The first spelling is the one many drivers have always used.
inline constexpr std::array<std::string_view, 2> kAuxNames = {"AUXILLIARY", "AUXILIARY"};
// "AUX" is how ALSA cards name the auxiliary input they offer in place of a line-in.
inline constexpr std::array<std::string_view, 6> kRecordingNames = {
    "LINE", "LINEIN", "LINE IN", "AUXILLIARY", "AUXILIARY", "AUX"};

struct ComponentNames {
  MixerComponent component;
  std::span<const std::string_view> alsaElements;  // upper-cased ALSA element names
  std::span<const std::string_view> shortNames;    // short names searched when the type fails
};

// One row per component type the mixer asks for.
std::span<const ComponentNames> ComponentTable();

std::string ToUpper(std::string_view text);

// True when the upper-cased name equals one of the (upper-case) wanted names.
bool NameIsOneOf(std::string_view name, std::span<const std::string_view> wanted);

// Index of the first name that is one of the wanted names.
std::optional<size_t> FindByName(std::span<const std::string> names,
                                 std::span<const std::string_view> wanted);

// The recording item to select: the one named as the controlled input (the cable is in the
// input whose volume the panel moves), else the first line or auxiliary item.
std::optional<size_t> FindRecordingItem(std::span<const std::string> items,
                                        std::string_view controlledInput);

// The destination to work on: the first whose name starts with "VOL", else 0.
size_t PickDestination(std::span<const std::string> names);

// Index of the first ALSA element that stands for a line of the component type.
std::optional<size_t> FindAlsaElement(MixerComponent component,
                                      std::span<const std::string> elementNames);

// The short names searched for a component type (empty when it has none).
std::span<const std::string_view> ShortNames(MixerComponent component);

}  // namespace vd::mixer_names
