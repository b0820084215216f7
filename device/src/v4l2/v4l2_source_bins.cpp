#include "v4l2_source_bins.h"

#include <gst/app/gstappsrc.h>
#include <linux/lirc.h>
#include <linux/videodev2.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <vector>

#include "gst_support.h"
#include "paced_source.h"
#include "v4l2_card.h"
#include "v4l2_frame_hub.h"
#include "vd/gst_elements.h"
#include "vd/gst_ptr.h"
#include "vd/ir_burst_encoder.h"
#include "vd/trace.h"
#include "vd/v4l2_bulk_items.h"

VD_DEFINE_TRACE(BinTrace, "device")

namespace vd {

namespace {
constexpr std::chrono::milliseconds kBulkPeriod{20};
constexpr size_t kBulkFieldBytes = 1024;
constexpr size_t kVbiReadItems = 64;
constexpr size_t kLircReadValues = 256;

std::string CapsText(const CapsPtr& caps) {
  gchar* text = gst_caps_to_string(caps.get());
  std::string s = text;
  g_free(text);
  return s;
}

// The fixed parts of the card's bins; the caps and the configured sources are filled in.
constexpr char kHubVideo[] =
    "appsrc name=hubsrc is-live=true format=time do-timestamp=true "
    "max-buffers=2 leaky-type=upstream ! videoconvert ! videoscale";
constexpr char kRate[] = " ! videorate";
constexpr char kCapsFilter[] = " ! capsfilter caps=\"";
constexpr char kSoundConvert[] = " ! audioconvert ! audioresample";
static_assert(ListsEveryElement(kHubVideo) && ListsEveryElement(kRate + 3) &&
              ListsEveryElement(kCapsFilter + 3) && ListsEveryElement(kSoundConvert + 3));

GstElement* ParseBin(const std::string& description) {
  ErrorPtr error;
  NewElementPtr bin(vd::ParseBin(description, ErrorOut(error)));
  if (error != nullptr) {
    BinTrace("v4l2: cannot build %s: %s\n", description.c_str(), error->message);
    return nullptr;
  }
  return bin.release();
}

// Runs `cleanup` when `object` is finalised.
template <typename F>
void OnFinalize(GObject* object, const char* key, F cleanup) {
  g_object_set_data_full(object, key, new F(std::move(cleanup)), [](gpointer p) {
    std::unique_ptr<F> f(static_cast<F*>(p));
    (*f)();
  });
}

// A bin whose source is not fed by the card itself hears of the card's end here.
void WatchGone(const std::shared_ptr<V4l2Card>& card, GstElement* bin) {
  auto* ref = new GWeakRef;  // owned by the listener's cleanup below
  g_weak_ref_init(ref, bin);
  std::shared_ptr<GWeakRef> shared(ref, [](GWeakRef* r) {
    g_weak_ref_clear(r);
    delete r;
  });
  int id = card->AddGoneListener([shared] {
    if (const ElementPtr b{static_cast<GstElement*>(g_weak_ref_get(shared.get()))}) {
      PostUnpluggedError(b.get());
      gst_element_send_event(b.get(), gst_event_new_eos());
    }
  });
  std::weak_ptr<V4l2Card> weak = card;
  OnFinalize(G_OBJECT(bin), "vd-v4l2-gone", [weak, id] {
    if (auto c = weak.lock()) c->RemoveGoneListener(id);
  });
}

// What the bulk pin carries, read from the VBI and LIRC nodes without blocking.
struct BulkFeed {
  std::shared_ptr<V4l2Card> card;
  bool vbi = false;
  bool lirc = false;
  uint8_t recordCounter = 0;
  LircRemoteCodes remote;
  BulkFieldWriter writer;

  void Fill(uint8_t* out, size_t n) {
    if (vbi) ReadVbi();
    if (lirc) ReadLirc();
    writer.Fill(out, n);
  }

  void ReadVbi() {
    std::vector<uint8_t> buffer(kVbiReadItems * SlicedTeletextRecords::kSlicedItemBytes);
    ssize_t r = card->Read(V4l2Card::Node::kVbi, buffer.data(), buffer.size());
    if (r == -EAGAIN || r == 0) return;
    if (r < 0) {
      BinTrace("v4l2: teletext read failed: %s\n", std::strerror(static_cast<int>(-r)));
      vbi = false;  // no retry storm on a node that broke
      return;
    }
    auto records = SlicedTeletextRecords::FromRead(
        std::span<const uint8_t>(buffer.data(), static_cast<size_t>(r)), &recordCounter);
    for (auto& record : records) writer.Queue(std::move(record));
  }

