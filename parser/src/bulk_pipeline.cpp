#include "bulk_pipeline.h"

#include <gst/app/gstappsink.h>

#include <memory>
#include <string>
#include <utility>

#include "vd/gst_elements.h"

namespace vd {

namespace {

// A source pushing into an unlinked pad ends its stream with an error, so what the client's
// bulk output pushes while nothing is linked to it is dropped. The probe stays on the pad
// (added once, holding nothing of ours), so the client's pipeline is left as it was: its
// bulk output unlinked and free for the next parser.
GstPadProbeReturn DropWhileUnlinked(GstPad* pad, GstPadProbeInfo*, gpointer) {
  return gst_pad_is_linked(pad) ? GST_PAD_PROBE_OK : GST_PAD_PROBE_DROP;
}

void DropWhileUnlinkedOnce(GstPad* pad) {
  static const GQuark kMark = g_quark_from_static_string("vd-drop-while-unlinked");
  GST_OBJECT_LOCK(pad);
  const bool marked = g_object_get_qdata(G_OBJECT(pad), kMark) != nullptr;
  if (!marked) g_object_set_qdata(G_OBJECT(pad), kMark, GINT_TO_POINTER(1));
  GST_OBJECT_UNLOCK(pad);
  if (!marked) {
    gst_pad_add_probe(
        pad,
        static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_BUFFER_LIST),
        &DropWhileUnlinked, nullptr, nullptr);
  }
}

}  // namespace

BulkPipeline::BulkPipeline(Receiver& receiver) : receiver_(receiver) {}

GstFlowReturn BulkPipeline::NewSample(GstAppSink* sink, gpointer self) {
  const SamplePtr sample(gst_app_sink_pull_sample(sink));
  if (sample == nullptr) return GST_FLOW_OK;
  GstBuffer* buffer = gst_sample_get_buffer(sample.get());
  GstMapInfo map;
  if (buffer != nullptr && gst_buffer_map(buffer, &map, GST_MAP_READ)) {
    if (map.size > 0) static_cast<BulkPipeline*>(self)->Deliver(map.data, map.size);
    gst_buffer_unmap(buffer, &map);
  }
  return GST_FLOW_OK;
}

void BulkPipeline::Deliver(const uint8_t* data, size_t size) {
  if (Succeeded(receiver_.Receive(data, size))) {
    refusing_ = false;
    return;
  }
  // A refused sample is counted by the receiver and the stream goes on: a flow error would
  // end the client's stream. The client's pipeline is told on its bus, once for each run of
  // refused samples (a private pipeline's bus has nobody reading it).
  if (pipeline_ != nullptr || std::exchange(refusing_, true)) return;
  const std::string text = "The stream parser's buffer is full: a sample of " +
                           std::to_string(size) + " bytes was dropped.";
  const ErrorPtr error(
      g_error_new_literal(GST_STREAM_ERROR, GST_STREAM_ERROR_FAILED, text.c_str()));
  gst_element_post_message(
      sink_, gst_message_new_warning(GST_OBJECT(sink_), error.get(), "parser ring full"));
}

void BulkPipeline::DetachFromClient() {
  const PadPtr sinkPad(gst_element_get_static_pad(sink_, "sink"));
  if (bulkPad_ == nullptr || sinkPad == nullptr) return;
  // A push under way holds its own reference to our pad; the next one finds no peer and is
  // dropped by the probe.
  DropWhileUnlinkedOnce(bulkPad_.get());
  gst_pad_unlink(bulkPad_.get(), sinkPad.get());
}

GstElement* BulkPipeline::MakeSink() {
  GstElement* sink = vd::MakeElement<"appsink">("In");
  if (sink == nullptr) return nullptr;
  // Bulk data has no clock: take every sample as it comes.
  g_object_set(sink, "sync", FALSE, "async", FALSE, "emit-signals", FALSE, nullptr);
  GstAppSinkCallbacks callbacks{};
  callbacks.new_sample = &BulkPipeline::NewSample;
  gst_app_sink_set_callbacks(GST_APP_SINK(sink), &callbacks, this, nullptr);
  return sink;
}

