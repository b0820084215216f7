#include "vd/video/device_router.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "vd/device_props.h"
#include "vd/settings/settings_store.h"
#include "vd/settings/settings_table.h"
#include "vd/tuning/radio_tuner_control.h"
#include "vd/tuning/tuning_context.h"
#include "vd/tuning/tv_tuner_control.h"
#include "vd/video/audio_preview.h"
#include "vd/video/capture_host.h"
#include "vd/video/capture_settings.h"
#include "vd/virtual_box_backend.h"
#include "vd/virtual_tv_box.h"
#include "video_standards.h"

namespace vd {
namespace {
constexpr size_t kPreferredNameLength = 23;
constexpr size_t kMaxDevices = 10;
constexpr size_t kMaxName = 80;
constexpr char kDeclinedSeparator = ';';

bool Declined(const std::string& list, const std::string& key) {
  size_t start = 0;
  while (start <= list.size()) {
    size_t end = list.find(kDeclinedSeparator, start);
    if (end == std::string::npos) end = list.size();
    if (list.compare(start, end - start, key) == 0) return true;
    start = end + 1;
  }
  return false;
}
}  // namespace

DeviceRouter::DeviceRouter(DeviceEnumerator& devices, SettingsStore& store, TuningContext& tuning,
                           CaptureSettings& settings, CaptureHost& host, Tell tell,
                           std::function<void()> unheardStill)
    : devices_(devices),
      store_(store),
      tuning_(tuning),
      settings_(settings),
      host_(host),
      tell_(std::move(tell)),
      unheardStill_(std::move(unheardStill)),
      sound_(devices, store, host, audioInfos_,
             [this] { return CardInUse() ? &videoDevice_ : nullptr; }) {}

DeviceRouter::~DeviceRouter() = default;

void DeviceRouter::Select(int32_t videoIndex, int32_t audioIndex) {
  videoIndex_ = videoIndex;
  audioIndex_ = audioIndex;
}

bool DeviceRouter::FindLostDevice() {
  // Names, usable flags and the cap come with the list: the device page's indexes are
  // indexes into it.
  ReadVideoDevices();
  int32_t found = -1;
  for (size_t i = 0; i < videoInfos_.size(); ++i) {
    if (!videoUsable_[i] || videoInfos_[i].friendlyName != videoName_) continue;
    if (found < 0 || IsDeviceInUse(videoInfos_[i])) found = static_cast<int32_t>(i);
  }
  if (found < 0) return false;
  videoIndex_ = found;
  return true;
}

void DeviceRouter::Close() {
  tuner_.reset();
  audio_.reset();
  sound_.Close();
  if (video_ != nullptr) video_->SetUnheardSnapshotHandler(nullptr);
  video_.reset();
  crossbar_ = false;
}

std::unique_ptr<AudioPreview> DeviceRouter::CreateAudioPreview(bool* failed) {
  // Its own pipeline, so that radio and recording have sound too.
  const DeviceInfo& video = videoInfos_[static_cast<size_t>(videoIndex_)];
  return AudioPreview::Create(devices_,
                              AudioPreview::Candidates(audioInfos_, video, audioOnCaptureFilter_,
                                                       CardInUse() ? sound_.Index() : audioIndex_),
                              video, *video_, failed);
}

bool DeviceRouter::CardInUse() const {
  return video_ != nullptr && videoDevice_.backend != VirtualBoxBackend::kName;
}

bool DeviceRouter::IsDeviceInUse(const vd::DeviceInfo& device) const {
  // Two cards of one model share their name: only the back-end's own path tells them apart.
  return !videoDevice_.path.empty() && device.backend == videoDevice_.backend &&
         device.path == videoDevice_.path;
}

bool DeviceRouter::DeviceUsable(const vd::DeviceInfo& info) {
  if (!settings_.onlyCorvalenDevices) return true;
  // The driver-description list of the other platform is empty here, so only the product
  // property decides.
  std::unique_ptr<vd::CaptureDevice> device = devices_.Open(info);
  if (device == nullptr) return false;
  const vd::KsPropertySetPtr props(device->QueryPropertySet());
  if (props == nullptr) return false;
  uint32_t support = 0;
  return vd::Succeeded(props->QuerySupported(vd::kPropSetProduct, vd::kProductPropId, &support));
}

void DeviceRouter::ReadVideoDevices() {
  videoNames_.clear();
  videoUsable_.clear();
  videoInfos_ = devices_.VideoInputDevices();
  if (videoInfos_.size() > kMaxDevices) videoInfos_.resize(kMaxDevices);
  for (const vd::DeviceInfo& info : videoInfos_) {
    std::string name = info.friendlyName.substr(0, kMaxName - 1);
    // Two cards of one model differ only in where they sit.
    const bool twin = std::count_if(videoInfos_.begin(), videoInfos_.end(), [&](const auto& o) {
                        return o.friendlyName == info.friendlyName;
                      }) > 1;
    if (twin) name += " (" + CardSound::CardKey(info) + ")";
    videoNames_.push_back(std::move(name));
    videoUsable_.push_back(DeviceUsable(info));
  }
}

int32_t DeviceRouter::OfferRuledOutCard() {
  if (!settings_.onlyCorvalenDevices) return -1;
  int32_t offered = -1;
  bool nothingElse = true;
  for (size_t i = 0; i < videoInfos_.size(); ++i) {
    const bool hardware = videoInfos_[i].backend != VirtualBoxBackend::kName;
    if (videoUsable_[i]) {
      nothingElse = false;
      if (hardware) return -1;  // a card of the product's is there
    } else if (hardware && offered < 0) {
      offered = static_cast<int32_t>(i);
    }
  }
  if (offered < 0) return -1;
  const DeviceInfo& card = videoInfos_[static_cast<size_t>(offered)];
  std::string declined = store_.ReadString(kSection, setting::kDeclinedCards, "");
  if (Declined(declined, CardSound::CardKey(card))) return -1;
  if (!host_.OfferCard({card.friendlyName, card.driver, card.busPath, nothingElse})) {
    if (!declined.empty()) declined += kDeclinedSeparator;
    store_.WriteString(kSection, setting::kDeclinedCards, declined + CardSound::CardKey(card));
    return -1;
  }
  settings_.onlyCorvalenDevices = false;
  store_.WriteDword(kSection, setting::kOnlyCorvalenDevices, 0);
  // Without the setting every card is usable; no need to open them all again to learn it.
  videoUsable_.assign(videoInfos_.size(), true);
  return offered;
}

void DeviceRouter::Enumerate() {
  ReadVideoDevices();
  const int32_t accepted = OfferRuledOutCard();
  std::string preferred = store_.ReadVfwDriverName("");
  const std::string remembered = store_.ReadString(kSection, setting::kVideoCardBus, "");
  bool matched = false;
  videoIndex_ = -1;
  for (size_t i = 0; i < videoInfos_.size(); ++i) {
    const std::string name = videoInfos_[i].friendlyName.substr(0, kMaxName - 1);
    if (!videoUsable_[i]) continue;
    if (!remembered.empty() && CardSound::CardKey(videoInfos_[i]) == remembered) {
      videoIndex_ = static_cast<int32_t>(i);
      break;
    }
    if (!preferred.empty() &&
        std::strncmp(name.c_str(), preferred.c_str(), kPreferredNameLength) == 0) {
      videoIndex_ = static_cast<int32_t>(i);
      matched = true;
    } else if (!matched) {
      videoIndex_ = static_cast<int32_t>(i);
    }
  }
  if (accepted >= 0) videoIndex_ = accepted;
  audioNames_.clear();
  audioInfos_ = devices_.AudioInputDevices();
  if (audioInfos_.size() > kMaxDevices) audioInfos_.resize(kMaxDevices);
  int32_t product = vd::setting::kDefaultAudioDevice;
  for (size_t i = 0; i < audioInfos_.size(); ++i) {
    audioNames_.push_back(audioInfos_[i].friendlyName.substr(0, kMaxName - 1));
    if (audioInfos_[i].friendlyName == vd::VirtualTvBox::kAudioName)
      product = static_cast<int32_t>(i);
  }
  settings_.ReadAudioDevice(store_, product);
  audioIndex_ = settings_.audioDevice;
}

bool DeviceRouter::ForceCaptureFormat() {
  vd::VideoFormat format;
  if (video_ == nullptr || vd::Failed(video_->GetVideoFormat(vd::PinKind::kCapture, &format)))
    return false;
  if (format.width == 320 && format.height == 240 && format.fourcc == vd::kFourccYuy2 &&
      format.bitCount == 16)
    return true;
  format.width = 320;
  format.height = 240;
  format.fourcc = vd::kFourccYuy2;
  format.bitCount = 16;
  return vd::Succeeded(video_->SetVideoFormat(vd::PinKind::kCapture, format));
}

int64_t DeviceRouter::ComputeFrameInterval() {
  int64_t interval = 0;
  if (video_ == nullptr) return 0;
  // Asked of the device each time: a rate remembered from before a standard switch would
  // keep NTSC at 25 frames, or ask PAL for 30.
  video_->MaxAvailableFrameInterval(vd::PinKind::kCapture, 320, 240, &interval);
  uint32_t standard = 0;
  video_->TvFormat(&standard);
  return std::max(interval, vd::standard::FrameIntervalOf(standard));
}

void DeviceRouter::MatchPreviewPin() {
  if (!video_->HasPin(vd::PinKind::kPreview)) return;
  vd::VideoFormat capture;
  vd::VideoFormat preview;
  if (vd::Failed(video_->GetVideoFormat(vd::PinKind::kCapture, &capture)) ||
      vd::Failed(video_->GetVideoFormat(vd::PinKind::kPreview, &preview)))
    return;
  preview.width = capture.width;
  preview.height = capture.height;
  preview.frameInterval = ComputeFrameInterval();
  video_->SetVideoFormat(vd::PinKind::kPreview, preview);
}

void DeviceRouter::CreateTunerControl() {
  tuner_.reset();
  vd::KsPropertySet* props = video_->QueryPropertySet();
  if (props == nullptr) return;
  if (workMode_ == vd::WorkMode::kRadio) {
    tuner_ = std::make_unique<RadioTunerControl>(props, tuning_);
    wantPreview_ = false;
  } else {
    tuner_ = std::make_unique<TvTunerControl>(props, tuning_);
    wantPreview_ = true;
  }
  if (!tuner_->Activate()) tuner_.reset();
}

bool DeviceRouter::OpenVideoDevice() {
  if (videoIndex_ < 0 || static_cast<size_t>(videoIndex_) >= videoInfos_.size()) {
    tell_("Error: Cannot create video capture filter");
    return false;
  }
  video_ = devices_.Open(videoInfos_[static_cast<size_t>(videoIndex_)]);
  if (video_ == nullptr) {
    tell_("Error: Cannot create video capture filter");
    return false;
  }
  videoDevice_ = videoInfos_[static_cast<size_t>(videoIndex_)];
  videoName_ = videoDevice_.friendlyName;
  // Only a card's bus path is kept: the box has none, and a card plugged in beside it must
  // still win at the next start.
  if (!videoDevice_.busPath.empty() &&
      store_.ReadString(kSection, setting::kVideoCardBus, "") != videoDevice_.busPath)
    store_.WriteString(kSection, setting::kVideoCardBus, videoDevice_.busPath);
  devices_.SetBulkCard(videoDevice_);
  video_->SetUnheardSnapshotHandler(unheardStill_);
  return true;
}

void DeviceRouter::ApplyModeStandard() {
  if (workMode_ == vd::WorkMode::kTv) {
    rememberedFamily_ = DetectStandardFamily();
    SetVideoStandard(rememberedFamily_);
  } else if (workMode_ == vd::WorkMode::kSVideo) {
    SetVideoStandard(settings_.videoStandard0);
  } else if (workMode_ == vd::WorkMode::kComposite) {
    SetVideoStandard(settings_.videoStandard1);
  }
}

bool DeviceRouter::Open(bool* sound) {
  if (!OpenVideoDevice()) return false;
  vd::VideoFormat format;
  vd::HResult hr = video_->GetVideoFormat(vd::PinKind::kCapture, &format);
  if (vd::Failed(hr)) {
    char text[64];
    std::snprintf(text, sizeof text, "Error %x: Cannot find VCapture:IAMStreamConfig",
                  static_cast<uint32_t>(hr));
    tell_(text);
  } else {
    ForceCaptureFormat();
    MatchPreviewPin();
  }

  if (video_->HasFacility(vd::DeviceFacility::kTvTuner)) {
    CreateTunerControl();
  } else if (!vd::IsExternalInput(workMode_)) {
    workMode_ = vd::WorkMode::kComposite;
    host_.OnWorkModeForced(vd::WorkMode::kComposite);
    wantPreview_ = true;
  } else {
    wantPreview_ = true;
  }
  ApplyModeStandard();

  int32_t outputs = 0;
  int32_t inputs = 0;
  crossbar_ = video_->HasPin(vd::PinKind::kAnalogVideoIn) &&
              video_->HasFacility(vd::DeviceFacility::kCrossbar) &&
              vd::Succeeded(video_->CrossbarPinCounts(&outputs, &inputs));
  RouteVideoInput(workMode_);
  RouteAudioInput(workMode_);
  audioOnCaptureFilter_ = video_->HasPin(vd::PinKind::kAudioPreview);

  *sound = CardInUse() ? sound_.Open(audioOnCaptureFilter_, &audio_)
                       : (audioOnCaptureFilter_ || OpenAudioDevice());
  return true;
}

bool DeviceRouter::OpenAudioDevice() {
  // The other platform primed the sound pins of the capture filter with a 50 ms throw-away
  // recording; the device layer's sources need no such warm-up.
  if (audioIndex_ < 0 || static_cast<size_t>(audioIndex_) >= audioInfos_.size() ||
      (audio_ = devices_.Open(audioInfos_[static_cast<size_t>(audioIndex_)])) == nullptr) {
    tell_("Cannot create audio capture filter");
    settings_.captureAudio = false;
    return false;
  }
  audio_->SetAudioFormat(vd::PinKind::kAudioCapture, vd::AudioFormat{2, 16000, 16});
  return true;
}

int32_t DeviceRouter::DetectStandardFamily() const {
  return vd::VideoStandards::DetectFamily(tuning_.Country());
}

bool DeviceRouter::SetVideoStandard(int32_t family) {
  if (video_ == nullptr) return false;
  uint32_t bits = vd::VideoStandards::StandardOf(family, tuning_.Country());
  return bits != 0 && vd::Succeeded(video_->SetTvFormat(bits));
}

void DeviceRouter::RouteVideoInput(vd::WorkMode mode) {
  if (!crossbar_) return;
  int32_t wanted = !vd::IsExternalInput(mode)      ? vd::physical::kVideoTuner
                   : mode == vd::WorkMode::kSVideo ? vd::physical::kVideoSVideo
                                                   : vd::physical::kVideoComposite;
  video_->Route(0, std::max(0, video_->CrossbarInputOf(wanted)));
}

void DeviceRouter::RouteAudioInput(vd::WorkMode mode) {
  if (!crossbar_) return;
  int32_t wanted =
      !vd::IsExternalInput(mode) ? vd::physical::kAudioTuner : vd::physical::kAudioLine;
  int32_t skip = mode == vd::WorkMode::kRadio ? 1 : 0;  // radio takes the second tuner input
  video_->Route(1, std::max(0, video_->CrossbarInputOf(wanted, skip)));
}

bool DeviceRouter::SignalPresent() {
  if (video_ == nullptr) return true;
  bool locked = false;
  if (vd::Failed(video_->HorizontalLocked(&locked))) return true;
  return locked;
}

bool DeviceRouter::GetVideoFormats(vd::PinKind pin, std::vector<vd::VideoFormat>* formats) {
  return video_ != nullptr && vd::Succeeded(video_->VideoFormatCaps(pin, formats));
}
}  // namespace vd