  void ReadLirc() {
    uint32_t values[kLircReadValues];
    ssize_t r = card->Read(V4l2Card::Node::kLirc, values, sizeof values);
    if (r == -EAGAIN || r == 0) return;
    if (r < 0) {
      BinTrace("v4l2: infrared read failed: %s\n", std::strerror(static_cast<int>(-r)));
      lirc = false;
      return;
    }
    for (size_t i = 0; i < static_cast<size_t>(r) / sizeof(uint32_t); ++i) remote.Feed(values[i]);
    for (uint32_t code : remote.TakeCodes())
      for (auto& burst : IrBurstEncoder::Bursts(code)) writer.Queue(std::move(burst));
  }
};

// The card's record priority as one capture bin holds it.
struct RecordHold {
  std::weak_ptr<V4l2Card> card;
  std::atomic<bool> held{false};
  void Release() {
    if (held.exchange(false))
      if (auto c = card.lock()) c->ReleaseRecordPriority();
  }
};

// Takes the card's record priority when the bin's first picture passes, not before: the
// stream's own handle (v4l2src's) must set its format and start streaming first, which the
// kernel refuses to a handle below the priority held. The caller gives it back before the
// bin leaves the stream, which may stop it: the kernel refuses that too.
std::shared_ptr<RecordHold> HoldRecordPriority(const std::shared_ptr<V4l2Card>& card,
                                               GstElement* bin) {
  using Hold = RecordHold;
  auto hold = std::make_shared<Hold>();
  hold->card = card;
  const PadPtr pad(gst_element_get_static_pad(bin, "src"));
  if (pad == nullptr) return hold;
  gst_pad_add_probe(
      pad.get(), GST_PAD_PROBE_TYPE_BUFFER,
      [](GstPad*, GstPadProbeInfo*, gpointer data) -> GstPadProbeReturn {
        auto& h = **static_cast<std::shared_ptr<Hold>*>(data);
        if (!h.held.exchange(true))
          if (auto c = h.card.lock()) c->HoldRecordPriority();
        return GST_PAD_PROBE_REMOVE;
      },
      new std::shared_ptr<Hold>(hold),
      [](gpointer data) { delete static_cast<std::shared_ptr<Hold>*>(data); });
  return hold;
}
}  // namespace

GstElement* V4l2SourceBins::Video(const std::shared_ptr<V4l2Card>& card, const VideoFormat& format,
                                  bool still, bool record) {
  const CapsPtr caps(CapsOfVideoFormat(format));
  if (caps == nullptr) return nullptr;
  // A still pin sends pictures when triggered, at whatever rate the card streams.
  if (still) gst_structure_remove_field(gst_caps_get_structure(caps.get(), 0), "framerate");
  std::string description = kHubVideo;
  if (!still) description += kRate;
  description += kCapsFilter + CapsText(caps) + "\"";
  NewElementPtr bin(ParseBin(description));
  if (bin == nullptr) return nullptr;
  const ElementPtr appsrc(gst_bin_get_by_name(GST_BIN(bin.get()), "hubsrc"));
  std::shared_ptr<V4l2FrameHub> hub = card->Hub();
  int id = hub->Subscribe(bin.get(), appsrc.get(), still);
  if (id == 0) return nullptr;
  std::weak_ptr<V4l2FrameHub> weak = hub;
  std::shared_ptr<RecordHold> hold = record ? HoldRecordPriority(card, bin.get()) : nullptr;
  OnFinalize(G_OBJECT(appsrc.get()), "vd-v4l2-hub", [weak, id, hold] {
    if (hold != nullptr) hold->Release();
    if (auto h = weak.lock()) h->Unsubscribe(id);
  });
  return bin.release();
}

GstElement* V4l2SourceBins::Audio(const std::shared_ptr<V4l2Card>& card,
                                  const std::string& sourceDescription, const AudioFormat& format) {
  std::string description = sourceDescription + kSoundConvert + kCapsFilter +
                            CapsText(CapsPtr(CapsOfAudioFormat(format))) + "\"";
  GstElement* bin = ParseBin(description);
  if (bin != nullptr) WatchGone(card, bin);
  return bin;
}

GstElement* V4l2SourceBins::Bulk(const std::shared_ptr<V4l2Card>& card) {
  auto feed = std::make_shared<BulkFeed>();
  feed->card = card;
  if (card->HasSlicedTeletext()) {
    v4l2_format f{};
    f.type = V4L2_BUF_TYPE_SLICED_VBI_CAPTURE;
    // With WSS beside it: some drivers (the kernel's own virtual card among them) give
    // teletext no line when it is asked for alone. The WSS lines are passed over when read.
    f.fmt.sliced.service_set = V4L2_SLICED_TELETEXT_B | V4L2_SLICED_WSS_625;
    feed->vbi = card->Ioctl(V4l2Card::Node::kVbi, VIDIOC_S_FMT, &f) == 0 &&
                (f.fmt.sliced.service_set & V4L2_SLICED_TELETEXT_B) != 0;
    if (!feed->vbi) BinTrace("v4l2: the VBI node gives no sliced teletext line\n");
    // read() delivers the type of the node's queue, and a node with raw and sliced VBI in
    // one queue (vivid's) changes it only on a buffer request, not on the format: asking
    // for none of the sliced type switches it and keeps nothing. A node that has a queue
    // for sliced VBI alone may refuse; its reads are sliced anyway.
    if (feed->vbi) {
      v4l2_requestbuffers none{};
      none.type = V4L2_BUF_TYPE_SLICED_VBI_CAPTURE;
      none.memory = V4L2_MEMORY_MMAP;
      none.count = 0;
      if (card->Ioctl(V4l2Card::Node::kVbi, VIDIOC_REQBUFS, &none) != 0)
        BinTrace("v4l2: the VBI node takes no sliced buffer request; reading it as it is\n");
    }
  }
  if (!card->Nodes().lirc.empty()) {
    uint32_t mode = LIRC_MODE_MODE2;
    feed->lirc = card->Ioctl(V4l2Card::Node::kLirc, LIRC_SET_REC_MODE, &mode) == 0;
  }
  PacedSource::Producer producer;
  producer.period = kBulkPeriod;
  producer.bytesPerBuffer = kBulkFieldBytes;
  producer.alive = [card] { return card->IsAlive(); };
  producer.fill = [feed](uint8_t* data, size_t size, uint64_t) { feed->Fill(data, size); };
  return PacedSource::Create(gst_caps_new_empty_simple("application/octet-stream"),
                             std::move(producer));
}

}  // namespace vd