HResult BulkPipeline::CreatePrivate(ElementPtr source, Receiver& receiver,
                                    std::unique_ptr<BulkPipeline>* out) {
  std::unique_ptr<BulkPipeline> p(new BulkPipeline(receiver));
  p->pipeline_ = AdoptElement(gst_pipeline_new(nullptr));
  if (p->pipeline_ == nullptr) {
    ParserTrace("Cannot instantiate graphbuilder\n");
    return kEFail;
  }
  p->bin_ = RefObject(p->pipeline_.get());
  if (!gst_bin_add(GST_BIN(p->pipeline_.get()), source.get())) {
    ParserTrace("Error %x: Cannot add vidcap to filtergraph\n", static_cast<unsigned>(kEFail));
    return kEFail;
  }
  GstElement* const linked = source.get();  // the pipeline holds it from here on
  source.reset();
  const ElementPtr sink = AdoptElement(p->MakeSink());
  if (sink == nullptr || !gst_bin_add(GST_BIN(p->pipeline_.get()), sink.get())) {
    ParserTrace("Error %x: Cannot add stromsift to filtergraph\n", static_cast<unsigned>(kEFail));
    return kEFail;
  }
  p->sink_ = sink.get();
  if (!gst_element_link(linked, p->sink_)) {
    ParserTrace("Error %x: Cannot connect the pins\n", static_cast<unsigned>(kEFail));
    return kEFail;
  }
  *out = std::move(p);
  return kSOk;
}

HResult BulkPipeline::CreateOnFilter(GstElement* filter, GstPad* bulkPad, Receiver& receiver,
                                     std::unique_ptr<BulkPipeline>* out) {
  GstPtr<GstObject> parent(gst_element_get_parent(filter));
  if (parent == nullptr || !GST_IS_BIN(parent.get())) return kEInvalidArg;
  std::unique_ptr<BulkPipeline> p(new BulkPipeline(receiver));
  p->bin_.reset(GST_ELEMENT(parent.release()));
  p->filter_ = RefObject(filter);
  p->bulkPad_ = RefObject(bulkPad);
  const ElementPtr sink = AdoptElement(p->MakeSink());
  if (sink == nullptr || !gst_bin_add(GST_BIN(p->bin_.get()), sink.get())) {
    ParserTrace("Error %x: Cannot add stromsift to filtergraph\n", static_cast<unsigned>(kEFail));
    return kEFail;
  }
  p->sink_ = sink.get();
  const PadPtr sinkPad(gst_element_get_static_pad(sink.get(), "sink"));
  const GstPadLinkReturn linked = gst_pad_link(bulkPad, sinkPad.get());
  if (linked != GST_PAD_LINK_OK) {
    ParserTrace("Error %x: Cannot connect the pins\n", static_cast<unsigned>(kEFail));
    return kEFail;
  }
  // A client whose pipeline already runs gets a running sink.
  gst_element_sync_state_with_parent(p->sink_);
  *out = std::move(p);
  return kSOk;
}

BulkPipeline::~BulkPipeline() {
  if (pipeline_ != nullptr) {
    // Joins the streaming threads: no sample reaches the receiver after this.
    gst_element_set_state(pipeline_.get(), GST_STATE_NULL);
  } else if (sink_ != nullptr) {
    // The client's pipeline: take out only our own sink, its source still linked.
    DetachFromClient();
    gst_element_set_locked_state(sink_, TRUE);
    gst_element_set_state(sink_, GST_STATE_NULL);
    gst_bin_remove(GST_BIN(bin_.get()), sink_);
  }
  // The holders let go of the pad, the filter and the bin in that order, then the pipeline.
}

HResult BulkPipeline::Run() {
  if (gst_element_set_state(pipeline_.get(), GST_STATE_PLAYING) != GST_STATE_CHANGE_FAILURE) {
    return kSOk;
  }
  gst_element_set_state(pipeline_.get(), GST_STATE_NULL);
  ParserTrace("Error %x: Cannot run graph\n", static_cast<unsigned>(kEFail));
  return kEFail;
}

HResult BulkPipeline::Stop() {
  gst_element_set_state(pipeline_.get(), GST_STATE_PAUSED);
  return gst_element_set_state(pipeline_.get(), GST_STATE_NULL) == GST_STATE_CHANGE_FAILURE ? kEFail
                                                                                            : kSOk;
}

}  // namespace vd
