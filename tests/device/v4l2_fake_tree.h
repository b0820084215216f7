// A throw-away /dev and /sys for the V4L2 back-end's tests: device nodes as empty files and
// a sysfs tree with the links and id files the back-end reads, in the real layout.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "vd/v4l2_backend.h"
#include "vd/v4l2_fake_kernel.h"

namespace vd::test {

class FakeV4l2Tree {
 public:
  struct Usb {
    std::string video = "video0";
    std::string vendor = "7a3e";
    std::string product = "1311";
    std::string port = "1-1";
    std::string radio;  // "radio0"
    std::string vbi;    // "vbi0"
    std::string lirc;   // "lirc0"
    int alsaCard = -1;
  };

  FakeV4l2Tree() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vd-v4l2-XXXXXX").string();
    root_ = mkdtemp(pattern.data());
    std::filesystem::create_directories(Dev());
    std::filesystem::create_directories(Sys() / "class" / "video4linux");
    std::filesystem::create_directories(Sys() / "class" / "lirc");
    std::filesystem::create_directories(Sys() / "class" / "sound");
  }
  ~FakeV4l2Tree() {
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }
  FakeV4l2Tree(const FakeV4l2Tree&) = delete;
  FakeV4l2Tree& operator=(const FakeV4l2Tree&) = delete;

  std::filesystem::path Dev() const { return root_ / "dev"; }
  std::filesystem::path Sys() const { return root_ / "sys"; }
  std::string DevPath(const std::string& node) const { return (Dev() / node).string(); }

  void AddUsb(const Usb& usb) {
    auto device = Sys() / "devices" / "pci0000:00" / "usb1" / usb.port;
    std::filesystem::create_directories(device);
    Write(device / "idVendor", usb.vendor);
    Write(device / "idProduct", usb.product);
    auto iface = device / (usb.port + ":1.0");
    Node(iface / "video4linux", "video4linux", usb.video);
    if (!usb.radio.empty()) Node(iface / "video4linux", "video4linux", usb.radio);
    if (!usb.vbi.empty()) Node(iface / "video4linux", "video4linux", usb.vbi);
    if (!usb.lirc.empty()) Node(iface / "rc" / "rc0", "lirc", usb.lirc);
    if (usb.alsaCard >= 0) {
      std::string card = "card" + std::to_string(usb.alsaCard);
      auto sound = device / (usb.port + ":1.1") / "sound";
      Link(sound / card, "sound", card);
      Link(sound / card / ("pcmC" + std::to_string(usb.alsaCard) + "D0c"), "sound",
           "pcmC" + std::to_string(usb.alsaCard) + "D0c");
    }
  }

  void AddPci(const std::string& video, const std::string& vendor, const std::string& device) {
    auto dir = Sys() / "devices" / "pci0000:00" / ("0000:00:0" + video.substr(5) + ".0");
    std::filesystem::create_directories(dir);
    Write(dir / "vendor", "0x" + vendor);
    Write(dir / "device", "0x" + device);
    Node(dir / "video4linux", "video4linux", video);
  }

  // A card on the platform bus (no ids), as the kernel's test driver registers it, with its
  // other nodes beside the video node.
  void AddPlatform(const std::string& device, const std::vector<std::string>& nodes) {
    auto dir = Sys() / "devices" / "platform" / device / "video4linux";
    for (const auto& n : nodes) Node(dir, "video4linux", n);
  }
  // A LIRC node of no card (a separate receiver, the IR loopback).
  void AddVirtualLirc(const std::string& name) {
    Node(Sys() / "devices" / "virtual" / "rc" / "rc1", "lirc", name);
  }

  // A node in /dev only, unknown to sysfs.
  void AddBareNode(const std::string& name) { Write(Dev() / name, ""); }
  void RemoveNode(const std::string& name) { std::filesystem::remove(Dev() / name); }
  void RestoreNode(const std::string& name) { Write(Dev() / name, ""); }

  V4l2BackendOptions Options(std::shared_ptr<V4l2Io> io) const {
    V4l2BackendOptions o;
    o.io = std::move(io);
    o.deviceDir = Dev().string();
    o.sysfsRoot = Sys().string();
    o.videoSource =
        "videotestsrc is-live=true ! video/x-raw,format=YUY2,width=320,height=240,"
        "framerate=25/1";
    o.audioSource = "audiotestsrc is-live=true";
    o.settleTime = std::chrono::milliseconds(0);
    o.monitor = false;
    return o;
  }

 private:
  static void Write(const std::filesystem::path& file, const std::string& text) {
    std::ofstream(file) << text << "\n";
  }
  void Link(const std::filesystem::path& target, const std::string& cls, const std::string& name) {
    std::filesystem::create_directories(target);
    std::filesystem::create_directory_symlink(target, Sys() / "class" / cls / name);
  }
  void Node(const std::filesystem::path& dir, const std::string& cls, const std::string& name) {
    Link(dir / name, cls, name);
    Write(Dev() / name, "");
  }

  std::filesystem::path root_;
};

}  // namespace vd::test
