// A scripted kernel for the V4L2 back-end's tests: cards described in plain terms (no
// kernel headers needed), answering the ioctls the back-end makes and recording what it
// set. Nodes are matched by path; a card can be made to fail every call or to vanish.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "vd/v4l2_io.h"

namespace vd::test {

struct FakeV4l2Control {
  int32_t min = 0;
  int32_t max = 255;
  int32_t step = 1;
  int32_t defaultValue = 128;
  int32_t value = 128;
};

struct FakeV4l2Input {
  std::string name;
  bool tuner = false;
  bool locked = true;  // status without NO_SIGNAL / NO_H_LOCK
};

// A band of the radio tuner as VIDIOC_ENUM_FREQ_BANDS lists it, in the radio's units.
struct FakeV4l2Band {
  uint32_t low = 0;
  uint32_t high = 0;
  bool fm = true;  // frequency modulation; false: AM
};

struct FakeV4l2Card {
  std::string video = "/dev/video0";
  std::string radio;  // empty: no radio node
  std::string vbi;
  std::string lirc;
  std::string cardName = "Fake TV Card";
  std::string driver = "fake";
  std::string busInfo;  // VIDIOC_QUERYCAP's bus_info, the same on every node of the card
  bool videoCapture = true;
  bool tuner = true;
  bool tunerCapLow = false;  // TV tuner in 62.5 Hz units instead of 62.5 kHz
  bool radioCapLow = true;
  uint32_t tvLow = 44000000 / 62500;  // in the tuner's units
  uint32_t tvHigh = 870000000 / 62500;
  uint32_t radioLow = 1400000;   // 87.5 MHz in 62.5 Hz
  uint32_t radioHigh = 1728000;  // 108 MHz
  // Empty: the driver lists no bands, and the kernel answers with the tuner's range as one
  // FM band. Otherwise the tuner moves a frequency outside them to the nearest band's edge.
  std::vector<FakeV4l2Band> radioBands;
  std::vector<FakeV4l2Input> inputs = {{"Television", true}, {"Composite1"}, {"S-Video"}};
  uint64_t standards = 0x00FFFFFF;  // kernel bits
  uint64_t standard = 0x000000FF;   // PAL
  // Each input keeps its own standard, as the kernel's vivid driver does: switching inputs
  // brings back that input's standard.
  bool standardPerInput = false;
  std::map<int, uint64_t> inputStandards;
  // The tuner's .signal at a frequency (kernel units); 0 everywhere by default.
  std::function<uint16_t(bool radio, uint32_t units)> signal;
  std::map<std::string, FakeV4l2Control> controls = {{"Brightness", {}},
                                                     {"Contrast", {0, 127, 1, 64, 64}},
                                                     {"Saturation", {}},
                                                     {"Hue", {-128, 127, 1, 0, 0}}};
  bool slicedTeletext = false;  // sliced teletext B and WSS on the VBI node
  // As the kernel's vivid: the teletext lines are given only when WSS is asked for too.
  bool teletextNeedsWss = false;
  // As vivid again: raw and sliced VBI share the node's one queue, and read() gives raw
  // samples until buffers of the sliced type are requested (the format alone does not
  // switch it).
  bool rawVbiToo = false;
  // What successive reads of the VBI and LIRC nodes return (a read of an empty queue: EAGAIN).
  std::deque<std::vector<uint8_t>> vbiReads;
  std::deque<std::vector<uint8_t>> lircReads;
  bool lircMode2 = true;
  int failWith = 0;   // non-zero: every ioctl answers -failWith
  bool gone = false;  // every call answers ENODEV, opens ENOENT

  // What the back-end set.
  uint32_t tvFrequency = 0;
  uint32_t radioFrequency = 0;
  uint32_t audmode = 0;
  int currentInput = 0;
  uint32_t vbiServices = 0;
  int vbiTeletextLines = 0;     // lines the sliced format gave to teletext; none: nothing to read
  bool vbiQueueSliced = false;  // the type of the last buffer request on the VBI node
  int ioctlCount = 0;
};

// The kernel's vivid driver, as measured in the virtual machine of the kernel tests: TV
// from 44 to 958 MHz with a carrier every 6 MHz from 49.25 MHz, full strength within
// 0.25 MHz of it and half within 1 MHz; radio from 0.52 to 108 MHz in three bands (FM
// 64-108, AM 0.52-1.71, short wave 2.3-26.1 MHz), a station on every 0.1 MHz of AM and on
// every whole megahertz of short wave and FM (and at 95.5 MHz), falling off evenly to
// nothing 5 kHz (AM) or 50 kHz away. The card's tuner, name and driver, and the first
// instance's bus info unless one is given; its other parts stay as given.
void MakeVivid(FakeV4l2Card& card);
// vivid's signal at a frequency in the tuner's units (62.5 kHz for TV, 62.5 Hz for radio).
uint16_t VividSignal(bool radio, uint32_t units);

class FakeV4l2Kernel final : public V4l2Io {
 public:
  FakeV4l2Card& Add(FakeV4l2Card card);
  // Null when no card has that video node. The reference stays valid while the kernel lives.
  FakeV4l2Card* Card(const std::string& videoPath);
  // Runs `f` on a card under the kernel's lock (for changes while the back-end runs).
  void With(const std::string& videoPath, const std::function<void(FakeV4l2Card&)>& f);

  int Open(const std::string& path, int flags) override;
  int Close(int fd) override;
  int Ioctl(int fd, unsigned long request, void* arg) override;
  ssize_t Read(int fd, void* buffer, size_t size) override;
  int Poll(int fd, short events, int timeoutMs) override;

  int OpenCount() const;

 private:
  enum class Kind { kVideo, kRadio, kVbi, kLirc };
  struct OpenNode {
    FakeV4l2Card* card;
    Kind kind;
    uint32_t priority = 2;  // V4L2_PRIORITY_DEFAULT
  };
  // The highest priority a handle on that node of the card holds.
  uint32_t MaxPriorityLocked(const FakeV4l2Card* card, Kind kind) const;
  int IoctlLocked(FakeV4l2Card& card, Kind kind, unsigned long request, void* arg);

  mutable std::mutex mutex_;
  std::vector<std::unique_ptr<FakeV4l2Card>> cards_;
  std::map<int, OpenNode> open_;
  int nextFd_ = 100;
};

}  // namespace vd::test
