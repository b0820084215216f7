#include "bulk_pipeline.h"

#include <gst/app/gstappsink.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

#include "vd/gst_elements.h"

namespace vd {

namespace {

GstFlowReturn NewSample(GstAppSink* sink, gpointer user) {
  auto* receiver = static_cast<BulkPipeline::Receiver*>(user);
  const SamplePtr sample(gst_app_sink_pull_sample(sink));
  if (sample == nullptr) return GST_FLOW_OK;
  GstBuffer* buffer = gst_sample_get_buffer(sample.get());
  GstMapInfo map;
  if (buffer != nullptr && gst_buffer_map(buffer, &map, GST_MAP_READ)) {
    // A refused sample is counted by the receiver; the stream goes on.
    if (map.size > 0) receiver->Receive(map.data, map.size);
    gst_buffer_unmap(buffer, &map);
  }
  return GST_FLOW_OK;
}

// Moves the client's bulk output from our sink to a stand-in while no buffer is passing, so
// that its source never pushes into an unlinked pad (which ends its stream with an error).
struct PadSwap {
  GstPad* from = nullptr;
  GstPad* oldPeer = nullptr;
  PadPtr newPeer;
  std::mutex mutex;
  std::condition_variable done;
  bool swapped = false;
  bool abandoned = false;

  void Swap() {
    std::lock_guard lock(mutex);
    if (swapped || abandoned) return;
    gst_pad_unlink(from, oldPeer);
    if (gst_pad_link(from, newPeer.get()) != GST_PAD_LINK_OK) {
      ParserTrace("cannot link the stand-in sink\n");
    }
    swapped = true;
    done.notify_all();
  }
};

GstPadProbeReturn SwapWhenIdle(GstPad*, GstPadProbeInfo*, gpointer data) {
  static_cast<std::shared_ptr<PadSwap>*>(data)->get()->Swap();
  return GST_PAD_PROBE_REMOVE;
}

// A client's stream that never goes idle (a push stuck downstream) is cut off after this.
constexpr auto kSwapTimeout = std::chrono::seconds(2);

}  // namespace

BulkPipeline::BulkPipeline(Receiver& receiver) : receiver_(receiver) {}

void BulkPipeline::DetachFromClient() {
  const PadPtr sinkPad(gst_element_get_static_pad(sink_, "sink"));
  // Held until the bin has it, so that a stand-in the bin refused is dropped here.
  const ElementPtr standIn = AdoptElement(vd::MakeElement<"fakesink">());
  if (bulkPad_ != nullptr && sinkPad != nullptr && standIn != nullptr &&
      gst_bin_add(GST_BIN(bin_.get()), standIn.get())) {
    g_object_set(standIn.get(), "sync", FALSE, "async", FALSE, nullptr);
    gst_element_sync_state_with_parent(standIn.get());
    auto swap = std::make_shared<PadSwap>();
    swap->from = bulkPad_.get();
    swap->oldPeer = sinkPad.get();
    swap->newPeer.reset(gst_element_get_static_pad(standIn.get(), "sink"));
    const gulong probe = gst_pad_add_probe(
        bulkPad_.get(), GST_PAD_PROBE_TYPE_IDLE, &SwapWhenIdle, new std::shared_ptr<PadSwap>(swap),
        [](gpointer data) { delete static_cast<std::shared_ptr<PadSwap>*>(data); });
    {
      std::unique_lock lock(swap->mutex);
      if (!swap->done.wait_for(lock, kSwapTimeout, [&] { return swap->swapped; })) {
        swap->abandoned = true;
        gst_pad_unlink(bulkPad_.get(), sinkPad.get());
      }
    }
    if (probe != 0) gst_pad_remove_probe(bulkPad_.get(), probe);
    swap->newPeer.reset();
  } else if (bulkPad_ != nullptr && sinkPad != nullptr) {
    gst_pad_unlink(bulkPad_.get(), sinkPad.get());
  }
}

GstElement* BulkPipeline::MakeSink() {
  GstElement* sink = vd::MakeElement<"appsink">("In");
  if (sink == nullptr) return nullptr;
  // Bulk data has no clock: take every sample as it comes.
  g_object_set(sink, "sync", FALSE, "async", FALSE, "emit-signals", FALSE, nullptr);
  GstAppSinkCallbacks callbacks{};
  callbacks.new_sample = &NewSample;
  gst_app_sink_set_callbacks(GST_APP_SINK(sink), &callbacks, &receiver_, nullptr);
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
