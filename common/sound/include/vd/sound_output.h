// Where this machine can play sound. The audio sinks and the mixer ask the same probe, so a
// machine is never silent for one and loud for the other.
#pragma once

namespace vd {

struct SoundOutputs {
  // A kernel sound card whose control device opens: what the mixer drives, and what a
  // sound server plays on in the end. (/dev/snd with only a timer, or a container that sees
  // the host's /proc/asound, has none.)
  bool card = false;
  // A PulseAudio or PipeWire server of this user's session, which may play elsewhere.
  bool server = false;

  bool Any() const { return card || server; }
};

SoundOutputs ProbeSoundOutputs();

}  // namespace vd
