#include "vd/virtual_tv_box.h"

#include <cstdio>

#include "virtual_hardware.h"

namespace vd {

VirtualTvBox::VirtualTvBox(VirtualBoxConfig config)
    : hardware_(std::make_shared<VirtualHardware>(std::move(config))) {}

VirtualTvBox::~VirtualTvBox() = default;

std::shared_ptr<VirtualTvBox> VirtualTvBox::Shared() {
  static std::shared_ptr<VirtualTvBox> box =
      std::make_shared<VirtualTvBox>(VirtualBoxConfig::Load());
  return box;
}

void VirtualTvBox::PressRemoteKey(uint32_t code) {
  hardware_->PressRemoteKey(code);
}
void VirtualTvBox::PressSnapshotButton() {
  hardware_->PressSnapshotButton();
}
void VirtualTvBox::Unplug() {
  hardware_->Unplug();
}
void VirtualTvBox::Plug() {
  hardware_->Plug();
}
bool VirtualTvBox::IsPlugged() const {
  return hardware_->IsPlugged();
}
std::string VirtualTvBox::Caption() const {
  return hardware_->CurrentReception().label;
}
void VirtualTvBox::SetFaults(const VirtualBoxFaults& faults) {
  hardware_->SetFaults(faults);
}
VirtualBoxFaults VirtualTvBox::Faults() const {
  return hardware_->Faults();
}

void VirtualTvBox::SetLockTime(std::chrono::milliseconds lockTime) {
  hardware_->SetLockTime(lockTime);
}

void VirtualTvBox::SetBulkReplayFile(std::optional<std::string> path) {
  hardware_->SetBulkReplayFile(std::move(path));
}

int32_t VirtualTvBox::SoundDecoderMode() const {
  return static_cast<int32_t>(hardware_->CurrentAudioMode());
}

uint32_t VirtualTvBox::ProductId() const {
  return hardware_->ProductId();
}
void VirtualTvBox::SetProductId(uint32_t id) {
  hardware_->SetProductId(id);
}

std::string VirtualTvBox::HardwareKey() const {
  char key[40];
  std::snprintf(key, sizeof key, "USB\\VID_7A3E&PID_%04X", hardware_->ProductId());
  return key;
}

const VirtualSky& VirtualTvBox::Sky() const {
  return hardware_->Sky();
}

const std::string& VirtualTvBox::Location() const {
  return hardware_->Location();
}

}  // namespace vd
