#include "paced_source.h"

#include <gst/app/gstappsrc.h>

#include <thread>

#include "gst_support.h"
#include "vd/gst_elements.h"
#include "vd/gst_ptr.h"

namespace vd {

namespace {
// A source that fell this far behind (a stalled pipeline) starts afresh instead of bursting.
constexpr auto kMaxLag = std::chrono::milliseconds(200);

struct Feed {
  PacedSource::Producer producer;
  GstElement* bin = nullptr;
  std::chrono::steady_clock::time_point deadline{};
  bool started = false;
  bool ended = false;
  uint64_t index = 0;
};

void NeedData(GstAppSrc* src, guint, gpointer data) {
  auto& feed = *static_cast<Feed*>(data);
  if (feed.ended) return;
  if (!feed.producer.alive()) {
    feed.ended = true;
    PostUnpluggedError(feed.bin);
    gst_app_src_end_of_stream(src);
    return;
  }
  auto now = std::chrono::steady_clock::now();
  if (!feed.started && feed.producer.startDelay) now += feed.producer.startDelay();
  if (!feed.started || now - feed.deadline > kMaxLag) {
    feed.started = true;
    feed.deadline = now;
  }
  std::this_thread::sleep_until(feed.deadline);
  std::chrono::nanoseconds step = feed.producer.period;
  if (feed.producer.driftPpm) {
    const double ppm = feed.producer.driftPpm();
    step = std::chrono::nanoseconds(
        static_cast<int64_t>(static_cast<double>(step.count()) * 1e6 / (1e6 + ppm)));
  }
  feed.deadline += std::chrono::duration_cast<std::chrono::steady_clock::duration>(step);

  BufferPtr buffer(gst_buffer_new_allocate(nullptr, feed.producer.bytesPerBuffer, nullptr));
  GstMapInfo map;
  if (!gst_buffer_map(buffer.get(), &map, GST_MAP_WRITE)) return;
  feed.producer.fill(map.data, map.size, feed.index++);
  gst_buffer_unmap(buffer.get(), &map);
  GST_BUFFER_DURATION(buffer.get()) =
      std::chrono::duration_cast<std::chrono::nanoseconds>(feed.producer.period).count();
  gst_app_src_push_buffer(src, buffer.release());  // takes the buffer
}
}  // namespace

GstElement* PacedSource::Create(GstCaps* caps, Producer producer) {
  const CapsPtr taken(caps);
  EnsureGstInit();
  NewElementPtr bin(gst_bin_new(nullptr));
  GstElement* appsrc = vd::MakeElement<"appsrc">();
  if (appsrc == nullptr) return nullptr;
  g_object_set(appsrc, "caps", caps, "is-live", TRUE, "format", GST_FORMAT_TIME, "do-timestamp",
               TRUE, "max-buffers", static_cast<guint64>(4), "block", FALSE, nullptr);
  gst_bin_add(GST_BIN(bin.get()), appsrc);
  if (!AddGhostSrc(bin.get(), appsrc)) return nullptr;
  auto* feed = new Feed;  // owned by the appsrc's callbacks, freed with them
  feed->producer = std::move(producer);
  feed->bin = bin.get();
  GstAppSrcCallbacks callbacks = {};
  callbacks.need_data = NeedData;
  gst_app_src_set_callbacks(GST_APP_SRC(appsrc), &callbacks, feed,
                            [](gpointer p) { delete static_cast<Feed*>(p); });
  return bin.release();
}

}  // namespace vd
