#include "vd/v4l2_backend.h"

#include <fcntl.h>
#include <linux/videodev2.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "v4l2_capture_device.h"
#include "v4l2_card.h"
#include "v4l2_monitor.h"
#include "v4l2_sysfs.h"
#include "vd/gst_elements.h"

namespace vd {

// The default sources are in the element table, so the start-up check covers them.
static_assert(ListsEveryElement(kV4l2VideoSource) && ListsEveryElement(kV4l2AudioSource));

namespace {
constexpr const char* kAudioSuffix = "#audio";

std::string Replace(std::string text, const std::string& key, const std::string& value) {
  for (size_t at = text.find(key); at != std::string::npos; at = text.find(key, at + value.size()))
    text.replace(at, key.size(), value);
  return text;
}

// Video node names in number order (video2 before video10).
std::vector<std::string> VideoNodes(const std::string& dir) {
  std::vector<std::pair<int, std::string>> nodes;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(dir, ec)) {
    std::string name = entry.path().filename().string();
    if (name.size() <= 5 || name.rfind("video", 0) != 0) continue;
    if (!std::all_of(name.begin() + 5, name.end(), [](char c) { return c >= '0' && c <= '9'; }))
      continue;
    nodes.emplace_back(std::atoi(name.c_str() + 5), name);
  }
  std::sort(nodes.begin(), nodes.end());
  std::vector<std::string> names;
  for (auto& [n, name] : nodes) names.push_back(name);
  return names;
}
}  // namespace

std::string IrReceiverFromEnvironment() {
  const char* path = std::getenv("VIEWDECK_IR_RECEIVER");
  return path != nullptr ? path : "";
}

std::chrono::milliseconds TunerSettleTimeFromEnvironment() {
  const char* text = std::getenv("VIEWDECK_TUNER_SETTLE_MS");
  if (text == nullptr || *text == '\0' || std::strlen(text) > 4 ||
      !std::all_of(text, text + std::strlen(text), [](char c) { return c >= '0' && c <= '9'; }))
    return kDefaultTunerSettleTime;
  const std::chrono::milliseconds wanted{std::atoi(text)};
  return wanted > kMaxTunerSettleTime ? kDefaultTunerSettleTime : wanted;
}

struct V4l2Backend::Found {
  DeviceInfo video;
  DeviceInfo audio;  // empty path when the card has no sound device
  V4l2Nodes nodes;
};

V4l2Backend::V4l2Backend(V4l2BackendOptions options) : options_(std::move(options)) {}

V4l2Backend::~V4l2Backend() {
  monitor_.reset();
}

bool V4l2Backend::AnyCardPresent(const V4l2BackendOptions& options) {
  V4l2Backend probe(options);
  probe.options_.monitor = false;
  return !probe.Devices(DeviceCategory::kVideoInput).empty();
}

std::string V4l2Backend::SameCard(const std::vector<std::string>& names,
                                  const std::string& busInfo) const {
  if (busInfo.empty()) return names.empty() ? std::string() : names.front();
  for (const std::string& name : names) {
    int fd = options_.io->Open(options_.deviceDir + "/" + name, O_RDWR | O_NONBLOCK);
    if (fd < 0) continue;
    v4l2_capability cap{};
    int r = options_.io->Ioctl(fd, VIDIOC_QUERYCAP, &cap);
    options_.io->Close(fd);
    if (r == 0 && busInfo == std::string(reinterpret_cast<const char*>(cap.bus_info),
                                         strnlen(reinterpret_cast<const char*>(cap.bus_info),
                                                 sizeof cap.bus_info)))
      return name;
  }
  return {};
}

std::vector<V4l2Backend::Found> V4l2Backend::Scan() {
  std::vector<Found> found;
  V4l2Sysfs sysfs(options_.sysfsRoot);
  for (const std::string& name : VideoNodes(options_.deviceDir)) {
    std::string path = options_.deviceDir + "/" + name;
    int fd = options_.io->Open(path, O_RDWR | O_NONBLOCK);
    if (fd < 0) continue;
    v4l2_capability cap{};
    int r = options_.io->Ioctl(fd, VIDIOC_QUERYCAP, &cap);
    options_.io->Close(fd);
    if (r < 0) continue;
    uint32_t caps = (cap.capabilities & V4L2_CAP_DEVICE_CAPS) ? cap.device_caps : cap.capabilities;
    // Metadata and output nodes of the same card are not capture filters.
    if ((caps & V4L2_CAP_VIDEO_CAPTURE) == 0) continue;
    V4l2Hardware hw = sysfs.Describe(name);
    std::string cardName(reinterpret_cast<const char*>(cap.card),
                         strnlen(reinterpret_cast<const char*>(cap.card), sizeof cap.card));
    if (cardName.empty()) cardName = name;
    Found f;
    auto text = [](const uint8_t* field, size_t size) {
      return std::string(reinterpret_cast<const char*>(field),
                         strnlen(reinterpret_cast<const char*>(field), size));
    };
    f.video = {DeviceCategory::kVideoInput,
               cardName,
               hw.HardwareKey(),
               path,
               Name(),
               "",
               text(cap.driver, sizeof cap.driver),
               text(cap.bus_info, sizeof cap.bus_info)};
    auto node = [&](const std::string& n) { return n.empty() ? n : options_.deviceDir + "/" + n; };
    f.nodes = {path,
               node(SameCard(hw.radios, f.video.busPath)),
               node(SameCard(hw.vbis, f.video.busPath)),
               options_.irReceiver.empty() ? node(hw.lirc) : options_.irReceiver,
               hw.alsaCard >= 0 ? "hw:" + std::to_string(hw.alsaCard) : "",
               hw.vendor,
               hw.product};
    for (const std::string* other : {&f.nodes.radio, &f.nodes.vbi, &f.nodes.lirc})
      if (!other->empty()) f.video.nodes.push_back(*other);
    if (hw.alsaCard >= 0)
      f.audio = {DeviceCategory::kAudioInput,
                 cardName + " Audio Capture",
                 hw.HardwareKey(),
                 path + kAudioSuffix,
                 Name(),
                 "",
                 f.video.driver,
                 f.video.busPath};
    found.push_back(std::move(f));
  }
  return found;
}

