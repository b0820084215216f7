#include "vd/device_enumerator.h"

#include <algorithm>
#include <string_view>

#include "vd/backend_table.h"
#include "vd/sound_input_backend.h"
#include "vd/v4l2_backend.h"
#include "vd/virtual_box_backend.h"
#include "vd/virtual_tv_box.h"

namespace vd {

DeviceEnumerator::DeviceEnumerator() = default;

DeviceEnumerator::~DeviceEnumerator() {
  for (auto& b : backends_) b->SetChangeCallback({});
}

namespace {

using Backends = std::vector<std::unique_ptr<DeviceBackend>>;

std::unique_ptr<DeviceBackend> TheBox() {
  return std::make_unique<VirtualBoxBackend>(VirtualTvBox::Shared());
}

// Real cards come after the box: the engine takes the last device when no name matches, so
// a card wins over the box whenever one is plugged in. Every row works anywhere: the card
// back-end alone waits for cards plugged in later. The machine's sound inputs come with the
// cards, last, for a card whose sound arrives through a cable; the box has its own.
const Backend<Backends (*)()> kDeviceBackends[] = {
    {"all", "the virtual TV box, then the cards present at start", nullptr,
     [] {
       Backends list;
       list.push_back(TheBox());
       if (V4l2Backend::AnyCardPresent()) {
         list.push_back(std::make_unique<V4l2Backend>());
         list.push_back(std::make_unique<SoundInputBackend>());
       }
       return list;
     }},
    {"virtual", "only the virtual TV box", nullptr,
     [] {
       Backends list;
       list.push_back(TheBox());
       return list;
     }},
    {"v4l2", "only the real cards, also those plugged in later", nullptr,
     [] {
       Backends list;
       list.push_back(std::make_unique<V4l2Backend>());
       list.push_back(std::make_unique<SoundInputBackend>());
       return list;
     }},
};

}  // namespace

DeviceEnumerator& DeviceEnumerator::Default() {
  static DeviceEnumerator instance;
  static std::once_flag once;
  std::call_once(once, [] {
    for (auto& backend : ChooseBackend(kDeviceBackends, "VIEWDECK_DEVICES", "device").make())
      instance.AddBackend(std::move(backend));
  });
  return instance;
}

void DeviceEnumerator::AddBackend(std::unique_ptr<DeviceBackend> backend) {
  backend->SetChangeCallback(
      [this](const DeviceInfo& device, bool arrived) { Deliver(device, arrived); });
  std::lock_guard lock(mutex_);
  backends_.push_back(std::move(backend));
}

std::vector<DeviceInfo> DeviceEnumerator::Devices(DeviceCategory category) {
  std::lock_guard lock(mutex_);
  std::vector<DeviceInfo> all;
  for (auto& b : backends_) {
    auto list = b->Devices(category);
    all.insert(all.end(), list.begin(), list.end());
  }
  return all;
}

std::vector<DeviceInfo> DeviceEnumerator::VideoInputDevices() {
  return Devices(DeviceCategory::kVideoInput);
}

std::vector<DeviceInfo> DeviceEnumerator::AudioInputDevices() {
  return Devices(DeviceCategory::kAudioInput);
}

std::vector<DeviceInfo> DeviceEnumerator::BulkSearchDevices() {
  std::vector<DeviceInfo> list = VideoInputDevices();
  std::stable_partition(list.begin(), list.end(), [](const DeviceInfo& info) {
    return info.backend != std::string_view(VirtualBoxBackend::kName);
  });
  DeviceInfo wanted;
  {
    std::lock_guard lock(mutex_);
    wanted = bulkCard_;
  }
  if (wanted.backend.empty()) return list;
  // The bus path outlives a re-plug under another node; the path is all a box has.
  std::stable_partition(list.begin(), list.end(), [&](const DeviceInfo& info) {
    return info.backend == wanted.backend &&
           (wanted.busPath.empty() ? info.path == wanted.path : info.busPath == wanted.busPath);
  });
  return list;
}

void DeviceEnumerator::SetBulkCard(const DeviceInfo& device) {
  std::lock_guard lock(mutex_);
  bulkCard_ = device;
}

std::unique_ptr<CaptureDevice> DeviceEnumerator::Open(const DeviceInfo& device) {
  std::lock_guard lock(mutex_);
  for (auto& b : backends_) {
    if (b->Name() == device.backend) return b->Open(device);
  }
  return nullptr;
}

std::unique_ptr<CaptureDevice> DeviceEnumerator::OpenVideoInput(size_t index) {
  auto list = VideoInputDevices();
  return index < list.size() ? Open(list[index]) : nullptr;
}

std::unique_ptr<CaptureDevice> DeviceEnumerator::OpenAudioInput(size_t index) {
  auto list = AudioInputDevices();
  return index < list.size() ? Open(list[index]) : nullptr;
}

void DeviceEnumerator::Subscribe(DeviceEventSink* sink) {
  std::lock_guard lock(deliveryMutex_);
  if (std::find(sinks_.begin(), sinks_.end(), sink) == sinks_.end()) sinks_.push_back(sink);
}

void DeviceEnumerator::Unsubscribe(DeviceEventSink* sink) {
  std::lock_guard lock(deliveryMutex_);
  std::erase(sinks_, sink);
}

void DeviceEnumerator::Deliver(const DeviceInfo& device, bool arrived) {
  std::lock_guard lock(deliveryMutex_);
  // A sink may unsubscribe itself (or another) from inside its handler.
  std::vector<DeviceEventSink*> sinks = sinks_;
  for (DeviceEventSink* s : sinks) {
    if (std::find(sinks_.begin(), sinks_.end(), s) == sinks_.end()) continue;
    if (arrived) {
      s->OnDeviceArrived(device);
    } else {
      s->OnDeviceRemoved(device);
    }
  }
}

}  // namespace vd
