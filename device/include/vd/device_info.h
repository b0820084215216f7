// What enumeration tells about one capture device before it is opened.
#pragma once

#include <string>
#include <vector>

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
  // The kernel driver's name ("em28xx"), for a card that has one.
  std::string driver;
  // Where the card sits ("usb-0000:00:14.0-1", "platform:vivid-001"): what tells two cards
  // of one model apart across starts, while their nodes may be numbered anew.
  std::string busPath;
  // The card's other device nodes (radio, VBI, remote receiver), for the user to see.
  std::vector<std::string> nodes;

  friend bool operator==(const DeviceInfo&, const DeviceInfo&) = default;
};

}  // namespace vd
