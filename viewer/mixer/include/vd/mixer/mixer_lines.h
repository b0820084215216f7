// Finding the lines the mixer works on, the same way for CMixer and for listings.
#pragma once

#include <optional>

#include "mixer_backend.h"

namespace vd {

struct MixerLines {
  std::optional<MixerLine> speakers;  // the master output
  std::optional<MixerLine> wave;      // the wave-output source
  std::optional<MixerLine> line;      // line-in, or the auxiliary source when there is none
  std::optional<MixerLine> waveIn;    // the recording side with its source list
};

// On the open mixer of the backend: each source by its component type first, then by its
// short name among the sources of the volume destination.
MixerLines FindMixerLines(MixerBackend& backend);

}  // namespace vd
