#include "virtual_still_bin.h"

#include <gst/app/gstappsink.h>
#include <gst/app/gstappsrc.h>

#include <mutex>

#include "gst_support.h"
#include "vd/gst_elements.h"
#include "vd/gst_ptr.h"
#include "virtual_hardware.h"

namespace vd {

namespace {
constexpr int kPatternSmpte = 0;
constexpr int kPatternSnow = 1;
constexpr int kPatternSmpte75 = 13;
constexpr int kPatternSmpte100 = 19;

// Renders one picture of what the box shows now with a short private pipeline.
GstBuffer* RenderPicture(VirtualHardware& hardware, const VideoFormat& format) {
  Reception r = hardware.CurrentReception();
  int pattern = r.source == PictureSource::kStation     ? kPatternSmpte
                : r.source == PictureSource::kComposite ? kPatternSmpte75
                : r.source == PictureSource::kSVideo    ? kPatternSmpte100
                                                        : kPatternSnow;
  const ElementPtr pipeline = AdoptElement(gst_pipeline_new(nullptr));
  GstElement* src = vd::MakeElement<"videotestsrc">();
  GstElement* filter = vd::MakeElement<"capsfilter">();
  GstElement* balance = vd::MakeElement<"videobalance">();
  GstElement* text = vd::MakeElement<"textoverlay">();
  GstElement* sink = vd::MakeElement<"appsink">();
  const CapsPtr caps(CapsOfVideoFormat(format));
  bool made = src && filter && balance && text && sink && caps;
  for (GstElement* e : {src, filter, balance, text, sink}) {
    if (e != nullptr) gst_bin_add(GST_BIN(pipeline.get()), e);
  }
  GstBuffer* picture = nullptr;
  if (made && gst_element_link_many(src, filter, text, balance, sink, nullptr)) {
    g_object_set(src, "num-buffers", 1, "pattern", pattern, nullptr);
    g_object_set(filter, "caps", caps.get(), nullptr);
    g_object_set(balance, "brightness", (hardware.Amp(AmpProperty::kBrightness) - 128) / 128.0,
                 "contrast", hardware.Amp(AmpProperty::kContrast) / 128.0, "saturation",
                 hardware.Amp(AmpProperty::kSaturation) / 128.0, nullptr);
    g_object_set(text, "text", r.label.c_str(), "silent", r.label.empty(), "font-desc",
                 "Sans Bold 24", nullptr);
    g_object_set(sink, "sync", FALSE, nullptr);
    if (gst_element_set_state(pipeline.get(), GST_STATE_PLAYING) != GST_STATE_CHANGE_FAILURE) {
      const SamplePtr sample(gst_app_sink_try_pull_sample(GST_APP_SINK(sink), 5 * GST_SECOND));
      if (sample != nullptr) picture = gst_buffer_copy_deep(gst_sample_get_buffer(sample.get()));
    }
    gst_element_set_state(pipeline.get(), GST_STATE_NULL);
  }
  return picture;
}

class StillFeed final : public StillListener {
 public:
  StillFeed(std::shared_ptr<VirtualHardware> hardware, uint64_t generation, GstElement* bin,
            GstElement* appsrc, const VideoFormat& format)
      : hardware_(std::move(hardware)), generation_(generation), format_(format) {
    g_weak_ref_init(&bin_, bin);
    g_weak_ref_init(&appsrc_, appsrc);
  }
  ~StillFeed() override {
    g_weak_ref_clear(&bin_);
    g_weak_ref_clear(&appsrc_);
  }

  bool OnTrigger() override {
    // One picture at a time per pin; a second trigger during rendering waits its turn.
    std::lock_guard lock(mutex_);
    if (ended_ || !hardware_->IsAlive(generation_)) return false;
    const ElementPtr appsrc(static_cast<GstElement*>(g_weak_ref_get(&appsrc_)));
    if (appsrc == nullptr) return false;
    GstState state = GST_STATE_NULL;
    gst_element_get_state(appsrc.get(), &state, nullptr, 0);
    if (state != GST_STATE_PLAYING) return false;
    GstBuffer* picture = RenderPicture(*hardware_, format_);
    if (picture == nullptr) return false;
    GST_BUFFER_PTS(picture) = GST_CLOCK_TIME_NONE;
    GST_BUFFER_DTS(picture) = GST_CLOCK_TIME_NONE;
    return gst_app_src_push_buffer(GST_APP_SRC(appsrc.get()), picture) == GST_FLOW_OK;
  }

  void OnUnplugged() override {
    std::lock_guard lock(mutex_);
    if (ended_) return;
    ended_ = true;
    const ElementPtr bin(static_cast<GstElement*>(g_weak_ref_get(&bin_)));
    const ElementPtr appsrc(static_cast<GstElement*>(g_weak_ref_get(&appsrc_)));
    if (bin != nullptr && appsrc != nullptr) {
      PostUnpluggedError(bin.get());
      gst_app_src_end_of_stream(GST_APP_SRC(appsrc.get()));
    }
  }

 private:
  std::mutex mutex_;
  std::shared_ptr<VirtualHardware> hardware_;
  uint64_t generation_;
  VideoFormat format_;
  GWeakRef bin_;
  GWeakRef appsrc_;
  bool ended_ = false;
};

struct Registration {
  std::weak_ptr<VirtualHardware> hardware;
  const StillListener* listener;
};
}  // namespace

GstElement* VirtualStillBin::Create(std::shared_ptr<VirtualHardware> hardware, uint64_t generation,
                                    const VideoFormat& format) {
  EnsureGstInit();
  const CapsPtr caps(CapsOfVideoFormat(format));
  if (caps == nullptr) return nullptr;
  GstElement* appsrc = vd::MakeElement<"appsrc">();
  if (appsrc == nullptr) return nullptr;
  GstElement* bin = gst_bin_new(nullptr);  // floating: the caller's pipeline takes it
  // Pictures come whenever they are triggered: a still pin has no frame rate.
  gst_caps_set_simple(caps.get(), "framerate", GST_TYPE_FRACTION, 0, 1, nullptr);
  g_object_set(appsrc, "caps", caps.get(), "is-live", TRUE, "format", GST_FORMAT_TIME,
               "do-timestamp", TRUE, nullptr);
  gst_bin_add(GST_BIN(bin), appsrc);
  if (!AddGhostSrc(bin, appsrc)) {
    const ElementPtr unwanted = AdoptElement(bin);
    return nullptr;
  }
  auto feed = std::make_shared<StillFeed>(hardware, generation, bin, appsrc, format);
  hardware->AddStillListener(feed);
  // The listener leaves the hardware when the appsrc is finalised.
  g_object_set_data_full(G_OBJECT(appsrc), "vd-still-feed", new Registration{hardware, feed.get()},
                         [](gpointer p) {
                           std::unique_ptr<Registration> r(static_cast<Registration*>(p));
                           if (auto hw = r->hardware.lock()) hw->RemoveStillListener(r->listener);
                         });
  return bin;
}

}  // namespace vd
