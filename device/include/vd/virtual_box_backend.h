// The back-end that presents a VirtualTvBox as devices: the video capture device with its
// pins, the box's audio capture device and a plain sound-card line input.
#pragma once

#include "vd/device_export.h"

#include <memory>
#include <mutex>

#include "vd/device_backend.h"
#include "vd/virtual_tv_box.h"

namespace vd {

class VD_DEVICE_EXPORT VirtualBoxBackend : public DeviceBackend {
 public:
  explicit VirtualBoxBackend(std::shared_ptr<VirtualTvBox> box);
  ~VirtualBoxBackend() override;

  static constexpr const char* kName = "virtual";
  std::string Name() const override { return kName; }
  std::vector<DeviceInfo> Devices(DeviceCategory category) override;
  std::unique_ptr<CaptureDevice> Open(const DeviceInfo& device) override;
  void SetChangeCallback(ChangeCallback callback) override;

  const std::shared_ptr<VirtualTvBox>& Box() const { return box_; }

 private:
  std::shared_ptr<VirtualTvBox> box_;
  int listenerId_ = 0;
};

}  // namespace vd
