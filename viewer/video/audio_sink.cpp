#include "audio_sink.h"

#include <atomic>

#include "vd/backend_table.h"
#include "vd/gst_elements.h"
#include "vd/sound_output.h"

namespace vd {

namespace {

std::atomic<uint64_t> fakeBuffers[2];

GstPadProbeReturn CountBuffer(GstPad*, GstPadProbeInfo*, gpointer counter) {
  static_cast<std::atomic<uint64_t>*>(counter)->fetch_add(1, std::memory_order_relaxed);
  return GST_PAD_PROBE_OK;
}

GstElement* MakeFakeSink(AudioSinkClock clock) {
  GstElement* sink = vd::MakeElement<"fakesink">();
  if (sink != nullptr) {
    g_object_set(sink, "sync", clock == AudioSinkClock::kKeepTime ? TRUE : FALSE, nullptr);
    if (GstPad* pad = gst_element_get_static_pad(sink, "sink")) {
      gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_BUFFER, &CountBuffer,
                        &fakeBuffers[clock == AudioSinkClock::kKeepTime ? 1 : 0], nullptr);
      gst_object_unref(pad);
    }
  }
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

uint64_t FakeSoundBuffers(AudioSinkClock clock) {
  return fakeBuffers[clock == AudioSinkClock::kKeepTime ? 1 : 0].load(std::memory_order_relaxed);
}

GstElement* MakeAudioSink(AudioSinkClock clock) {
  return ChooseBackend(kAudioSinks, "VIEWDECK_AUDIO_SINK", "video").make(clock);
}

}  // namespace vd
