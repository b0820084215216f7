// How the picture of a recording is stored: the raw stream of the capture pin, or one of the
// compressions an AVI carries, with the one setting each needs, and whether the recording is
// deinterlaced. Stored under names of their own beside the capture section's values.
#pragma once

#include <gst/gst.h>

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace vd {

class SettingsStore;

enum class VideoCodec : int32_t { kNone = 0, kMjpeg = 1, kH264 = 2, kHuffyuv = 3 };

struct RecordingFormat;

// One row per way of storing the picture, in the order of VideoCodec: the stored name, the
// Capture page, vdtool, the recording chain and the disk-space estimate all read it, so a
// new codec is a new enum value and a new row.
struct CodecRow {
  VideoCodec codec;
  std::string_view name;     // as stored and as vdtool's --codec takes it
  std::string_view label;    // the Capture page's choice
  std::string_view about;    // vdtool's help, after the name
  std::string_view encoder;  // the GStreamer element, "" for the raw stream
  std::string_view caps;     // the media type of the AVI's video stream
  // The encoder, its options set from `format` (null for the raw stream or a missing element).
  GstElement* (*makeEncoder)(const RecordingFormat& format, double framesPerSecond);
  // What one stored picture of `pixels` takes, for the disk-space estimate.
  double (*frameBytes)(const RecordingFormat& format, double pixels, double framesPerSecond);
};

struct RecordingFormat {
  VideoCodec codec = VideoCodec::kNone;
  int32_t mjpegQuality = 85;  // jpegenc's quality, 1..100
  int32_t h264Kbps = 3000;    // x264enc's bit rate in kbit/s
  bool deinterlace = false;

  static constexpr int32_t kMinQuality = 1, kMaxQuality = 100;
  static constexpr int32_t kMinKbps = 100, kMaxKbps = 50000;

  static std::span<const CodecRow> Codecs();
  static const CodecRow& RowOf(VideoCodec codec);
  // "none", "mjpeg", "h264", "huffyuv".
  static std::string_view NameOf(VideoCodec codec);
  static std::optional<VideoCodec> CodecOf(std::string_view name);
  // The encoder element a codec needs ("" for none).
  static std::string_view EncoderOf(VideoCodec codec);
  // Values out of range are brought into it; an unknown codec name reads as none.
  static RecordingFormat Load(const SettingsStore& store);
  bool operator==(const RecordingFormat&) const = default;

  // The chain between the recording's raw pictures and the multiplexer: [deinterlace]
  // [convert, encoder], as one bin with "sink" and "src" pads. Null when nothing is to be
  // done to the pictures (raw and progressive: the pins' stream goes to the file unchanged)
  // or, with *failure set, when an element is missing.
  GstElement* CreateVideoChain(double framesPerSecond, std::string* failure) const;
};

}  // namespace vd
