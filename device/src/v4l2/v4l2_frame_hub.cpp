#include "v4l2_frame_hub.h"

#include <gst/app/gstappsink.h>
#include <gst/app/gstappsrc.h>
#include <linux/videodev2.h>

#include <vector>

#include "gst_support.h"
#include "v4l2_card.h"
#include "vd/gst_elements.h"
#include "vd/trace.h"

VD_DEFINE_TRACE(HubTrace, "device")

namespace vd {

namespace {
// Set while the hub's streaming thread hands out frames: a subscriber dropped there must
// not stop the pipeline from its own thread.
thread_local bool tInHubThread = false;

void EndSubscriber(GWeakRef* binRef, GWeakRef* appsrcRef, const std::string& text) {
  const ElementPtr bin(static_cast<GstElement*>(g_weak_ref_get(binRef)));
  const ElementPtr appsrc(static_cast<GstElement*>(g_weak_ref_get(appsrcRef)));
  if (bin != nullptr) {
    const ErrorPtr error(
        g_error_new_literal(GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_NOT_FOUND, text.c_str()));
    gst_element_post_message(bin.get(),
                             gst_message_new_error(GST_OBJECT(bin.get()), error.get(), nullptr));
  }
  if (appsrc != nullptr) gst_app_src_end_of_stream(GST_APP_SRC(appsrc.get()));
}
}  // namespace

V4l2FrameHub::V4l2FrameHub(V4l2Card* card, std::string sourceDescription)
    : card_(card), sourceDescription_(std::move(sourceDescription)) {}

V4l2FrameHub::~V4l2FrameHub() {
  std::lock_guard lock(mutex_);
  StopLocked();
  for (auto& [id, s] : subscribers_) {
    g_weak_ref_clear(&s->bin);
    g_weak_ref_clear(&s->appsrc);
  }
}

int V4l2FrameHub::Subscribe(GstElement* bin, GstElement* appsrc, bool stillOnly) {
  std::unique_lock lock(mutex_);
  // A stream another thread is stopping still holds the card's node, and most cards let
  // only one reader stream at a time.
  stopped_.wait(lock, [this] { return !stopping_; });
  if (ended_) return 0;
  auto s = std::make_unique<Subscriber>();
  g_weak_ref_init(&s->bin, bin);
  g_weak_ref_init(&s->appsrc, appsrc);
  s->stillOnly = stillOnly;
  int id = nextId_++;
  subscribers_[id] = std::move(s);
  if (pipeline_ != nullptr || starting_) return id;
  // GStreamer's own locks are taken while the pipeline starts; the streaming thread then
  // wants ours. Start it without holding mutex_.
  starting_ = true;
  lock.unlock();
  ElementPtr pipeline = Start();
  lock.lock();
  starting_ = false;
  if (pipeline == nullptr) {
    Drop(id);
    return 0;
  }
  pipeline_ = std::move(pipeline);
  if (ended_) StopLocked();
  return id;
}

void V4l2FrameHub::Drop(int id) {
  auto it = subscribers_.find(id);
  if (it == subscribers_.end()) return;
  g_weak_ref_clear(&it->second->bin);
  g_weak_ref_clear(&it->second->appsrc);
  subscribers_.erase(it);
}

void V4l2FrameHub::Unsubscribe(int id) {
  std::lock_guard lock(mutex_);
  Drop(id);
  if (!subscribers_.empty() || pipeline_ == nullptr) return;
  if (!tInHubThread) {
    StopLocked();
    return;
  }
  // The last bin's final reference can go while a frame is handed to it, on the stream's own
  // thread, which cannot stop its pipeline. The card lives on, and so would the stream with
  // the card's node open: a helper thread stops it, unless a new bin took the stream since.
  gst_element_call_async(pipeline_.get(), &V4l2FrameHub::StopIfIdle,
                         new std::weak_ptr<V4l2FrameHub>(weak_from_this()),
                         [](gpointer p) { delete static_cast<std::weak_ptr<V4l2FrameHub>*>(p); });
}

void V4l2FrameHub::StopIfIdle(GstElement* pipeline, gpointer weakSelf) {
  const auto hub = static_cast<std::weak_ptr<V4l2FrameHub>*>(weakSelf)->lock();
  if (hub == nullptr) return;
  std::lock_guard lock(hub->mutex_);
  if (hub->subscribers_.empty() && hub->pipeline_.get() == pipeline) hub->StopLocked();
}

void V4l2FrameHub::Stop() {
  std::unique_lock lock(mutex_);
  ended_ = true;
  StopLocked();
  // The card goes next: a stream still stopping on a helper thread counts its frames in the
  // card until it has stopped.
  stopped_.wait(lock, [this] { return !stopping_; });
}

void V4l2FrameHub::Trigger() {
  std::lock_guard lock(mutex_);
  for (auto& [id, s] : subscribers_)
    if (s->stillOnly) s->wantsFrame = true;
}

void V4l2FrameHub::EndAll(const std::string& text) {
  std::lock_guard lock(mutex_);
  if (ended_) return;
  ended_ = true;
  for (auto& [id, s] : subscribers_) EndSubscriber(&s->bin, &s->appsrc, text);
}

ElementPtr V4l2FrameHub::Start() {
  EnsureGstInit();
  ErrorPtr error;
  constexpr char kSink[] = " ! appsink name=hubsink";
  static_assert(ListsEveryElement(kSink + 3));
  std::string description = sourceDescription_ + kSink;
  ElementPtr pipeline(ParseLaunch(description, ErrorOut(error)));
  if (pipeline == nullptr || error != nullptr) {
    HubTrace("v4l2: cannot build the video source: %s\n", error ? error->message : "?");
    return nullptr;
  }
  const ElementPtr sink(gst_bin_get_by_name(GST_BIN(pipeline.get()), "hubsink"));
  g_object_set(sink.get(), "emit-signals", TRUE, "sync", FALSE, "max-buffers", 2u, "drop", TRUE,
               nullptr);
  g_signal_connect_data(
      sink.get(), "new-sample", G_CALLBACK(&V4l2FrameHub::OnSample),
      new std::weak_ptr<V4l2FrameHub>(weak_from_this()),  // owned by the connection
      [](gpointer p, GClosure*) { delete static_cast<std::weak_ptr<V4l2FrameHub>*>(p); },
      GConnectFlags{});
  const BusPtr bus(gst_element_get_bus(pipeline.get()));
  gst_bus_set_sync_handler(bus.get(), &V4l2FrameHub::OnBusMessage, this, nullptr);
  if (gst_element_set_state(pipeline.get(), GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
    HubTrace("v4l2: cannot start the video source %s\n", sourceDescription_.c_str());
    gst_element_set_state(pipeline.get(), GST_STATE_NULL);
    return nullptr;
  }
  return pipeline;
}

void V4l2FrameHub::StopLocked() {
  if (pipeline_ == nullptr) return;
  ElementPtr pipeline = std::move(pipeline_);
  gst_bus_set_sync_handler(BusPtr(gst_element_get_bus(pipeline.get())).get(), nullptr, nullptr,
                           nullptr);
  if (tInHubThread) {
    // A pipeline cannot stop from its own streaming thread; a helper thread does it.
    gst_element_call_async(
        pipeline.get(), [](GstElement* e, gpointer) { gst_element_set_state(e, GST_STATE_NULL); },
        nullptr, nullptr);
    return;
  }
  // The streaming thread takes mutex_ in OnSample: let it go while the pipeline stops and
  // goes.
  stopping_ = true;
  mutex_.unlock();
  gst_element_set_state(pipeline.get(), GST_STATE_NULL);
  pipeline.reset();
  mutex_.lock();
  stopping_ = false;
  stopped_.notify_all();
}

GstFlowReturn V4l2FrameHub::OnSample(GstElement* sink, gpointer weakSelf) {
  const SamplePtr sample(gst_app_sink_pull_sample(GST_APP_SINK(sink)));
  if (sample == nullptr) return GST_FLOW_EOS;
  tInHubThread = true;
  // The last holder of the hub may let go while a frame is handed out: the hub then ends
  // here, on this thread, and must know it.
  if (auto hub = static_cast<std::weak_ptr<V4l2FrameHub>*>(weakSelf)->lock())
    hub->Deliver(sample.get());
  tInHubThread = false;
  return GST_FLOW_OK;
}

void V4l2FrameHub::Deliver(GstSample* sample) {
  GstBuffer* buffer = gst_sample_get_buffer(sample);
  GstCaps* caps = gst_sample_get_caps(sample);
  // Collect the takers under the lock, push without it: pushing takes the appsrcs' locks.
  // References are dropped outside the lock too: the last one ends in Unsubscribe.
  std::vector<std::pair<ElementPtr, bool>> takers;
  {
    std::lock_guard lock(mutex_);
    for (auto& [id, s] : subscribers_) {
      if (s->stillOnly && !s->wantsFrame) continue;
      ElementPtr appsrc(static_cast<GstElement*>(g_weak_ref_get(&s->appsrc)));
      if (appsrc == nullptr) continue;
      GstState state = GST_STATE_NULL;
      gst_element_get_state(appsrc.get(), &state, nullptr, 0);
      bool playing = state == GST_STATE_PLAYING;
      if (playing) s->wantsFrame = false;
      takers.emplace_back(std::move(appsrc), playing);
    }
  }
  for (auto& [appsrc, playing] : takers) {
    if (!playing) {
      appsrc.reset();
      continue;
    }
    GstAppSrc* src = GST_APP_SRC(appsrc.get());
    const CapsPtr current(gst_app_src_get_caps(src));
    if (current == nullptr || !gst_caps_is_equal(current.get(), caps))
      gst_app_src_set_caps(src, caps);
    GstBuffer* copy = gst_buffer_copy(buffer);
    GST_BUFFER_PTS(copy) = GST_CLOCK_TIME_NONE;
    GST_BUFFER_DTS(copy) = GST_CLOCK_TIME_NONE;
    gst_app_src_push_buffer(src, copy);  // takes the copy
    appsrc.reset();
  }
  std::lock_guard cardLock(card_->Mutex());
  FrameCounts& counts = card_->counts;
  int64_t size = static_cast<int64_t>(gst_buffer_get_size(buffer));
  counts.averageFrameSize =
      (counts.averageFrameSize * counts.notDropped + size) / (counts.notDropped + 1);
  ++counts.notDropped;
}

GstBusSyncReply V4l2FrameHub::OnBusMessage(GstBus*, GstMessage* message, gpointer self) {
  // A sync handler that drops a message owns it. Each message holds its source element, so
  // one kept would keep the stream's pipeline, its v4l2src and the buffer pool's copy of the
  // picture node's descriptor alive after the pipeline stopped.
  const MessagePtr owned(message);
  if (GST_MESSAGE_TYPE(message) != GST_MESSAGE_ERROR) return GST_BUS_DROP;
  auto* hub = static_cast<V4l2FrameHub*>(self);
  ErrorPtr error;
  gst_message_parse_error(message, ErrorOut(error), nullptr);
  std::string text = error != nullptr ? error->message : "The video source failed.";
  // Ask the card itself whether it is still there: a vanished card answers ENODEV.
  v4l2_capability cap{};
  hub->card_->Ioctl(V4l2Card::Node::kVideo, VIDIOC_QUERYCAP, &cap);
  hub->EndAll(hub->card_->IsAlive() ? text : kUnpluggedText);
  return GST_BUS_DROP;
}

}  // namespace vd
