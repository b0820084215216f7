#include "recording_format.h"

#include <algorithm>
#include <cmath>

#include "frame_output.h"
#include "reg_document.h"
#include "settings_store.h"
#include "settings_table.h"
#include "vd/gst_elements.h"
#include "vd/gst_ptr.h"

namespace vd {

namespace {
constexpr std::string_view kNames[] = {"none", "mjpeg", "h264", "huffyuv"};

// Drops a new (floating) element that nothing took.
void Discard(GstElement* element) {
  const ElementPtr dropped = AdoptElement(element);
}

void Ghost(GstElement* bin, GstElement* element, const char* pad) {
  const PadPtr target(gst_element_get_static_pad(element, pad));
  gst_element_add_pad(bin, gst_ghost_pad_new(pad, target.get()));
}
}  // namespace

std::string_view RecordingFormat::NameOf(VideoCodec codec) {
  return kNames[static_cast<int32_t>(codec)];
}

std::optional<VideoCodec> RecordingFormat::CodecOf(std::string_view name) {
  for (int32_t i = 0; i < 4; ++i) {
    if (EqualsNoCase(kNames[i], name)) return static_cast<VideoCodec>(i);
  }
  return std::nullopt;
}

std::string_view RecordingFormat::EncoderOf(VideoCodec codec) {
  switch (codec) {
    case VideoCodec::kMjpeg:
      return "jpegenc";
    case VideoCodec::kH264:
      return "x264enc";
    case VideoCodec::kHuffyuv:
      return "avenc_huffyuv";
    case VideoCodec::kNone:
      break;
  }
  return "";
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
    ElementPtr encoder;
    switch (codec) {
      case VideoCodec::kMjpeg:
        encoder = AdoptElement(MakeElement<"jpegenc">());
        if (encoder != nullptr) g_object_set(encoder.get(), "quality", mjpegQuality, nullptr);
        break;
      case VideoCodec::kH264:
        encoder = AdoptElement(MakeElement<"x264enc">());
        if (encoder != nullptr) {
          // veryfast encodes 640 x 480 at 30/s several times faster than real time on two
          // cores. No B-frames: an AVI has one time per chunk, so frames must come in the
          // order they are shown. A key frame every two seconds keeps the file seekable.
          gst_util_set_object_arg(G_OBJECT(encoder.get()), "speed-preset", "veryfast");
          g_object_set(encoder.get(), "bitrate", static_cast<guint>(h264Kbps), "bframes", 0u,
                       "key-int-max",
                       static_cast<guint>(std::max(1.0, std::round(2 * framesPerSecond))), nullptr);
        }
        break;
      case VideoCodec::kHuffyuv:
        encoder = AdoptElement(MakeElement<"avenc_huffyuv">());
        break;
      case VideoCodec::kNone:
        break;
    }
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
