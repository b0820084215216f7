// Values the capture engine and the libraries exchange with a capture device: pin kinds,
// formats, analogue standards, crossbar connector types and amplifier properties. The
// numeric values are the ones the capture engine's tables use, so they pass through
// unchanged.
#pragma once

#include "vd/device_export.h"

#include <cstdint>
#include <string>

#include "vd/guid.h"

namespace vd {

// What a pin of a capture device carries. A device need not have every kind.
enum class PinKind {
  kCapture,        // video, category kPinCategoryCapture
  kPreview,        // video, category kPinCategoryPreview
  kStill,          // triggered still pictures, category kPinCategoryStill
  kAudioPreview,   // sound, category kPinCategoryAudioPreview
  kAudioCapture,   // sound, category kPinCategoryAudioCapture
  kBulk,           // the side-channel byte stream, category kPinCategoryBulk
  kAnalogVideoIn,  // crossbar input side, category kPinCategoryAnalogVideoIn
};

enum class PinDirection { kInput, kOutput };

struct PinInfo {
  std::string name;
  PinDirection direction = PinDirection::kOutput;
  PinKind kind = PinKind::kCapture;
  Guid category;
};

// The pin category GUID of a kind (from vd/device_props.h).
VD_DEVICE_EXPORT Guid PinCategoryOf(PinKind kind);

// A video format of a pin. fourcc 0 is uncompressed RGB (bitCount 24 or 32); kFourccYuy2 is
// packed 4:2:2 with 16 bits per pixel. frameInterval is in 100 ns units.
inline constexpr uint32_t kFourccRgb = 0;
inline constexpr uint32_t kFourccYuy2 = 0x32595559;  // "YUY2"

struct VideoFormat {
  int32_t width = 0;
  int32_t height = 0;
  uint32_t fourcc = kFourccYuy2;
  uint16_t bitCount = 16;
  int64_t frameInterval = 0;

  // Bytes of one picture: width x height x bitCount / 8.
  uint32_t ImageSize() const {
    return static_cast<uint32_t>(width) * static_cast<uint32_t>(height) * bitCount / 8;
  }
  friend bool operator==(const VideoFormat&, const VideoFormat&) = default;
};

// PCM sound, little-endian signed samples.
struct AudioFormat {
  uint16_t channels = 2;
  uint32_t samplesPerSec = 16000;
  uint16_t bitsPerSample = 16;

  uint16_t BlockAlign() const { return static_cast<uint16_t>(channels * bitsPerSample / 8); }
  uint32_t AvgBytesPerSec() const { return samplesPerSec * BlockAlign(); }
  friend bool operator==(const AudioFormat&, const AudioFormat&) = default;
};

// Analogue video standards, one bit each.
namespace standard {
inline constexpr uint32_t kNtscM = 0x1;
inline constexpr uint32_t kNtscMJapan = 0x2;
inline constexpr uint32_t kNtsc433 = 0x4;
inline constexpr uint32_t kPalB = 0x10;
inline constexpr uint32_t kPalD = 0x20;
inline constexpr uint32_t kPalG = 0x40;
inline constexpr uint32_t kPalH = 0x80;
inline constexpr uint32_t kPalI = 0x100;
inline constexpr uint32_t kPalM = 0x200;
inline constexpr uint32_t kPalN = 0x400;
inline constexpr uint32_t kPal60 = 0x800;
inline constexpr uint32_t kSecamB = 0x1000;
inline constexpr uint32_t kSecamD = 0x2000;
inline constexpr uint32_t kSecamG = 0x4000;
inline constexpr uint32_t kSecamH = 0x8000;
inline constexpr uint32_t kSecamK = 0x10000;
inline constexpr uint32_t kSecamK1 = 0x20000;
inline constexpr uint32_t kSecamL = 0x40000;
inline constexpr uint32_t kSecamL1 = 0x80000;
inline constexpr uint32_t kPalNCombo = 0x100000;

inline constexpr uint32_t kNtscMask = 0x7;
inline constexpr uint32_t kPalMask = 0x100FF0;
inline constexpr uint32_t kSecamMask = 0xFF000;

// 100 ns units per frame: 30 frames/s for the NTSC bits, 25 for everything else.
inline constexpr int64_t FrameIntervalOf(uint32_t standard) {
  return (standard & kNtscMask) != 0 ? 333333 : 400000;
}
// Lines of the full picture: 480 for NTSC, 576 otherwise.
inline constexpr int32_t FullHeightOf(uint32_t standard) {
  return (standard & kNtscMask) != 0 ? 480 : 576;
}
}  // namespace standard

// Crossbar connector types.
namespace physical {
inline constexpr int32_t kVideoTuner = 1;
inline constexpr int32_t kVideoComposite = 2;
inline constexpr int32_t kVideoSVideo = 3;
inline constexpr int32_t kVideoDecoder = 12;
inline constexpr int32_t kAudioTuner = 0x1000;
inline constexpr int32_t kAudioLine = 0x1001;
inline constexpr int32_t kAudioDecoder = 0x1009;
}  // namespace physical

struct CrossbarPin {
  int32_t physicalType = 0;
  int32_t relatedIndex = -1;  // the pin of the other medium that belongs with this one
};

// Properties of the video processing amplifier.
enum class AmpProperty : int32_t {
  kBrightness = 0,
  kContrast = 1,
  kHue = 2,
  kSaturation = 3,
};

struct AmpRange {
  int32_t min = 0;
  int32_t max = 0;
  int32_t step = 1;
  int32_t defaultValue = 0;
};

// Bits of the still pin's trigger mode.
inline constexpr uint32_t kVideoControlExternalTriggerEnable = 4;
inline constexpr uint32_t kVideoControlTrigger = 8;

// Facilities a capture device may or may not have (the engine asks before it uses one).
enum class DeviceFacility {
  kTvTuner,
  kCrossbar,
  kVideoProcAmp,
  kAnalogVideoDecoder,
  kVideoControl,
  kDroppedFrames,
};

// Frame counts of the capture pin since the device was opened.
struct FrameCounts {
  int64_t notDropped = 0;
  int64_t dropped = 0;
  int64_t averageFrameSize = 0;
};

}  // namespace vd