std::vector<DeviceInfo> V4l2Backend::Devices(DeviceCategory category) {
  std::vector<DeviceInfo> devices;
  for (const Found& f : Scan()) {
    if (category == DeviceCategory::kVideoInput) {
      devices.push_back(f.video);
    } else if (!f.audio.path.empty()) {
      devices.push_back(f.audio);
    }
  }
  return devices;
}

std::shared_ptr<V4l2Card> V4l2Backend::CardFor(const Found& found) {
  std::lock_guard lock(mutex_);
  auto& weak = cards_[found.video.path];
  if (auto card = weak.lock(); card && card->IsAlive()) return card;
  auto card = std::make_shared<V4l2Card>(options_.io, found.nodes);
  card->SetVideoSource(Replace(options_.videoSource, "{device}", found.nodes.video));
  weak = card;
  return card;
}

std::unique_ptr<CaptureDevice> V4l2Backend::Open(const DeviceInfo& device) {
  if (device.backend != Name()) return nullptr;
  for (const Found& f : Scan()) {
    bool video = device.category == DeviceCategory::kVideoInput && f.video.path == device.path;
    bool audio = device.category == DeviceCategory::kAudioInput && !f.audio.path.empty() &&
                 f.audio.path == device.path;
    if (!video && !audio) continue;
    std::shared_ptr<V4l2Card> card = CardFor(f);
    if (!card->IsAlive()) return nullptr;
    V4l2CaptureDevice::Options options;
    options.tuner = {options_.signalThreshold, options_.settleTime};
    if (!f.nodes.alsa.empty())
      options.audioSource =
          Replace(options_.audioSource, "{card}", f.nodes.alsa.substr(f.nodes.alsa.find(':') + 1));
    return std::make_unique<V4l2CaptureDevice>(
        video ? V4l2CaptureDevice::Model::kVideo : V4l2CaptureDevice::Model::kAudio,
        video ? f.video : f.audio, std::move(card), std::move(options));
  }
  return nullptr;
}

void V4l2Backend::SetChangeCallback(ChangeCallback callback) {
  monitor_.reset();  // joins: no callback runs after this
  bool watch = static_cast<bool>(callback);
  {
    std::lock_guard lock(callbackMutex_);
    callback_ = std::move(callback);
  }
  if (!watch) return;
  {
    std::vector<DeviceInfo> now = Devices(DeviceCategory::kVideoInput);
    auto audio = Devices(DeviceCategory::kAudioInput);
    now.insert(now.end(), audio.begin(), audio.end());
    std::lock_guard lock(mutex_);
    known_ = std::move(now);
  }
  if (options_.monitor) monitor_ = std::make_unique<V4l2Monitor>([this] { Rescan(); });
}

void V4l2Backend::Rescan() {
  std::vector<DeviceInfo> now = Devices(DeviceCategory::kVideoInput);
  auto audio = Devices(DeviceCategory::kAudioInput);
  now.insert(now.end(), audio.begin(), audio.end());
  std::vector<DeviceInfo> gone, arrived;
  std::vector<std::shared_ptr<V4l2Card>> ended;
  {
    std::lock_guard lock(mutex_);
    for (const DeviceInfo& d : known_)
      if (std::find(now.begin(), now.end(), d) == now.end()) gone.push_back(d);
    for (const DeviceInfo& d : now)
      if (std::find(known_.begin(), known_.end(), d) == known_.end()) arrived.push_back(d);
    known_ = now;
    for (const DeviceInfo& d : gone) {
      auto it = cards_.find(d.path);
      if (it == cards_.end()) continue;
      if (auto card = it->second.lock()) ended.push_back(card);
      cards_.erase(it);
    }
  }
  for (auto& card : ended) card->MarkGone();
  std::lock_guard lock(callbackMutex_);
  if (!callback_) return;
  for (const DeviceInfo& d : gone) callback_(d, false);
  for (const DeviceInfo& d : arrived) callback_(d, true);
}

}  // namespace vd
