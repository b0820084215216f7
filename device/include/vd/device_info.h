// What enumeration tells about one capture device before it is opened.
#pragma once

#include <string>

namespace vd {

enum class DeviceCategory { kVideoInput, kAudioInput };

struct DeviceInfo {
  DeviceCategory category = DeviceCategory::kVideoInput;
  // The name users see, e.g. "Brevant TV USB Audio Capture".
  std::string friendlyName;
  // Bus identity such as "USB\VID_7A3E&PID_1311"; empty when the device has none.
  std::string hardwareKey;
  // Unique within the back-end; Open uses it to find the device again.
  std::string path;
  // Which back-end serves the device ("virtual", "v4l2").
  std::string backend;
  // The ISO 3166 code of the country the device stands in, when it can tell (the virtual
  // box); empty for a real card, which cannot.
  std::string location;
  // Where the card sits, as its driver names it (V4L2's bus_info, e.g. "usb-0000:00:14.0-1"):
  // it stays when the node numbers change, so what the user chose for a card is kept under
  // it. Empty when the back-end cannot tell.
  std::string busPath;

  friend bool operator==(const DeviceInfo&, const DeviceInfo&) = default;
};

}  // namespace vd
