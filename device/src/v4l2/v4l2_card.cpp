#include "v4l2_card.h"

#include <fcntl.h>
#include <linux/videodev2.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstring>

#include "gst_support.h"
#include "v4l2_frame_hub.h"
#include "vd/frame_rate.h"
#include "vd/trace.h"
#include "vd/v4l2_backend.h"

VD_DEFINE_TRACE(V4l2Trace, "device")

namespace vd {

namespace {
constexpr int kMaxInputs = 32;

bool NameHas(const char* name, const char* word) {
  std::string lower(name);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return lower.find(word) != std::string::npos;
}

// Camera inputs say what they are only by name.
int32_t PhysicalOf(const v4l2_input& input) {
  if (input.type == V4L2_INPUT_TYPE_TUNER) return physical::kVideoTuner;
  const char* name = reinterpret_cast<const char*>(input.name);
  if (NameHas(name, "s-video") || NameHas(name, "svideo")) return physical::kVideoSVideo;
  return physical::kVideoComposite;
}
}  // namespace

V4l2Card::V4l2Card(std::shared_ptr<V4l2Io> io, V4l2Nodes nodes)
    : io_(std::move(io)), nodes_(std::move(nodes)) {
  capture = {320, 240, kFourccYuy2, 16, 400000};
  preview = capture;
  still = {640, 480, kFourccRgb, 24, 400000};
  Probe();
}

V4l2Card::~V4l2Card() {
  if (hub_) hub_->Stop();
  for (auto [node, fd] : fds_) io_->Close(fd);
}

std::shared_ptr<V4l2FrameHub> V4l2Card::Hub() {
  std::lock_guard lock(hubMutex_);
  if (!hub_) {
    hub_ = std::make_shared<V4l2FrameHub>(
        this, videoSource_.empty() ? kV4l2VideoSource + nodes_.video : videoSource_);
    std::weak_ptr<V4l2FrameHub> weak = hub_;
    AddGoneListener([weak] {
      if (auto hub = weak.lock()) hub->EndAll(kUnpluggedText);
    });
  }
  return hub_;
}

int V4l2Card::Check(int result) {
  if (result == -ENODEV || result == -ENXIO) MarkGone();
  return result;
}

int V4l2Card::Fd(Node node) {
  if (auto it = fds_.find(node); it != fds_.end()) return it->second;
  const std::string& path = node == Node::kVideo   ? nodes_.video
                            : node == Node::kRadio ? nodes_.radio
                            : node == Node::kVbi   ? nodes_.vbi
                                                   : nodes_.lirc;
  if (path.empty()) return -ENOENT;
  int flags = (node == Node::kVbi || node == Node::kLirc) ? O_RDONLY | O_NONBLOCK : O_RDWR;
  int fd = io_->Open(path, flags);
  if (fd == -ENOENT && node == Node::kVideo) fd = -ENODEV;  // the node itself went away
  if (fd < 0) {
    V4l2Trace("v4l2: cannot open %s: %s\n", path.c_str(), std::strerror(-fd));
    return fd;
  }
  fds_[node] = fd;
  return fd;
}

int V4l2Card::Ioctl(Node node, unsigned long request, void* arg) {
  if (!IsAlive()) return -ENODEV;
  int fd;
  {
    std::lock_guard lock(fdMutex_);
    fd = Fd(node);
  }
  if (fd < 0) return Check(fd);
  int result = io_->Ioctl(fd, request, arg);
  // Many refusals are answers (the end of a list, a control the card lacks), so they are
  // debug lines; what the program cannot do without is said where it is needed.
  if (result < 0) V4l2Trace("v4l2: ioctl 0x%lx: %s\n", request, std::strerror(-result));
  return Check(result);
}

ssize_t V4l2Card::Read(Node node, void* buffer, size_t size) {
  if (!IsAlive()) return -ENODEV;
  int fd;
  {
    std::lock_guard lock(fdMutex_);
    fd = Fd(node);
  }
  if (fd < 0) return Check(fd);
  ssize_t r = io_->Read(fd, buffer, size);
  if (r < 0) Check(static_cast<int>(r));
  return r;
}

int V4l2Card::Poll(Node node, short events, int timeoutMs) {
  if (!IsAlive()) return -ENODEV;
  int fd;
  {
    std::lock_guard lock(fdMutex_);
    fd = Fd(node);
  }
  if (fd < 0) return Check(fd);
  return Check(io_->Poll(fd, events, timeoutMs));
}

void V4l2Card::HoldRecordPriority() {
  std::lock_guard lock(priorityMutex_);
  if (recordHolds_++ > 0) return;
  uint32_t priority = V4L2_PRIORITY_RECORD;
  if (int r = Ioctl(Node::kVideo, VIDIOC_S_PRIORITY, &priority); r < 0)
    V4l2Trace("v4l2: %s keeps no record priority: %s\n", nodes_.video.c_str(), std::strerror(-r));
}

void V4l2Card::ReleaseRecordPriority() {
  std::lock_guard lock(priorityMutex_);
  if (recordHolds_ == 0 || --recordHolds_ > 0) return;
  uint32_t priority = V4L2_PRIORITY_DEFAULT;
  Ioctl(Node::kVideo, VIDIOC_S_PRIORITY, &priority);
}

bool V4l2Card::HeldByAnotherRecording() {
  {
    std::lock_guard lock(priorityMutex_);
    if (recordHolds_ > 0) return false;
  }
  // The kernel answers the highest priority any handle on the node holds.
  uint32_t priority = V4L2_PRIORITY_DEFAULT;
  return Ioctl(Node::kVideo, VIDIOC_G_PRIORITY, &priority) == 0 &&
         priority == uint32_t{V4L2_PRIORITY_RECORD};
}

void V4l2Card::MarkGone() {
  if (alive_.exchange(false, std::memory_order_acq_rel) == false) return;
  std::map<int, std::function<void()>> listeners;
  {
    std::lock_guard lock(listenerMutex_);
    listeners = listeners_;
  }
  for (auto& [id, listener] : listeners) listener();
}

int V4l2Card::AddGoneListener(std::function<void()> listener) {
  std::lock_guard lock(listenerMutex_);
  listeners_[nextListener_] = std::move(listener);
  return nextListener_++;
}

void V4l2Card::RemoveGoneListener(int id) {
  std::lock_guard lock(listenerMutex_);
  listeners_.erase(id);
}

void V4l2Card::Probe() {
  v4l2_capability cap{};
  if (int error = Ioctl(Node::kVideo, VIDIOC_QUERYCAP, &cap); error < 0) {
    vd::LogWrite("device", vd::LogLevel::kWarning, "v4l2: %s does not say what it is: %s",
                 nodes_.video.c_str(), std::strerror(-error));
    return;
  }
  uint32_t caps = (cap.capabilities & V4L2_CAP_DEVICE_CAPS) ? cap.device_caps : cap.capabilities;
  ProbeVideoInputs(caps);
  ProbeRadio();
  ProbeVbi();
  AddAudioInputs();
  ResetFrameIntervals();
}

int64_t V4l2Card::StandardInterval() {
  v4l2_streamparm parm{};
  parm.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  if (Ioctl(Node::kVideo, VIDIOC_G_PARM, &parm) == 0) {
    const v4l2_fract& t = parm.parm.capture.timeperframe;
    if (t.numerator > 0 && t.denominator > 0)
      return std::llround(1e7 * static_cast<double>(t.numerator) / t.denominator);
  }
  // A driver that keeps no rate streams at its standard's: 525 lines at 30000/1001.
  v4l2_std_id std = 0;
  if (Ioctl(Node::kVideo, VIDIOC_G_STD, &std) == 0 && (std & V4L2_STD_525_60) != 0)
    return kNtscCardInterval;
  return 400000;
}

void V4l2Card::ResetFrameIntervals() {
  const int64_t interval = StandardInterval();
  std::lock_guard lock(mutex_);
  capture.frameInterval = preview.frameInterval = still.frameInterval = interval;
}

void V4l2Card::ProbeVideoInputs(uint32_t caps) {
  for (int32_t i = 0; i < kMaxInputs; ++i) {
    v4l2_input input{};
    input.index = static_cast<uint32_t>(i);
    if (Ioctl(Node::kVideo, VIDIOC_ENUMINPUT, &input) < 0) break;
    inputs_.push_back({{PhysicalOf(input), -1}, i});
  }
  if ((caps & V4L2_CAP_TUNER) != 0) {
    v4l2_tuner tuner{};
    if (int error = Ioctl(Node::kVideo, VIDIOC_G_TUNER, &tuner); error == 0) {
      hasTuner_ = true;
      tunerCapLow_ = (tuner.capability & V4L2_TUNER_CAP_LOW) != 0;
    } else {
      vd::LogWrite("device", vd::LogLevel::kWarning,
                   "v4l2: %s has a tuner that does not answer (%s); its TV input is left out",
                   nodes_.video.c_str(), std::strerror(-error));
    }
  }
  // A tuner input on a card whose tuner does not answer cannot be used.
  if (!hasTuner_) {
    std::erase_if(inputs_,
                  [](const V4l2Input& in) { return in.pin.physicalType == physical::kVideoTuner; });
  }
}

void V4l2Card::ProbeRadio() {
  if (nodes_.radio.empty()) return;
  v4l2_capability radioCap{};
  v4l2_tuner tuner{};
  if (Ioctl(Node::kRadio, VIDIOC_QUERYCAP, &radioCap) == 0 &&
      (radioCap.capabilities & V4L2_CAP_RADIO) != 0 &&
      Ioctl(Node::kRadio, VIDIOC_G_TUNER, &tuner) == 0 && tuner.type == V4L2_TUNER_RADIO) {
    hasRadio_ = true;
    radioCapLow_ = (tuner.capability & V4L2_TUNER_CAP_LOW) != 0;
  }
}

void V4l2Card::ProbeVbi() {
  if (nodes_.vbi.empty()) return;
  v4l2_capability vbiCap{};
  v4l2_sliced_vbi_cap sliced{};
  sliced.type = V4L2_BUF_TYPE_SLICED_VBI_CAPTURE;
  hasSlicedTeletext_ = Ioctl(Node::kVbi, VIDIOC_QUERYCAP, &vbiCap) == 0 &&
                       (vbiCap.capabilities & V4L2_CAP_SLICED_VBI_CAPTURE) != 0 &&
                       Ioctl(Node::kVbi, VIDIOC_G_SLICED_VBI_CAP, &sliced) == 0 &&
                       (sliced.service_set & V4L2_SLICED_TELETEXT_B) != 0;
}

// Audio inputs follow the video ones: the tuner's sound, the radio's, and the line input
// that goes with the external video inputs.
void V4l2Card::AddAudioInputs() {
  auto indexOf = [&](int32_t type) -> int32_t {
    for (size_t i = 0; i < inputs_.size(); ++i)
      if (inputs_[i].pin.physicalType == type) return static_cast<int32_t>(i);
    return -1;
  };
  int32_t videoTuner = indexOf(physical::kVideoTuner);
  int32_t firstExternal = indexOf(physical::kVideoComposite);
  if (firstExternal < 0) firstExternal = indexOf(physical::kVideoSVideo);
  size_t videoCount = inputs_.size();
  if (videoTuner >= 0) {
    inputs_[static_cast<size_t>(videoTuner)].pin.relatedIndex = static_cast<int32_t>(videoCount);
    inputs_.push_back({{physical::kAudioTuner, videoTuner}, -1});
  }
  if (hasRadio_) inputs_.push_back({{physical::kAudioTuner, -1}, -1});
  if (firstExternal >= 0) {
    auto line = static_cast<int32_t>(inputs_.size());
    for (size_t i = 0; i < videoCount; ++i) {
      if (inputs_[i].pin.physicalType != physical::kVideoTuner) inputs_[i].pin.relatedIndex = line;
    }
    inputs_.push_back({{physical::kAudioLine, firstExternal}, -1});
  }
  if (videoCount < inputs_.size()) audioRoute = static_cast<int32_t>(videoCount);
}

}  // namespace vd
