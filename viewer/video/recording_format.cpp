#include "vd/video/recording_format.h"

#include <algorithm>
#include <cmath>

#include "frame_output.h"
#include "vd/gst_elements.h"
#include "vd/gst_ptr.h"
#include "vd/settings/reg_document.h"
#include "vd/settings/settings_store.h"
#include "vd/settings/settings_table.h"

namespace vd {

namespace {
GstElement* MakeMjpeg(const RecordingFormat& format, double) {
  GstElement* encoder = MakeElement<"jpegenc">();
  if (encoder != nullptr) g_object_set(encoder, "quality", format.mjpegQuality, nullptr);
  return encoder;
}

GstElement* MakeH264(const RecordingFormat& format, double framesPerSecond) {
  GstElement* encoder = MakeElement<"x264enc">();
  if (encoder == nullptr) return nullptr;
  // veryfast encodes 640 x 480 at 30/s several times faster than real time on two cores. No
  // B-frames: an AVI has one time per chunk, so frames must come in the order they are
  // shown. A key frame every two seconds keeps the file seekable.
  gst_util_set_object_arg(G_OBJECT(encoder), "speed-preset", "veryfast");
  g_object_set(encoder, "bitrate", static_cast<guint>(format.h264Kbps), "bframes", 0u,
               "key-int-max", static_cast<guint>(std::max(1.0, std::round(2 * framesPerSecond))),
               nullptr);
  return encoder;
}

constexpr CodecRow kCodecs[] = {
    {VideoCodec::kNone, "none", "None (raw, largest files)",
     "the device's raw stream (largest, no CPU)", "", "video/x-raw", nullptr,
     // YUY2
     [](const RecordingFormat&, double pixels, double) { return pixels * 2; }},
    {VideoCodec::kMjpeg, "mjpeg", "Motion JPEG (plays everywhere)",
     "Motion JPEG of --quality 1-100 (plays everywhere)", "jpegenc", "image/jpeg", MakeMjpeg,
     // About 0.1 bytes a pixel at quality 30 up to 0.55 at 100 for camera pictures.
     [](const RecordingFormat& f, double pixels, double) {
       return pixels * (0.04 + 0.0051 * f.mjpegQuality);
     }},
    {VideoCodec::kH264, "h264", "H.264 (smallest, for TV)",
     "H.264 at --bitrate kbit/s (smallest, for TV)", "x264enc", "video/x-h264", MakeH264,
     [](const RecordingFormat& f, double, double framesPerSecond) {
       return f.h264Kbps * 1000.0 / 8.0 / framesPerSecond;
     }},
    {VideoCodec::kHuffyuv, "huffyuv", "HuffYUV (lossless, for archiving tapes)",
     "lossless (for archiving tapes)", "avenc_huffyuv", "video/x-huffyuv",
     [](const RecordingFormat&, double) { return MakeElement<"avenc_huffyuv">(); },
     // About half the raw stream.
     [](const RecordingFormat&, double pixels, double) { return pixels; }},
};

constexpr bool RowsInEnumOrder() {
  for (size_t i = 0; i < std::size(kCodecs); ++i) {
    if (static_cast<size_t>(kCodecs[i].codec) != i) return false;
  }
  return true;
}
static_assert(RowsInEnumOrder(), "a codec's row stands at its enum value");

// Drops a new (floating) element that nothing took.
void Discard(GstElement* element) {
  const ElementPtr dropped = AdoptElement(element);
}

void Ghost(GstElement* bin, GstElement* element, const char* pad) {
  const PadPtr target(gst_element_get_static_pad(element, pad));
  gst_element_add_pad(bin, gst_ghost_pad_new(pad, target.get()));
}
}  // namespace

std::span<const CodecRow> RecordingFormat::Codecs() {
  return kCodecs;
}

const CodecRow& RecordingFormat::RowOf(VideoCodec codec) {
  const auto i = static_cast<size_t>(codec);
  return i < std::size(kCodecs) ? kCodecs[i] : kCodecs[0];
}

std::string_view RecordingFormat::NameOf(VideoCodec codec) {
  return RowOf(codec).name;
}

std::optional<VideoCodec> RecordingFormat::CodecOf(std::string_view name) {
  for (const CodecRow& row : kCodecs) {
    if (EqualsNoCase(row.name, name)) return row.codec;
  }
  return std::nullopt;
}

std::string_view RecordingFormat::EncoderOf(VideoCodec codec) {
  return RowOf(codec).encoder;
}

RecordingFormat RecordingFormat::Load(const SettingsStore& store) {
  using namespace setting;
  RecordingFormat f;
  f.codec = CodecOf(store.ReadString(kSection, kCaptureCodec, kDefaultCaptureCodec))
                .value_or(VideoCodec::kNone);
  f.mjpegQuality = std::clamp(store.ReadDword(kSection, kMjpegQuality, kDefaultMjpegQuality),
                              kMinQuality, kMaxQuality);
  f.h264Kbps =
      std::clamp(store.ReadDword(kSection, kH264BitRate, kDefaultH264BitRate), kMinKbps, kMaxKbps);
  f.deinterlace = store.ReadBool(kSection, kDeinterlaceCapture, 0) != 0;
  return f;
}

GstElement* RecordingFormat::CreateVideoChain(double framesPerSecond, std::string* failure) const {
  if (codec == VideoCodec::kNone && !deinterlace) return nullptr;
  GstElement* bin = gst_bin_new("encode");
  GstElement* first = nullptr;
  GstElement* last = nullptr;
  auto append = [&](GstElement* element) {
    if (element == nullptr) return false;
    gst_bin_add(GST_BIN(bin), element);
    if (last != nullptr && !gst_element_link(last, element)) return false;
    if (first == nullptr) first = element;
    last = element;
    return true;
  };
  bool ok = true;
  if (deinterlace) {
    // The live picture's: in its default mode the element passes pictures that the device
    // calls progressive untouched, and most do.
    ok = append(FrameOutput::CreateDeinterlacer("recorddeinterlace"));
  }
  if (ok && codec != VideoCodec::kNone) {
    // Held until the bin has it, so that a missing converter does not leak it.
    const CodecRow& row = RowOf(codec);
    const ElementPtr encoder = AdoptElement(
        row.makeEncoder != nullptr ? row.makeEncoder(*this, framesPerSecond) : nullptr);
    ok = append(MakeElement<"videoconvert">()) && append(encoder.get());
    if (encoder == nullptr) {
      *failure = "Cannot record " + std::string(NameOf(codec)) + ": GStreamer element " +
                 std::string(EncoderOf(codec)) + " is missing";
      Discard(bin);
      return nullptr;
    }
  }
  if (!ok) {
    *failure = "Cannot render video capture stream";
    Discard(bin);
    return nullptr;
  }
  Ghost(bin, first, "sink");
  Ghost(bin, last, "src");
  return bin;
}

}  // namespace vd
