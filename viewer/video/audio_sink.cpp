#include "audio_sink.h"

#include "vd/backend_table.h"
#include "vd/gst_elements.h"
#include "vd/sound_output.h"

namespace vd {

namespace {

GstElement* MakeFakeSink(AudioSinkClock clock) {
  GstElement* sink = vd::MakeElement<"fakesink">();
  if (sink != nullptr)
    g_object_set(sink, "sync", clock == AudioSinkClock::kKeepTime ? TRUE : FALSE, nullptr);
  return sink;
}

const Backend<GstElement* (*)(AudioSinkClock)> kAudioSinks[] = {
    {"system", "the session's sound server or the sound card (autoaudiosink)",
     [] { return ProbeSoundOutputs().Any(); },
     [](AudioSinkClock clock) {
       // Without the element's plug-in the sound is dropped, as on a silent machine.
       if (GstElement* sink = vd::MakeElement<"autoaudiosink">()) return sink;
       return MakeFakeSink(clock);
     }},
    {"fake", "nowhere: a fakesink", nullptr, &MakeFakeSink},
};

}  // namespace

GstElement* MakeAudioSink(AudioSinkClock clock) {
  return ChooseBackend(kAudioSinks, "VIEWDECK_AUDIO_SINK", "video").make(clock);
}

}  // namespace vd
