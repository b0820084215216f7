#include "vd/mixer/mixer_backend_factory.h"

#include "vd/backend_table.h"
#include "vd/mixer/alsa_mixer_backend.h"
#include "vd/mixer/virtual_mixer_backend.h"
#include "vd/sound_output.h"

namespace vd {

namespace {

const Backend<std::unique_ptr<MixerBackend> (*)()> kMixerBackends[] = {
    // A sound server alone gives the mixer nothing to open: it wants a card.
    {"alsa", "the sound card's mixer controls", [] { return ProbeSoundOutputs().card; },
     []() -> std::unique_ptr<MixerBackend> { return std::make_unique<AlsaMixerBackend>(); }},
    {"virtual", "one virtual sound card", nullptr,
     []() -> std::unique_ptr<MixerBackend> {
       auto backend = std::make_unique<VirtualMixerBackend>();
       backend->AddCard(VirtualMixerBackend::TypicalCard("Virtual Sound Card"));
       return backend;
     }},
};

}  // namespace

std::unique_ptr<MixerBackend> MakeMixerBackend() {
  return ChooseBackend(kMixerBackends, "VIEWDECK_MIXER", "mixer").make();
}

}  // namespace vd
