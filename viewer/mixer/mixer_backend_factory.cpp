#include "mixer_backend_factory.h"

#include <cstdlib>
#include <string_view>

#include "alsa_mixer_backend.h"
#include "vd/sound_output.h"
#include "virtual_mixer_backend.h"

namespace vd {

std::unique_ptr<MixerBackend> MakeMixerBackend() {
  const char* choice = std::getenv("VIEWDECK_MIXER");
  const bool forceVirtual = choice != nullptr && std::string_view(choice) == "virtual";
  // A sound server alone gives the mixer nothing to open: it wants a card.
  if (!forceVirtual && ProbeSoundOutputs().card) return std::make_unique<AlsaMixerBackend>();
  auto backend = std::make_unique<VirtualMixerBackend>();
  backend->AddCard(VirtualMixerBackend::TypicalCard("Virtual Sound Card"));
  return backend;
}

}  // namespace vd
