// Runs a device source bin into an appsink and hands back what arrives: the samples, the
// error and end-of-stream messages. Tests wait on conditions, never on fixed sleeps.
#pragma once

#include <gst/app/gstappsink.h>
#include <gst/gst.h>

#include <chrono>
#include <string>
#include <vector>

namespace vd::test {

class PipelineProbe {
 public:
  // Takes the floating bin; the pipeline is playing when the constructor returns.
  explicit PipelineProbe(GstElement* sourceBin) {
    gst_init(nullptr, nullptr);
    pipeline_ = gst_pipeline_new(nullptr);
    sink_ = gst_element_factory_make("appsink", nullptr);
    // No preroll: a still pin sends nothing until it is triggered.
    g_object_set(sink_, "sync", FALSE, "async", FALSE, "max-buffers", 64u, "drop", FALSE, nullptr);
    gst_bin_add_many(GST_BIN(pipeline_), sourceBin, sink_, nullptr);
    linked_ = gst_element_link(sourceBin, sink_) == TRUE;
    gst_element_set_state(pipeline_, GST_STATE_PLAYING);
  }
  ~PipelineProbe() {
    gst_element_set_state(pipeline_, GST_STATE_NULL);
    gst_object_unref(pipeline_);
  }
  PipelineProbe(const PipelineProbe&) = delete;
  PipelineProbe& operator=(const PipelineProbe&) = delete;

  bool Linked() const { return linked_; }

  // True once the pipeline has reached PLAYING (live sources get there without preroll).
  bool WaitPlaying() {
    GstState state = GST_STATE_NULL;
    gst_element_get_state(pipeline_, &state, nullptr, 5 * GST_SECOND);
    return state == GST_STATE_PLAYING;
  }

  // The next sample, or null after `timeout` (also at end of stream).
  GstSample* Pull(std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
    return gst_app_sink_try_pull_sample(GST_APP_SINK(sink_), timeout.count() * GST_MSECOND);
  }

  // Copies the bytes of the next sample; empty on time-out.
  std::vector<uint8_t> PullBytes(std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
    std::vector<uint8_t> bytes;
    GstSample* sample = Pull(timeout);
    if (sample == nullptr) return bytes;
    GstBuffer* buffer = gst_sample_get_buffer(sample);
    GstMapInfo map;
    if (gst_buffer_map(buffer, &map, GST_MAP_READ)) {
      bytes.assign(map.data, map.data + map.size);
      gst_buffer_unmap(buffer, &map);
    }
    gst_sample_unref(sample);
    return bytes;
  }

  // Waits for an error or end-of-stream message; returns its type (0 on time-out) and
  // the error text in *text.
  GstMessageType WaitForEnd(std::chrono::milliseconds timeout, std::string* text = nullptr) {
    GstBus* bus = gst_element_get_bus(pipeline_);
    GstMessage* msg = gst_bus_timed_pop_filtered(
        bus, timeout.count() * GST_MSECOND,
        static_cast<GstMessageType>(GST_MESSAGE_ERROR | GST_MESSAGE_EOS));
    gst_object_unref(bus);
    if (msg == nullptr) return static_cast<GstMessageType>(0);
    GstMessageType type = GST_MESSAGE_TYPE(msg);
    if (type == GST_MESSAGE_ERROR && text != nullptr) {
      GError* error = nullptr;
      gst_message_parse_error(msg, &error, nullptr);
      *text = error->message;
      g_error_free(error);
    }
    gst_message_unref(msg);
    return type;
  }

  bool IsEos() const { return gst_app_sink_is_eos(GST_APP_SINK(sink_)) == TRUE; }

 private:
  GstElement* pipeline_ = nullptr;
  GstElement* sink_ = nullptr;
  bool linked_ = false;
};

// Caps field helpers.
inline int CapsInt(GstSample* sample, const char* field) {
  int v = -1;
  gst_structure_get_int(gst_caps_get_structure(gst_sample_get_caps(sample), 0), field, &v);
  return v;
}

inline std::string CapsString(GstSample* sample, const char* field) {
  const char* s =
      gst_structure_get_string(gst_caps_get_structure(gst_sample_get_caps(sample), 0), field);
  return s != nullptr ? s : "";
}

}  // namespace vd::test
