#include "vd/sound_output.h"

#include <alsa/asoundlib.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace vd {

namespace {

bool SessionSoundServer() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime == nullptr || *runtime == '\0') return false;
  const std::filesystem::path dir(runtime);
  std::error_code ec;
  return std::filesystem::exists(dir / "pulse" / "native", ec) ||
         std::filesystem::exists(dir / "pipewire-0", ec);
}

}  // namespace

SoundOutputs ProbeSoundOutputs() {
  SoundOutputs found;
  int card = -1;
  found.card = snd_card_next(&card) == 0 && card >= 0;
  found.server = SessionSoundServer();
  return found;
}

}  // namespace vd
