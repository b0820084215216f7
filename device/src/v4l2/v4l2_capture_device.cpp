#include "v4l2_capture_device.h"

#include <linux/videodev2.h>

#include <algorithm>
#include <cerrno>

#include "gst_support.h"
#include "pin_list.h"
#include "v4l2_card.h"
#include "v4l2_frame_hub.h"
#include "v4l2_source_bins.h"
#include "vd/device_props.h"
#include "vd/v4l2_standards.h"

namespace vd {

namespace {
constexpr int32_t kMinSide = 32;
constexpr int kMaxStandards = 64;
constexpr uint32_t kAmpControls[4] = {V4L2_CID_BRIGHTNESS, V4L2_CID_CONTRAST, V4L2_CID_HUE,
                                      V4L2_CID_SATURATION};

HResult ResultOf(int kernel) {
  if (kernel >= 0) return kSOk;
  if (kernel == -ENODEV || kernel == -ENXIO) return kEDeviceGone;
  if (kernel == -EINVAL || kernel == -ERANGE) return kEInvalidArg;
  return kEFail;
}

uint32_t LowestBit(uint32_t mask) {
  return mask & (~mask + 1);
}
}  // namespace

V4l2CaptureDevice::V4l2CaptureDevice(Model model, DeviceInfo info, std::shared_ptr<V4l2Card> card,
                                     Options options)
    : model_(model), info_(std::move(info)), card_(std::move(card)), options_(std::move(options)) {
  auto add = [&](const char* name, PinDirection d, PinKind kind, Guid category) {
    pins_.push_back({name, d, kind, category});
  };
  if (model_ == Model::kAudio) {
    add("Audio Capture", PinDirection::kOutput, PinKind::kAudioCapture, kPinCategoryCapture);
    add("Audio Preview", PinDirection::kOutput, PinKind::kAudioPreview, kPinCategoryCapture);
    return;
  }
  add("Analog Video In", PinDirection::kInput, PinKind::kAnalogVideoIn, kPinCategoryAnalogVideoIn);
  add("Capture", PinDirection::kOutput, PinKind::kCapture, kPinCategoryCapture);
  add("Preview", PinDirection::kOutput, PinKind::kPreview, kPinCategoryPreview);
  add("Still", PinDirection::kOutput, PinKind::kStill, kPinCategoryStill);
  if (!options_.audioSource.empty()) {
    add("Audio Preview", PinDirection::kOutput, PinKind::kAudioPreview, kPinCategoryAudioPreview);
    add("Audio Capture", PinDirection::kOutput, PinKind::kAudioCapture, kPinCategoryAudioCapture);
  }
  if (card_->HasSlicedTeletext() || !card_->Nodes().lirc.empty())
    add("Bulk", PinDirection::kOutput, PinKind::kBulk, kPinCategoryBulk);
}

bool V4l2CaptureDevice::IsConnected() const {
  return card_->IsAlive();
}

bool V4l2CaptureDevice::HasFacility(DeviceFacility facility) const {
  if (model_ != Model::kVideo) return false;
  switch (facility) {
    case DeviceFacility::kTvTuner:
      return card_->HasTuner() || card_->HasRadio();
    case DeviceFacility::kCrossbar:
      return VideoInputCount() > 0;
    default:
      return true;
  }
}

HResult V4l2CaptureDevice::Check(DeviceFacility facility) const {
  if (!HasFacility(facility)) return kENoInterface;
  return card_->IsAlive() ? kSOk : kEDeviceGone;
}

bool V4l2CaptureDevice::HasOutput(PinKind pin) const {
  return HasOutputPin(pins_, pin);
}

HResult V4l2CaptureDevice::CheckVideoPin(PinKind pin) const {
  if (!IsVideoPin(pin) || !HasOutput(pin)) return kENoInterface;
  return card_->IsAlive() ? kSOk : kEDeviceGone;
}

HResult V4l2CaptureDevice::CheckAudioPin(PinKind pin) const {
  if (!IsAudioPin(pin) || !HasOutput(pin)) return kENoInterface;
  return card_->IsAlive() ? kSOk : kEDeviceGone;
}

int32_t V4l2CaptureDevice::VideoInputCount() const {
  const auto& inputs = card_->Inputs();
  return static_cast<int32_t>(std::count_if(inputs.begin(), inputs.end(),
                                            [](const V4l2Input& in) { return in.v4l2Index >= 0; }));
}

KsPropertySet* V4l2CaptureDevice::QueryPinPropertySet(size_t pinIndex) {
  return PinPropertySetAt(pins_, pinIndex);
}

KsPropertySet* V4l2CaptureDevice::QueryPropertySet() {
  if (model_ != Model::kVideo) return nullptr;
  return V4l2PropertySet::Create(card_, options_.tuner);
}

// --- crossbar

HResult V4l2CaptureDevice::CrossbarPinCounts(int32_t* outputs, int32_t* inputs) {
  if (HResult hr = Check(DeviceFacility::kCrossbar); Failed(hr)) return hr;
  if (outputs == nullptr || inputs == nullptr) return kEPointer;
  *outputs = 2;
  *inputs = static_cast<int32_t>(card_->Inputs().size());
  return kSOk;
}

HResult V4l2CaptureDevice::CrossbarPinInfo(bool isInput, int32_t index, CrossbarPin* pin) {
  if (HResult hr = Check(DeviceFacility::kCrossbar); Failed(hr)) return hr;
  if (pin == nullptr) return kEPointer;
  if (isInput) {
    if (index < 0 || static_cast<size_t>(index) >= card_->Inputs().size()) return kEInvalidArg;
    *pin = card_->Inputs()[static_cast<size_t>(index)].pin;
    return kSOk;
  }
  if (index == 0) {
    *pin = {physical::kVideoDecoder, 1};
  } else if (index == 1) {
    *pin = {physical::kAudioDecoder, 0};
  } else {
    return kEInvalidArg;
  }
  return kSOk;
}

HResult V4l2CaptureDevice::CanRoute(int32_t output, int32_t input) {
  if (HResult hr = Check(DeviceFacility::kCrossbar); Failed(hr)) return hr;
  const auto& inputs = card_->Inputs();
  if (input < 0 || static_cast<size_t>(input) >= inputs.size()) return kSFalse;
  bool video = inputs[static_cast<size_t>(input)].v4l2Index >= 0;
  return (output == 0 && video) || (output == 1 && !video) ? kSOk : kSFalse;
}

HResult V4l2CaptureDevice::Route(int32_t output, int32_t input) {
  HResult can = CanRoute(output, input);
  if (can != kSOk) return Failed(can) ? can : kEInvalidArg;
  const V4l2Input& in = card_->Inputs()[static_cast<size_t>(input)];
  if (output == 1) {
    // The cards route their sound with the picture; the choice is remembered for the engine.
    std::lock_guard lock(card_->Mutex());
    card_->audioRoute = input;
    return kSOk;
  }
  int index = in.v4l2Index;
  if (int r = card_->Ioctl(V4l2Card::Node::kVideo, VIDIOC_S_INPUT, &index); r < 0)
    return ResultOf(r);
  v4l2_std_id chosen;
  {
    std::lock_guard lock(card_->Mutex());
    chosen = card_->videoStandard;
  }
  // An input without standards (a camera) refuses it; that is no failure of the route.
  if (chosen != 0) card_->Ioctl(V4l2Card::Node::kVideo, VIDIOC_S_STD, &chosen);
  return kSOk;
}

HResult V4l2CaptureDevice::IsRoutedTo(int32_t output, int32_t* input) {
  if (HResult hr = Check(DeviceFacility::kCrossbar); Failed(hr)) return hr;
  if (input == nullptr) return kEPointer;
  if (output == 1) {
    std::lock_guard lock(card_->Mutex());
    *input = card_->audioRoute;
    return kSOk;
  }
  if (output != 0) return kEInvalidArg;
  int index = -1;
  if (int r = card_->Ioctl(V4l2Card::Node::kVideo, VIDIOC_G_INPUT, &index); r < 0)
    return ResultOf(r);
  const auto& inputs = card_->Inputs();
  for (size_t i = 0; i < inputs.size(); ++i) {
    if (inputs[i].v4l2Index == index) {
      *input = static_cast<int32_t>(i);
      return kSOk;
    }
  }
  return kEFail;  // an input the card did not list
}

// --- decoder

HResult V4l2CaptureDevice::AvailableTvFormats(uint32_t* mask) {
  if (HResult hr = Check(DeviceFacility::kAnalogVideoDecoder); Failed(hr)) return hr;
  if (mask == nullptr) return kEPointer;
  uint64_t all = 0;
  for (int i = 0; i < kMaxStandards; ++i) {
    v4l2_standard s{};
    s.index = static_cast<uint32_t>(i);
    int r = card_->Ioctl(V4l2Card::Node::kVideo, VIDIOC_ENUMSTD, &s);
    if (r == -EINVAL) break;
    if (r < 0) return ResultOf(r);
    all |= s.id;
  }
  *mask = V4l2Standards::FromV4l2(all);
  return kSOk;
}

HResult V4l2CaptureDevice::SetTvFormat(uint32_t standard) {
  if (HResult hr = Check(DeviceFacility::kAnalogVideoDecoder); Failed(hr)) return hr;
  if (standard == 0 || (standard & (standard - 1)) != 0) return kEInvalidArg;
  v4l2_std_id id = V4l2Standards::ToV4l2(standard);
  if (id == 0) return kEInvalidArg;
  if (int r = card_->Ioctl(V4l2Card::Node::kVideo, VIDIOC_S_STD, &id); r < 0) return ResultOf(r);
  std::lock_guard lock(card_->Mutex());
  card_->videoStandard = id;
  int64_t interval = standard::FrameIntervalOf(standard);
  for (VideoFormat* f : {&card_->capture, &card_->preview, &card_->still})
    f->frameInterval = interval;
  return kSOk;
}

HResult V4l2CaptureDevice::TvFormat(uint32_t* standard) {
  if (HResult hr = Check(DeviceFacility::kAnalogVideoDecoder); Failed(hr)) return hr;
  if (standard == nullptr) return kEPointer;
  v4l2_std_id id = 0;
  if (int r = card_->Ioctl(V4l2Card::Node::kVideo, VIDIOC_G_STD, &id); r < 0) return ResultOf(r);
  // A driver may answer a family (all PAL); the first of its members stands for it.
  uint32_t ours = LowestBit(V4l2Standards::FromV4l2(id));
  if (ours == 0) return kEFail;
  *standard = ours;
  return kSOk;
}

HResult V4l2CaptureDevice::HorizontalLocked(bool* locked) {
  if (HResult hr = Check(DeviceFacility::kAnalogVideoDecoder); Failed(hr)) return hr;
  if (locked == nullptr) return kEPointer;
  int index = 0;
  if (int r = card_->Ioctl(V4l2Card::Node::kVideo, VIDIOC_G_INPUT, &index); r < 0)
    return ResultOf(r);
  v4l2_input input{};
  input.index = static_cast<uint32_t>(index);
  if (int r = card_->Ioctl(V4l2Card::Node::kVideo, VIDIOC_ENUMINPUT, &input); r < 0)
    return ResultOf(r);
  *locked = (input.status & (V4L2_IN_ST_NO_H_LOCK | V4L2_IN_ST_NO_SIGNAL)) == 0;
  return kSOk;
}

// --- amplifier

HResult V4l2CaptureDevice::GetAmpRange(AmpProperty property, AmpRange* range) {
  if (HResult hr = Check(DeviceFacility::kVideoProcAmp); Failed(hr)) return hr;
  auto i = static_cast<int>(property);
  if (i < 0 || i > 3) return kEInvalidArg;
  if (range == nullptr) return kEPointer;
  v4l2_queryctrl q{};
  q.id = kAmpControls[i];
  int r = card_->Ioctl(V4l2Card::Node::kVideo, VIDIOC_QUERYCTRL, &q);
  if (r == -EINVAL || (r >= 0 && (q.flags & V4L2_CTRL_FLAG_DISABLED) != 0)) return kENotImpl;
  if (r < 0) return ResultOf(r);
  *range = {q.minimum, q.maximum, std::max(q.step, 1), q.default_value};
  return kSOk;
}

HResult V4l2CaptureDevice::GetAmp(AmpProperty property, int32_t* value) {
  if (HResult hr = Check(DeviceFacility::kVideoProcAmp); Failed(hr)) return hr;
  auto i = static_cast<int>(property);
  if (i < 0 || i > 3) return kEInvalidArg;
  if (value == nullptr) return kEPointer;
  v4l2_control c{kAmpControls[i], 0};
  int r = card_->Ioctl(V4l2Card::Node::kVideo, VIDIOC_G_CTRL, &c);
  if (r == -EINVAL) return kENotImpl;
  if (r < 0) return ResultOf(r);
  *value = c.value;
  return kSOk;
}

HResult V4l2CaptureDevice::SetAmp(AmpProperty property, int32_t value) {
  AmpRange range;
  if (HResult hr = GetAmpRange(property, &range); Failed(hr)) return hr;
  if (value < range.min || value > range.max) return kEInvalidArg;
  v4l2_control c{kAmpControls[static_cast<int>(property)], value};
  return ResultOf(card_->Ioctl(V4l2Card::Node::kVideo, VIDIOC_S_CTRL, &c));
}

// --- formats

void V4l2CaptureDevice::MaxSize(int32_t* width, int32_t* height) {
  v4l2_format f{};
  f.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  f.fmt.pix.width = 4096;
  f.fmt.pix.height = 4096;
  f.fmt.pix.pixelformat = V4L2_PIX_FMT_YUYV;
  f.fmt.pix.field = V4L2_FIELD_ANY;
  if (card_->Ioctl(V4l2Card::Node::kVideo, VIDIOC_TRY_FMT, &f) == 0 && f.fmt.pix.width >= 64 &&
      f.fmt.pix.height >= 48 && f.fmt.pix.width <= 4096 && f.fmt.pix.height <= 4096) {
    *width = static_cast<int32_t>(f.fmt.pix.width);
    *height = static_cast<int32_t>(f.fmt.pix.height);
    return;
  }
  *width = 720;  // what every analogue decoder gives
  *height = 576;
}

int64_t V4l2CaptureDevice::FastestInterval() {
  std::lock_guard lock(card_->Mutex());
  return card_->capture.frameInterval;
}

HResult V4l2CaptureDevice::GetVideoFormat(PinKind pin, VideoFormat* format) {
  if (HResult hr = CheckVideoPin(pin); Failed(hr)) return hr;
  if (format == nullptr) return kEPointer;
  std::lock_guard lock(card_->Mutex());
  *format = pin == PinKind::kCapture   ? card_->capture
            : pin == PinKind::kPreview ? card_->preview
                                       : card_->still;
  return kSOk;
}

HResult V4l2CaptureDevice::SetVideoFormat(PinKind pin, const VideoFormat& format) {
  if (HResult hr = CheckVideoPin(pin); Failed(hr)) return hr;
  bool rgb = format.fourcc == kFourccRgb && (format.bitCount == 24 || format.bitCount == 32);
  bool yuy2 = format.fourcc == kFourccYuy2 && format.bitCount == 16;
  if (pin == PinKind::kStill ? !rgb : !(rgb || yuy2)) return kEInvalidArg;
  int32_t maxW = 0, maxH = 0;
  MaxSize(&maxW, &maxH);
  if (format.width < kMinSide || format.width > maxW || format.height < kMinSide ||
      format.height > maxH || (yuy2 && format.width % 2 != 0))
    return kEInvalidArg;
  VideoFormat accepted = format;
  int64_t fastest = FastestInterval();
  if (accepted.frameInterval == 0) accepted.frameInterval = fastest;
  if (accepted.frameInterval < fastest || accepted.frameInterval > 10000000) return kEInvalidArg;
  std::lock_guard lock(card_->Mutex());
  (pin == PinKind::kCapture   ? card_->capture
   : pin == PinKind::kPreview ? card_->preview
                              : card_->still) = accepted;
  return kSOk;
}

HResult V4l2CaptureDevice::VideoFormatCaps(PinKind pin, std::vector<VideoFormat>* formats) {
  if (HResult hr = CheckVideoPin(pin); Failed(hr)) return hr;
  if (formats == nullptr) return kEPointer;
  v4l2_fmtdesc desc{};
  desc.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  // The pictures are converted in the bins; any format the card streams will do.
  if (int r = card_->Ioctl(V4l2Card::Node::kVideo, VIDIOC_ENUM_FMT, &desc); r < 0)
    return ResultOf(r);
  int32_t maxW = 0, maxH = 0;
  MaxSize(&maxW, &maxH);
  int64_t interval = FastestInterval();
  formats->clear();
  if (pin == PinKind::kStill) {
    formats->push_back({std::min(640, maxW), std::min(480, maxH), kFourccRgb, 24, interval});
    if (maxW > 640 || maxH > 480) formats->push_back({maxW, maxH, kFourccRgb, 24, interval});
    return kSOk;
  }
  for (auto [w, h] : {std::pair{160, 120}, {320, 240}, {640, 480}, {maxW & ~1, maxH}}) {
    if (w > maxW || h > maxH) continue;
    if (!formats->empty() && formats->back().width == w && formats->back().height == h) continue;
    formats->push_back({w, h, kFourccYuy2, 16, interval});
    formats->push_back({w, h, kFourccRgb, 24, interval});
  }
  return kSOk;
}

HResult V4l2CaptureDevice::GetAudioFormat(PinKind pin, AudioFormat* format) {
  if (HResult hr = CheckAudioPin(pin); Failed(hr)) return hr;
  if (format == nullptr) return kEPointer;
  std::lock_guard lock(card_->Mutex());
  *format = card_->sound;
  return kSOk;
}

HResult V4l2CaptureDevice::SetAudioFormat(PinKind pin, const AudioFormat& format) {
  if (HResult hr = CheckAudioPin(pin); Failed(hr)) return hr;
  if (format.channels < 1 || format.channels > 2 || format.bitsPerSample != 16 ||
      format.samplesPerSec < 8000 || format.samplesPerSec > 48000)
    return kEInvalidArg;
  std::lock_guard lock(card_->Mutex());
  card_->sound = format;
  return kSOk;
}

HResult V4l2CaptureDevice::MaxAvailableFrameInterval(PinKind pin, int32_t width, int32_t height,
                                                     int64_t* interval) {
  if (HResult hr = CheckVideoPin(pin); Failed(hr)) return hr;
  if (interval == nullptr) return kEPointer;
  int32_t maxW = 0, maxH = 0;
  MaxSize(&maxW, &maxH);
  if (width < kMinSide || width > maxW || height < kMinSide || height > maxH) return kEInvalidArg;
  *interval = FastestInterval();
  return kSOk;
}

// --- still trigger and counters

HResult V4l2CaptureDevice::GetVideoControlMode(uint32_t* mode) {
  if (HResult hr = Check(DeviceFacility::kVideoControl); Failed(hr)) return hr;
  if (mode == nullptr) return kEPointer;
  std::lock_guard lock(card_->Mutex());
  *mode = card_->videoControlMode;
  return kSOk;
}

HResult V4l2CaptureDevice::SetVideoControlMode(uint32_t mode) {
  if (HResult hr = Check(DeviceFacility::kVideoControl); Failed(hr)) return hr;
  if ((mode & ~(kVideoControlExternalTriggerEnable | kVideoControlTrigger)) != 0)
    return kEInvalidArg;
  {
    std::lock_guard lock(card_->Mutex());
    // The trigger bit clears itself once the picture is on its way.
    card_->videoControlMode = mode & kVideoControlExternalTriggerEnable;
  }
  if ((mode & kVideoControlTrigger) != 0) card_->Hub()->Trigger();
  return kSOk;
}

HResult V4l2CaptureDevice::GetFrameCounts(FrameCounts* counts) {
  if (HResult hr = Check(DeviceFacility::kDroppedFrames); Failed(hr)) return hr;
  if (counts == nullptr) return kEPointer;
  std::lock_guard lock(card_->Mutex());
  *counts = card_->counts;
  return kSOk;
}

GstElement* V4l2CaptureDevice::CreateSourceBin(PinKind pin) {
  if (!HasOutput(pin) || !IsConnected()) return nullptr;
  EnsureGstInit();
  VideoFormat video;
  AudioFormat sound;
  {
    std::lock_guard lock(card_->Mutex());
    video = pin == PinKind::kCapture   ? card_->capture
            : pin == PinKind::kPreview ? card_->preview
                                       : card_->still;
    sound = card_->sound;
  }
  switch (pin) {
    case PinKind::kCapture:
    case PinKind::kPreview:
    case PinKind::kStill:
      return V4l2SourceBins::Video(card_, video, pin == PinKind::kStill);
    case PinKind::kAudioCapture:
    case PinKind::kAudioPreview:
      return V4l2SourceBins::Audio(card_, options_.audioSource, sound);
    case PinKind::kBulk:
      return V4l2SourceBins::Bulk(card_);
    default:
      return nullptr;
  }
}

}  // namespace vd
