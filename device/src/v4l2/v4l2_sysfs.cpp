#include "v4l2_sysfs.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace vd {

namespace fs = std::filesystem;

namespace {
// A four-digit hex id file ("7a3e" or "0x109e"); -1 when missing or not an id.
int ReadId(const fs::path& file) {
  std::ifstream in(file);
  std::string text;
  if (!(in >> text)) return -1;
  if (text.rfind("0x", 0) == 0) text = text.substr(2);
  if (text.empty() || text.size() > 4) return -1;
  for (char c : text)
    if (!std::isxdigit(static_cast<unsigned char>(c))) return -1;
  return static_cast<int>(std::stoul(text, nullptr, 16));
}

fs::path Canonical(const fs::path& p) {
  std::error_code ec;
  fs::path c = fs::canonical(p, ec);
  return ec ? fs::path() : c;
}

bool IsBelow(const fs::path& path, const fs::path& dir) {
  auto d = dir.begin();
  auto p = path.begin();
  for (; d != dir.end(); ++d, ++p) {
    if (p == path.end() || *p != *d) return false;
  }
  return true;
}

// The nodes of a class whose sysfs directory lies below `device`, in number order (radio2
// before radio10).
std::vector<std::string> Siblings(const fs::path& classDir, const std::string& prefix,
                                  const fs::path& device) {
  std::error_code ec;
  std::vector<std::pair<long, std::string>> found;
  for (const auto& entry : fs::directory_iterator(classDir, ec)) {
    std::string name = entry.path().filename().string();
    if (name.rfind(prefix, 0) != 0) continue;
    fs::path c = Canonical(entry.path());
    if (c.empty() || !IsBelow(c, device)) continue;
    found.emplace_back(std::strtol(name.c_str() + prefix.size(), nullptr, 10), name);
  }
  std::sort(found.begin(), found.end());
  std::vector<std::string> names;
  for (auto& [number, name] : found) names.push_back(std::move(name));
  return names;
}

std::string Sibling(const fs::path& classDir, const std::string& prefix, const fs::path& device) {
  std::vector<std::string> names = Siblings(classDir, prefix, device);
  return names.empty() ? std::string() : names.front();
}
}  // namespace

std::string V4l2Hardware::HardwareKey() const {
  char key[40];
  if (bus == Bus::kUsb) {
    std::snprintf(key, sizeof key, "USB\\VID_%04X&PID_%04X", vendor, product);
  } else if (bus == Bus::kPci) {
    std::snprintf(key, sizeof key, "PCI\\VEN_%04X&DEV_%04X", vendor, product);
  } else {
    return {};
  }
  return key;
}

V4l2Hardware V4l2Sysfs::Describe(const std::string& videoName) const {
  V4l2Hardware hw;
  const fs::path root = Canonical(root_);
  if (root.empty()) return hw;
  fs::path node = Canonical(root / "class" / "video4linux" / videoName);
  if (node.empty()) return hw;
  // Walk up to the device that carries the bus ids.
  fs::path device;
  for (fs::path p = node.parent_path(); !p.empty() && p != p.root_path() && IsBelow(p, root);
       p = p.parent_path()) {
    int vendor = ReadId(p / "idVendor");
    int product = ReadId(p / "idProduct");
    if (vendor >= 0 && product >= 0) {
      hw = {V4l2Hardware::Bus::kUsb, static_cast<uint16_t>(vendor), static_cast<uint16_t>(product)};
      device = p;
      break;
    }
    vendor = ReadId(p / "vendor");
    product = ReadId(p / "device");
    if (vendor >= 0 && product >= 0) {
      hw = {V4l2Hardware::Bus::kPci, static_cast<uint16_t>(vendor), static_cast<uint16_t>(product)};
      device = p;
      break;
    }
  }
  // A card on no bus with ids (a platform device, such as the kernel's own test driver)
  // still owns the other nodes below the device that holds its video4linux folder.
  if (device.empty() && node.parent_path().filename() == "video4linux")
    device = node.parent_path().parent_path();
  if (device.empty() || device.filename() == "virtual") return hw;
  hw.radios = Siblings(root / "class" / "video4linux", "radio", device);
  hw.vbis = Siblings(root / "class" / "video4linux", "vbi", device);
  hw.lirc = Sibling(root / "class" / "lirc", "lirc", device);
  std::string card = Sibling(root / "class" / "sound", "card", device);
  if (!card.empty()) {
    int number = std::atoi(card.c_str() + 4);
    // Only a card with a capture device can give the sound.
    std::error_code ec;
    if (fs::exists(root / "class" / "sound" / ("pcmC" + std::to_string(number) + "D0c"), ec))
      hw.alsaCard = number;
  }
  return hw;
}

}  // namespace vd
