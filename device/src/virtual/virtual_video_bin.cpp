#include "virtual_video_bin.h"

#include <ctime>

#include "gst_support.h"
#include "vd/gst_elements.h"
#include "vd/gst_ptr.h"
#include "virtual_hardware.h"

namespace vd {

namespace {
// videotestsrc patterns.
constexpr int kPatternSmpte = 0;
constexpr int kPatternSnow = 1;
constexpr int kPatternSmpte75 = 13;
constexpr int kPatternSmpte100 = 19;

struct Shown {
  PictureSource source = PictureSource::kSnow;
  std::string caption;  // station name and clock, or the input's name
  int32_t amp[4] = {-1, -1, -1, -1};
  bool operator==(const Shown&) const = default;
};

struct VideoFeed {
  std::shared_ptr<VirtualHardware> hardware;
  uint64_t generation = 0;
  bool countFrames = false;
  uint32_t frameBytes = 0;
  GstElement* bin = nullptr;  // the elements belong to the bin, which outlives the probe
  GstElement* source = nullptr;
  GstElement* balance = nullptr;
  GstElement* text = nullptr;
  bool first = true;
  Shown shown;
  uint64_t frame = 0;
  GstClockTime firstPts = GST_CLOCK_TIME_NONE;
  bool ended = false;
};

int PatternOf(PictureSource source) {
  switch (source) {
    case PictureSource::kStation:
      return kPatternSmpte;
    case PictureSource::kComposite:
      return kPatternSmpte75;
    case PictureSource::kSVideo:
      return kPatternSmpte100;
    default:
      return kPatternSnow;
  }
}

double Clamp(double v, double lo, double hi) {
  return v < lo ? lo : v > hi ? hi : v;
}

void Apply(VideoFeed& feed, const Shown& want) {
  if (feed.first || want.source != feed.shown.source) {
    g_object_set(feed.source, "pattern", PatternOf(want.source), "horizontal-speed",
                 want.source == PictureSource::kStation ? 2 : 0, nullptr);
  }
  // The overlay renders its text only when the text changes, so the clock shows minutes:
  // a render costs more than a minute of blending the same caption.
  if (feed.first || want.caption != feed.shown.caption) {
    g_object_set(feed.text, "text", want.caption.c_str(), "silent", want.caption.empty(), nullptr);
  }
  if (feed.first || !std::equal(std::begin(want.amp), std::end(want.amp), feed.shown.amp)) {
    g_object_set(feed.balance, "brightness", Clamp((want.amp[0] - 128) / 128.0, -1, 1), "contrast",
                 Clamp(want.amp[1] / 128.0, 0, 2), "hue", Clamp(want.amp[2] / 128.0, -1, 1),
                 "saturation", Clamp(want.amp[3] / 128.0, 0, 2), nullptr);
  }
  feed.shown = want;
  feed.first = false;
}

GstPadProbeReturn OnBuffer(GstPad*, GstPadProbeInfo* info, gpointer data) {
  auto& feed = *static_cast<VideoFeed*>(data);
  if (!feed.hardware->IsAlive(feed.generation)) {
    if (!feed.ended) {
      feed.ended = true;
      PostUnpluggedError(feed.bin);
    }
    // Ending the stream makes the source send EOS and stop, so nothing waits on it. A handled
    // probe owns the buffer it took.
    const BufferPtr handled(GST_PAD_PROBE_INFO_BUFFER(info));
    GST_PAD_PROBE_INFO_DATA(info) = nullptr;
    GST_PAD_PROBE_INFO_FLOW_RETURN(info) = GST_FLOW_EOS;
    return GST_PAD_PROBE_HANDLED;
  }
  Reception reception = feed.hardware->CurrentReception();
  Shown want;
  want.source = reception.source;
  want.caption = reception.label;
  if (reception.source == PictureSource::kStation) {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char clock[16];
    std::strftime(clock, sizeof clock, "   %H:%M", &local);
    want.caption += clock;
  }
  for (int i = 0; i < 4; ++i) want.amp[i] = feed.hardware->Amp(static_cast<AmpProperty>(i));
  if (feed.first || !(want == feed.shown)) Apply(feed, want);

  const VirtualBoxFaults faults = feed.hardware->Faults();
  const GstClockTime pts = GST_BUFFER_PTS(GST_PAD_PROBE_INFO_BUFFER(info));
  if (!GST_CLOCK_TIME_IS_VALID(feed.firstPts)) feed.firstPts = pts;
  const bool dark = GST_CLOCK_TIME_IS_VALID(pts) && GST_CLOCK_TIME_IS_VALID(feed.firstPts) &&
                    pts - feed.firstPts < faults.picturesLateMs * GST_MSECOND;
  // A device slow to start has sent nothing yet, so nothing counts as lost.
  if (dark) return GST_PAD_PROBE_DROP;
  bool drop = faults.dropEveryNth > 0 && ++feed.frame % faults.dropEveryNth == 0;
  if (feed.countFrames) feed.hardware->CountFrame(drop, feed.frameBytes);
  return drop ? GST_PAD_PROBE_DROP : GST_PAD_PROBE_OK;
}
}  // namespace

GstElement* VirtualVideoBin::Create(std::shared_ptr<VirtualHardware> hardware, uint64_t generation,
                                    const VideoFormat& format, bool countFrames) {
  EnsureGstInit();
  const CapsPtr caps(CapsOfVideoFormat(format));
  if (caps == nullptr) return nullptr;
  // Held until the bin has them, so that a missing one drops the others.
  const ElementPtr sourceHeld = AdoptElement(vd::MakeElement<"videotestsrc">());
  const ElementPtr filterHeld = AdoptElement(vd::MakeElement<"capsfilter">());
  const ElementPtr balanceHeld = AdoptElement(vd::MakeElement<"videobalance">());
  const ElementPtr textHeld = AdoptElement(vd::MakeElement<"textoverlay">());
  GstElement* const source = sourceHeld.get();
  GstElement* const filter = filterHeld.get();
  GstElement* const balance = balanceHeld.get();
  GstElement* const text = textHeld.get();
  if (source == nullptr || filter == nullptr || balance == nullptr || text == nullptr) {
    return nullptr;
  }
  g_object_set(source, "is-live", TRUE, nullptr);
  g_object_set(filter, "caps", caps.get(), nullptr);
  g_object_set(text, "valignment", 2 /* top */, "halignment", 0 /* left */, "font-desc",
               "Sans Bold 12", nullptr);
  // The amplifier acts on the whole picture, captions included, as on the real box.
  GstElement* bin = gst_bin_new(nullptr);  // floating: the caller's pipeline takes it
  gst_bin_add_many(GST_BIN(bin), source, filter, text, balance, nullptr);
  if (!gst_element_link_many(source, filter, text, balance, nullptr) ||
      !AddGhostSrc(bin, balance)) {
    const ElementPtr unwanted = AdoptElement(bin);
    return nullptr;
  }

  auto* feed = new VideoFeed;  // owned by the probe, freed when the pad goes
  feed->hardware = std::move(hardware);
  feed->generation = generation;
  feed->countFrames = countFrames;
  feed->frameBytes = format.ImageSize();
  feed->bin = bin;
  feed->source = source;
  feed->balance = balance;
  feed->text = text;
  const PadPtr pad(gst_element_get_static_pad(source, "src"));
  gst_pad_add_probe(pad.get(), GST_PAD_PROBE_TYPE_BUFFER, OnBuffer, feed,
                    [](gpointer p) { delete static_cast<VideoFeed*>(p); });
  return bin;
}

}  // namespace vd
