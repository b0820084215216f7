#include "vd/sound_input_backend.h"

#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>

#include "checked_capture_device.h"
#include "gst_support.h"
#include "vd/device_props.h"
#include "vd/gst_elements.h"
#include "vd/gst_ptr.h"
#include "vd/trace.h"

VD_DEFINE_TRACE(SoundTrace, "device")

namespace vd {

static_assert(ListsEveryElement(kSoundInputSource));

namespace {

constexpr char kPathPrefix[] = "alsa:";
constexpr char kConvert[] = " ! audioconvert ! audioresample ! capsfilter caps=\"";
static_assert(ListsEveryElement(kConvert + 3));

std::string Replace(std::string text, const std::string& key, const std::string& value) {
  for (size_t at = text.find(key); at != std::string::npos; at = text.find(key, at + value.size()))
    text.replace(at, key.size(), value);
  return text;
}

std::string Trimmed(const std::string& text) {
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

struct AlsaCard {
  int number = -1;
  std::string id;
  std::string name;
};

// ALSA's card list: " 0 [Loopback       ]: Loopback - Loopback" and a long name on the next
// line, which is left aside.
std::vector<AlsaCard> CaptureCards(const std::filesystem::path& root) {
  std::vector<AlsaCard> cards;
  std::ifstream in(root / "cards");
  std::string line;
  while (std::getline(in, line)) {
    const size_t open = line.find('[');
    const size_t close = line.find(']', open == std::string::npos ? 0 : open);
    const size_t dash = line.find(" - ", close == std::string::npos ? 0 : close);
    if (open == std::string::npos || close == std::string::npos || dash == std::string::npos)
      continue;
    AlsaCard card;
    std::istringstream number(line.substr(0, open));
    if (!(number >> card.number)) continue;
    card.id = Trimmed(line.substr(open + 1, close - open - 1));
    card.name = Trimmed(line.substr(dash + 3));
    if (card.id.empty()) continue;
    if (card.name.empty()) card.name = card.id;
    // A card that only plays (most HDMI outputs) is no input.
    bool capture = false;
    std::error_code ec;
    for (const auto& entry :
         std::filesystem::directory_iterator(root / ("card" + std::to_string(card.number)), ec)) {
      const std::string leaf = entry.path().filename().string();
      if (leaf.rfind("pcm", 0) == 0 && leaf.back() == 'c') capture = true;
    }
    if (capture) cards.push_back(std::move(card));
  }
  return cards;
}

// A sound input has two pins and one format; everything a video device has it answers with
// "not implemented", which the checks in front of the hooks never let through.
class SoundInputDevice final : public CheckedCaptureDevice {
 public:
  SoundInputDevice(DeviceInfo info, std::string source)
      : info_(std::move(info)), source_(std::move(source)) {
    pins_.push_back(
        {"Audio Capture", PinDirection::kOutput, PinKind::kAudioCapture, kPinCategoryCapture});
    pins_.push_back(
        {"Audio Preview", PinDirection::kOutput, PinKind::kAudioPreview, kPinCategoryCapture});
  }

  const DeviceInfo& Info() const override { return info_; }
  bool IsConnected() const override { return true; }
  bool HasFacility(DeviceFacility) const override { return false; }
  KsPropertySet* QueryPropertySet() override { return nullptr; }

  GstElement* CreateSourceBin(PinKind pin) override {
    if (!HasOutput(pin)) return nullptr;
    EnsureGstInit();
    AudioFormat format;
    {
      std::lock_guard lock(mutex_);
      format = format_;
    }
    gchar* caps = gst_caps_to_string(CapsPtr(CapsOfAudioFormat(format)).get());
    const std::string description = source_ + kConvert + caps + "\"";
    g_free(caps);
    ErrorPtr error;
    NewElementPtr bin(vd::ParseBin(description, ErrorOut(error)));
    if (error != nullptr) {
      SoundTrace("sound: cannot build %s: %s\n", description.c_str(), error->message);
      return nullptr;
    }
    return bin.release();
  }

 private:
  bool IsAlive() const override { return true; }
  int32_t CrossbarInputCount() const override { return 0; }
  CrossbarPin CrossbarInput(int32_t) const override { return {}; }
  bool Routable(int32_t, int32_t) const override { return false; }
  HResult DoRoute(int32_t, int32_t) override { return kENotImpl; }
  HResult DoRoutedTo(int32_t, int32_t*) override { return kENotImpl; }
  HResult DoAvailableTvFormats(uint32_t*) override { return kENotImpl; }
  HResult DoSetTvFormat(uint32_t) override { return kENotImpl; }
  HResult DoTvFormat(uint32_t*) override { return kENotImpl; }
  HResult DoHorizontalLocked(bool*) override { return kENotImpl; }
  HResult DoGetAmpRange(AmpProperty, AmpRange*) override { return kENotImpl; }
  HResult DoGetAmp(AmpProperty, int32_t*) override { return kENotImpl; }
  HResult DoSetAmp(AmpProperty, int32_t) override { return kENotImpl; }
  void MaxPictureSize(int32_t* width, int32_t* height) override { *width = *height = 0; }
  int64_t FastestInterval() override { return 0; }
  HResult DoGetVideoFormat(PinKind, VideoFormat*) override { return kENotImpl; }
  HResult DoSetVideoFormat(PinKind, const VideoFormat&) override { return kENotImpl; }
  HResult DoVideoFormatCaps(PinKind, std::vector<VideoFormat>*) override { return kENotImpl; }
  HResult DoGetAudioFormat(AudioFormat* format) override {
    std::lock_guard lock(mutex_);
    *format = format_;
    return kSOk;
  }
  HResult DoSetAudioFormat(const AudioFormat& format) override {
    std::lock_guard lock(mutex_);
    format_ = format;
    return kSOk;
  }
  HResult DoGetVideoControlMode(uint32_t*) override { return kENotImpl; }
  HResult DoSetVideoControlMode(uint32_t) override { return kENotImpl; }
  HResult DoGetFrameCounts(FrameCounts*) override { return kENotImpl; }

  DeviceInfo info_;
  std::string source_;
  std::mutex mutex_;
  // A line-in's usual sound until the engine asks for another.
  AudioFormat format_{2, 48000, 16};
};

}  // namespace

SoundInputBackend::SoundInputBackend(SoundInputOptions options) : options_(std::move(options)) {}

std::vector<DeviceInfo> SoundInputBackend::Devices(DeviceCategory category) {
  std::vector<DeviceInfo> devices;
  if (category != DeviceCategory::kAudioInput) return devices;
  for (const AlsaCard& card : CaptureCards(options_.procRoot))
    devices.push_back({DeviceCategory::kAudioInput, card.name, {}, kPathPrefix + card.id, kName});
  return devices;
}

std::unique_ptr<CaptureDevice> SoundInputBackend::Open(const DeviceInfo& device) {
  if (device.backend != kName || device.category != DeviceCategory::kAudioInput) return nullptr;
  for (const DeviceInfo& present : Devices(DeviceCategory::kAudioInput)) {
    if (present.path != device.path) continue;
    const std::string id = present.path.substr(sizeof kPathPrefix - 1);
    return std::make_unique<SoundInputDevice>(present, Replace(options_.source, "{card}", id));
  }
  return nullptr;
}

}  // namespace vd
