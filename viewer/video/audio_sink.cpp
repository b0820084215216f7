#include "audio_sink.h"

#include <cstdlib>
#include <string_view>

#include "vd/gst_elements.h"
#include "vd/sound_output.h"

namespace vd {

GstElement* MakeAudioSink(AudioSinkClock clock) {
  const char* choice = std::getenv("VIEWDECK_AUDIO_SINK");
  const bool fake = (choice != nullptr && std::string_view(choice) == "fake") ||
                    !ProbeSoundOutputs().Any();
  if (!fake) {
    if (GstElement* sink = vd::MakeElement<"autoaudiosink">()) return sink;
  }
  GstElement* sink = vd::MakeElement<"fakesink">();
  if (sink != nullptr)
    g_object_set(sink, "sync", clock == AudioSinkClock::kKeepTime ? TRUE : FALSE, nullptr);
  return sink;
}

}  // namespace vd
