#include "vd/virtual_box_backend.h"

#include "virtual_capture_device.h"
#include "virtual_hardware.h"

namespace vd {

namespace {
constexpr const char* kVideoPath = "virtual:video";
constexpr const char* kAudioPath = "virtual:audio";
constexpr const char* kLineInPath = "virtual:line-in";
}  // namespace

VirtualBoxBackend::VirtualBoxBackend(std::shared_ptr<VirtualTvBox> box) : box_(std::move(box)) {}

VirtualBoxBackend::~VirtualBoxBackend() {
  if (listenerId_ != 0) box_->Hardware()->RemovePlugListener(listenerId_);
}

std::vector<DeviceInfo> VirtualBoxBackend::Devices(DeviceCategory category) {
  std::vector<DeviceInfo> devices;
  bool plugged = box_->IsPlugged();
  if (category == DeviceCategory::kVideoInput) {
    if (plugged)
      devices.push_back({category, VirtualTvBox::kVideoName, box_->HardwareKey(), kVideoPath,
                         Name(), box_->Location()});
    return devices;
  }
  // The sound card comes first, so the box's sound is device 1, as on most machines.
  devices.push_back({category, VirtualTvBox::kLineInName, "", kLineInPath, Name()});
  if (plugged)
    devices.push_back({category, VirtualTvBox::kAudioName, box_->HardwareKey(), kAudioPath, Name(),
                       box_->Location()});
  return devices;
}

std::unique_ptr<CaptureDevice> VirtualBoxBackend::Open(const DeviceInfo& device) {
  using Model = VirtualCaptureDevice::Model;
  if (device.backend != Name()) return nullptr;
  for (const DeviceInfo& d : Devices(device.category)) {
    if (d.path != device.path) continue;
    Model model = d.path == kVideoPath   ? Model::kVideo
                  : d.path == kAudioPath ? Model::kAudio
                                         : Model::kLineIn;
    return std::make_unique<VirtualCaptureDevice>(model, d, box_->Hardware());
  }
  return nullptr;
}

void VirtualBoxBackend::SetChangeCallback(ChangeCallback callback) {
  auto& hw = *box_->Hardware();
  if (listenerId_ != 0) {
    hw.RemovePlugListener(listenerId_);
    listenerId_ = 0;
  }
  if (!callback) return;
  // The key is read at each event: the box may have become another model meanwhile. (Weak:
  // the listener lives in the box's own hardware.)
  std::weak_ptr<VirtualTvBox> weakBox = box_;
  std::string name = Name();
  listenerId_ = hw.AddPlugListener([callback, weakBox, name](bool plugged) {
    const std::shared_ptr<VirtualTvBox> box = weakBox.lock();
    const std::string key = box ? box->HardwareKey() : std::string();
    const std::string location = box ? box->Location() : std::string();
    callback(
        {DeviceCategory::kVideoInput, VirtualTvBox::kVideoName, key, kVideoPath, name, location},
        plugged);
    callback(
        {DeviceCategory::kAudioInput, VirtualTvBox::kAudioName, key, kAudioPath, name, location},
        plugged);
  });
}

}  // namespace vd
