// What sysfs tells about a video node: the hardware it belongs to (USB or PCI ids) and the
// other nodes of that hardware (radio, VBI, LIRC, the ALSA capture card).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vd {

struct V4l2Hardware {
  enum class Bus { kNone, kUsb, kPci };
  Bus bus = Bus::kNone;
  uint16_t vendor = 0;
  uint16_t product = 0;
  // Node names ("radio0") in number order. One device may hold several cards (the kernel's
  // test driver with n_devs above 1 puts every instance below one platform device): the
  // caller tells them apart by the bus info each node reports.
  std::vector<std::string> radios;
  std::vector<std::string> vbis;
  std::string lirc;
  int alsaCard = -1;

  // "USB\VID_7A3E&PID_1311", "PCI\VEN_109E&DEV_036E" or empty.
  std::string HardwareKey() const;
};

class V4l2Sysfs {
 public:
  explicit V4l2Sysfs(std::string root) : root_(std::move(root)) {}
  // The hardware behind /dev/<videoName>; a node sysfs does not know gives Bus::kNone.
  V4l2Hardware Describe(const std::string& videoName) const;

 private:
  std::string root_;
};

}  // namespace vd
