#include "startup_helpers.h"

#include <sys/utsname.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <system_error>
#include <vector>

int GetOsKind() {
  static const int kind = [] {
    utsname u{};
    return uname(&u) == 0 ? kOsKind2000 : kOsKindUnknown;
  }();
  return kind;
}

int ContainsNoCase(std::string_view text, std::string_view pattern) {
  if (text.empty() || pattern.size() > text.size()) return 0;
  auto fold = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
  auto it = std::search(text.begin(), text.end(), pattern.begin(), pattern.end(),
                        [&](char a, char b) { return fold(a) == fold(b); });
  return it != text.end() ? 1 : 0;
}

namespace vd {

std::filesystem::path SysfsRoot() {
  const char* v = std::getenv("VIEWDECK_SYSFS_ROOT");
  return (v != nullptr && v[0] != '\0') ? std::filesystem::path(v) : "/sys";
}

namespace {

// An id attribute holds four hex digits and a newline; anything else is not a USB device
// (interfaces and hubs' ports have no such files) or not one to trust.
std::optional<unsigned> ReadUsbId(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::nullopt;
  char buf[16] = {};
  in.read(buf, sizeof buf - 1);
  std::string_view s(buf, static_cast<size_t>(in.gcount()));
  while (!s.empty() && (s.back() == '\n' || s.back() == ' ')) s.remove_suffix(1);
  if (s.size() != 4) return std::nullopt;
  unsigned v = 0;
  for (char c : s) {
    int h = (c >= '0' && c <= '9')   ? c - '0'
            : (c >= 'a' && c <= 'f') ? c - 'a' + 10
            : (c >= 'A' && c <= 'F') ? c - 'A' + 10
                                     : -1;
    if (h < 0) return std::nullopt;
    v = v * 16 + static_cast<unsigned>(h);
  }
  return v;
}

}  // namespace

}  // namespace vd

std::optional<vd::DeviceNode> FindDeviceNode(std::string_view pattern,
                                             const std::filesystem::path& sysfsRoot) {
  const std::filesystem::path root = sysfsRoot.empty() ? vd::SysfsRoot() : sysfsRoot;
  std::error_code ec;
  std::vector<std::filesystem::path> devices;
  for (std::filesystem::directory_iterator it(root / "bus" / "usb" / "devices", ec), end;
       !ec && it != end; it.increment(ec)) {
    devices.push_back(it->path());
  }
  // Directory order is arbitrary; name order keeps the choice stable between runs.
  std::sort(devices.begin(), devices.end());
  for (const auto& dir : devices) {
    auto vendor = vd::ReadUsbId(dir / "idVendor");
    auto product = vd::ReadUsbId(dir / "idProduct");
    if (!vendor || !product) continue;
    char key[32];
    std::snprintf(key, sizeof key, "USB\\VID_%04X&PID_%04X", *vendor, *product);
    if (ContainsNoCase(key, pattern)) return vd::DeviceNode{key, dir.filename().string()};
  }
  return std::nullopt;
}
