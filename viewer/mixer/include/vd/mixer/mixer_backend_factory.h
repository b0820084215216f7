// Chooses the mixer back-end the viewer runs with.
#pragma once

#include <memory>

#include "mixer_backend.h"

namespace vd {

// ALSA when the machine has a sound card, else one virtual card; VIEWDECK_MIXER=virtual
// forces the virtual card (for demonstrations and UI tests), =alsa asks for the card.
std::unique_ptr<MixerBackend> MakeMixerBackend();

}  // namespace vd
