// Where the engine's sound goes: autoaudiosink ("system"), or a fakesink where nothing would
// play it (VIEWDECK_AUDIO_SINK=fake, as the tests set, or a machine without any sound output).
#pragma once

#include <gst/gst.h>

#include <cstdint>

namespace vd {

// What the stand-in fakesink does with time, which differs by the sound's source.
enum class AudioSinkClock {
  kLive,      // a live source paces itself: buffers are taken as they come
  kKeepTime,  // a clip: buffers wait for their time, so a sound-only clip lasts its length
};

// A new floating element; null only when neither sink can be made.
GstElement* MakeAudioSink(AudioSinkClock clock);

// Sound buffers the stand-in fakesinks of that kind have taken since start: where nothing
// plays the sound, this is how a test hears whether live sound or a clip's is playing.
uint64_t FakeSoundBuffers(AudioSinkClock clock);

}  // namespace vd
