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
#include "vd/v4l2_backend.h"
#include "vd/v4l2_standards.h"

namespace vd {

namespace {
constexpr int kMaxStandards = 64;
constexpr uint32_t kAmpControls[CheckedCaptureDevice::kAmpProperties] = {
    V4L2_CID_BRIGHTNESS, V4L2_CID_CONTRAST, V4L2_CID_HUE, V4L2_CID_SATURATION};

HResult ResultOf(int kernel) {
  if (kernel >= 0) return kSOk;
  if (kernel == -ENODEV || kernel == -ENXIO) return kEDeviceGone;
  if (kernel == -EBUSY) return kEDeviceBusy;  // another program's record priority
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

bool V4l2CaptureDevice::IsAlive() const {
  return card_->IsAlive();
}

int32_t V4l2CaptureDevice::VideoInputCount() const {
  const auto& inputs = card_->Inputs();
  return static_cast<int32_t>(std::count_if(inputs.begin(), inputs.end(),
                                            [](const V4l2Input& in) { return in.v4l2Index >= 0; }));
}

KsPropertySet* V4l2CaptureDevice::QueryPropertySet() {
  if (model_ != Model::kVideo) return nullptr;
  return V4l2PropertySet::Create(card_, options_.tuner);
}

// --- crossbar

int32_t V4l2CaptureDevice::CrossbarInputCount() const {
  return static_cast<int32_t>(card_->Inputs().size());
}

CrossbarPin V4l2CaptureDevice::CrossbarInput(int32_t index) const {
  return card_->Inputs()[static_cast<size_t>(index)].pin;
}

bool V4l2CaptureDevice::Routable(int32_t output, int32_t input) const {
  const auto& inputs = card_->Inputs();
  if (input < 0 || static_cast<size_t>(input) >= inputs.size()) return false;
  bool video = inputs[static_cast<size_t>(input)].v4l2Index >= 0;
  return (output == kVideoOutput && video) || (output == kAudioOutput && !video);
}

HResult V4l2CaptureDevice::DoRoute(int32_t output, int32_t input) {
  const V4l2Input& in = card_->Inputs()[static_cast<size_t>(input)];
  if (output == kAudioOutput) {
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

HResult V4l2CaptureDevice::DoRoutedTo(int32_t output, int32_t* input) {
  if (output == kAudioOutput) {
    std::lock_guard lock(card_->Mutex());
    *input = card_->audioRoute;
    return kSOk;
  }
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

HResult V4l2CaptureDevice::DoAvailableTvFormats(uint32_t* mask) {
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

HResult V4l2CaptureDevice::DoSetTvFormat(uint32_t standard) {
  v4l2_std_id id = V4l2Standards::ToV4l2(standard);
  if (id == 0) return kEInvalidArg;
  if (int r = card_->Ioctl(V4l2Card::Node::kVideo, VIDIOC_S_STD, &id); r < 0) return ResultOf(r);
  // The new standard brings its own rate: a rate chosen under the old one is not kept.
  card_->ResetFrameIntervals();
  std::lock_guard lock(card_->Mutex());
  card_->videoStandard = id;
  return kSOk;
}

HResult V4l2CaptureDevice::DoTvFormat(uint32_t* standard) {
  v4l2_std_id id = 0;
  if (int r = card_->Ioctl(V4l2Card::Node::kVideo, VIDIOC_G_STD, &id); r < 0) return ResultOf(r);
  // A driver may answer a family (all PAL); the first of its members stands for it.
  uint32_t ours = LowestBit(V4l2Standards::FromV4l2(id));
  if (ours == 0) return kEFail;
  *standard = ours;
  return kSOk;
}

HResult V4l2CaptureDevice::DoHorizontalLocked(bool* locked) {
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

HResult V4l2CaptureDevice::DoGetAmpRange(AmpProperty property, AmpRange* range) {
  v4l2_queryctrl q{};
  q.id = kAmpControls[static_cast<int>(property)];
  int r = card_->Ioctl(V4l2Card::Node::kVideo, VIDIOC_QUERYCTRL, &q);
  if (r == -EINVAL || (r >= 0 && (q.flags & V4L2_CTRL_FLAG_DISABLED) != 0)) return kENotImpl;
  if (r < 0) return ResultOf(r);
  *range = {q.minimum, q.maximum, std::max(q.step, 1), q.default_value};
  return kSOk;
}

HResult V4l2CaptureDevice::DoGetAmp(AmpProperty property, int32_t* value) {
  v4l2_control c{kAmpControls[static_cast<int>(property)], 0};
  int r = card_->Ioctl(V4l2Card::Node::kVideo, VIDIOC_G_CTRL, &c);
  if (r == -EINVAL) return kENotImpl;
  if (r < 0) return ResultOf(r);
  *value = c.value;
  return kSOk;
}

HResult V4l2CaptureDevice::DoSetAmp(AmpProperty property, int32_t value) {
  v4l2_control c{kAmpControls[static_cast<int>(property)], value};
  return ResultOf(card_->Ioctl(V4l2Card::Node::kVideo, VIDIOC_S_CTRL, &c));
}

// --- formats

void V4l2CaptureDevice::MaxPictureSize(int32_t* width, int32_t* height) {
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

bool V4l2CaptureDevice::HeldByAnotherRecording() {
  return model_ == Model::kVideo && card_->HeldByAnotherRecording();
}

bool HeldByAnotherRecording(CaptureDevice& device) {
  auto* card = dynamic_cast<V4l2CaptureDevice*>(&device);
  return card != nullptr && card->HeldByAnotherRecording();
}

int64_t V4l2CaptureDevice::FastestInterval() {
  return card_->StandardInterval();
}

VideoFormat& V4l2CaptureDevice::FormatOf(PinKind pin) {
  return pin == PinKind::kCapture   ? card_->capture
         : pin == PinKind::kPreview ? card_->preview
                                    : card_->still;
}

HResult V4l2CaptureDevice::DoGetVideoFormat(PinKind pin, VideoFormat* format) {
  std::lock_guard lock(card_->Mutex());
  *format = FormatOf(pin);
  return kSOk;
}

HResult V4l2CaptureDevice::DoSetVideoFormat(PinKind pin, const VideoFormat& format) {
  std::lock_guard lock(card_->Mutex());
  FormatOf(pin) = format;
  return kSOk;
}

HResult V4l2CaptureDevice::DoVideoFormatCaps(PinKind pin, std::vector<VideoFormat>* formats) {
  v4l2_fmtdesc desc{};
  desc.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  // The pictures are converted in the bins; any format the card streams will do.
  if (int r = card_->Ioctl(V4l2Card::Node::kVideo, VIDIOC_ENUM_FMT, &desc); r < 0)
    return ResultOf(r);
  int32_t maxW = 0, maxH = 0;
  MaxPictureSize(&maxW, &maxH);
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

HResult V4l2CaptureDevice::DoGetAudioFormat(AudioFormat* format) {
  std::lock_guard lock(card_->Mutex());
  *format = card_->sound;
  return kSOk;
}

HResult V4l2CaptureDevice::DoSetAudioFormat(const AudioFormat& format) {
  std::lock_guard lock(card_->Mutex());
  card_->sound = format;
  return kSOk;
}

// --- still trigger and counters

HResult V4l2CaptureDevice::DoGetVideoControlMode(uint32_t* mode) {
  std::lock_guard lock(card_->Mutex());
  *mode = card_->videoControlMode;
  return kSOk;
}

HResult V4l2CaptureDevice::DoSetVideoControlMode(uint32_t mode) {
  {
    std::lock_guard lock(card_->Mutex());
    // The trigger bit clears itself once the picture is on its way.
    card_->videoControlMode = mode & kVideoControlExternalTriggerEnable;
  }
  if ((mode & kVideoControlTrigger) != 0) card_->Hub()->Trigger();
  return kSOk;
}

HResult V4l2CaptureDevice::DoGetFrameCounts(FrameCounts* counts) {
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
    video = FormatOf(pin);
    sound = card_->sound;
  }
  switch (pin) {
    case PinKind::kCapture:
    case PinKind::kPreview:
    case PinKind::kStill:
      return V4l2SourceBins::Video(card_, video, pin == PinKind::kStill, pin == PinKind::kCapture);
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
