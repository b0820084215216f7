// Small helpers the start-up and the first-run defaults share: the OS kind, a case-blind
// substring test, and the lookup of the TV box on the USB bus.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

inline constexpr int kOsKindUnknown = -1;  // the version query failed
inline constexpr int kOsKind98 = 98;       // the branch with the device-node lookup
inline constexpr int kOsKind2000 = 2000;   // the newer branch

// Computed once. On Linux: 2000 when uname() answers, -1 otherwise. The device lookup that
// the system ties to the 98 branch runs on every Linux system (see first_run_defaults.h).
int GetOsKind();

// 1 when pattern occurs in text, comparing A-Z without regard to case (other bytes exactly);
// 0 otherwise. An empty text gives 0.
int ContainsNoCase(std::string_view text, std::string_view pattern);

// The pattern that finds the TV box.
inline constexpr std::string_view kDevicePattern = "USB\\VID_7A3E";

namespace vd {

struct DeviceNode {
  std::string hardwareKey;  // "USB\VID_7A3E&PID_1311"
  std::string nodeName;     // the sysfs device folder, e.g. "1-1.4"
};

// The sysfs root: $VIEWDECK_SYSFS_ROOT when set and not empty, else /sys.
std::filesystem::path SysfsRoot();

}  // namespace vd

// Walks <sysfsRoot>/bus/usb/devices/* in name order and returns the first device whose
// hardware key contains the pattern (ContainsNoCase). An empty sysfsRoot means
// vd::SysfsRoot().
std::optional<vd::DeviceNode> FindDeviceNode(std::string_view pattern,
                                             const std::filesystem::path& sysfsRoot = {});
