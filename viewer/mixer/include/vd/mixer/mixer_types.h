// Plain data the mixer and its back-ends exchange. The model is the one the viewer was
// designed around: a mixer device has destination lines (speakers, recording), each
// destination has source lines (wave, line-in, auxiliary, ...), and lines carry controls.
#pragma once

#include <cstdint>
#include <string>

namespace vd {

using MixerHandle = uint32_t;  // 0 means "no mixer"
using MixerControlId = uint32_t;

// What a line is for, as far as the mixer cares; everything else is kOther.
enum class MixerComponent { kOther, kSpeakers, kWaveIn, kWaveOut, kLine, kAuxiliary };

enum class MixerControlKind { kVolume, kMute, kSourceList };

struct MixerLine {
  uint32_t id = 0;
  std::string shortName;
  MixerComponent component = MixerComponent::kOther;
  unsigned connections = 0;  // number of sources below a destination line
  // Many ALSA elements have a volume but no switch; such a line is not broken, it simply
  // cannot be muted.
  bool hasMute = true;
};

struct MixerControl {
  MixerControlId id = 0;
  MixerControlKind kind = MixerControlKind::kVolume;
  int32_t minimum = 0;
  int32_t maximum = 0;
  unsigned channels = 1;
  bool disabled = false;
};

// The kinds of beep the mixer asks its host for; the values are the ones the viewer has
// always passed to its beep call.
enum class BeepKind : uint32_t {
  kDefault = 0xFFFFFFFFu,  // a mixer query or change failed
  kSimple = 1u,            // closing the mixer failed
  kQuestion = 0x20u,       // a key or button without meaning
};

// The stored sound settings, as the settings snapshot hands them over.
struct SoundSettings {
  int32_t mute = 0;
  int32_t volume = 0x7FFF;
};

}  // namespace vd
