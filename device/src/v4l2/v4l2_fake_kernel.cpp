#include "vd/v4l2_fake_kernel.h"

#include <linux/lirc.h>
#include <linux/videodev2.h>
#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace vd::test {

namespace {
const std::map<std::string, uint32_t> kControlIds = {{"Brightness", V4L2_CID_BRIGHTNESS},
                                                     {"Contrast", V4L2_CID_CONTRAST},
                                                     {"Saturation", V4L2_CID_SATURATION},
                                                     {"Hue", V4L2_CID_HUE}};

FakeV4l2Control* ControlOf(FakeV4l2Card& card, uint32_t id) {
  for (auto& [name, cid] : kControlIds) {
    if (cid != id) continue;
    auto it = card.controls.find(name);
    return it == card.controls.end() ? nullptr : &it->second;
  }
  return nullptr;
}

void CopyName(uint8_t* to, size_t size, const std::string& from) {
  std::memset(to, 0, size);
  std::memcpy(to, from.data(), std::min(size - 1, from.size()));
}

// One ioctl on a node of a card, under the kernel's lock.
struct IoctlCall {
  FakeV4l2Card& card;
  bool video;  // which node of the card it was made on
  bool radio;
  bool vbi;
  bool lirc;
  unsigned long request;
  void* arg;
};

int QueryCap(const IoctlCall& call) {
  const FakeV4l2Card& card = call.card;
  auto* cap = static_cast<v4l2_capability*>(call.arg);
  *cap = {};
  CopyName(cap->card, sizeof cap->card, card.cardName);
  CopyName(cap->driver, sizeof cap->driver, card.driver);
  CopyName(cap->bus_info, sizeof cap->bus_info, card.busInfo);
  uint32_t c = 0;
  if (call.video) {
    c = (card.videoCapture ? V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_STREAMING : 0) |
        (card.tuner ? V4L2_CAP_TUNER | V4L2_CAP_AUDIO : 0);
  } else if (call.radio) {
    c = V4L2_CAP_RADIO | V4L2_CAP_TUNER;
  } else if (call.vbi) {
    c = card.slicedTeletext ? V4L2_CAP_SLICED_VBI_CAPTURE | V4L2_CAP_READWRITE : 0;
  } else {
    return -ENOTTY;
  }
  cap->capabilities = c | V4L2_CAP_DEVICE_CAPS;
  cap->device_caps = c;
  return 0;
}

int EnumInput(const IoctlCall& call) {
  const FakeV4l2Card& card = call.card;
  auto* in = static_cast<v4l2_input*>(call.arg);
  if (!call.video || in->index >= card.inputs.size()) return -EINVAL;
  const FakeV4l2Input& f = card.inputs[in->index];
  uint32_t index = in->index;
  *in = {};
  in->index = index;
  CopyName(in->name, sizeof in->name, f.name);
  in->type = f.tuner ? V4L2_INPUT_TYPE_TUNER : V4L2_INPUT_TYPE_CAMERA;
  in->std = card.standards;
  in->status = f.locked ? 0 : V4L2_IN_ST_NO_SIGNAL | V4L2_IN_ST_NO_H_LOCK;
  return 0;
}

int GetInput(const IoctlCall& call) {
  *static_cast<int*>(call.arg) = call.card.currentInput;
  return 0;
}

int SetInput(const IoctlCall& call) {
  FakeV4l2Card& card = call.card;
  int i = *static_cast<int*>(call.arg);
  if (i < 0 || static_cast<size_t>(i) >= card.inputs.size()) return -EINVAL;
  if (card.standardPerInput) {
    card.inputStandards[card.currentInput] = card.standard;
    auto kept = card.inputStandards.find(i);
    card.standard = kept != card.inputStandards.end() ? kept->second : 0x000000FF;
  }
  card.currentInput = i;
  return 0;
}

// One entry per standard bit the card knows.
int EnumStd(const IoctlCall& call) {
  auto* s = static_cast<v4l2_standard*>(call.arg);
  uint32_t n = 0;
  for (int bit = 0; bit < 64; ++bit) {
    v4l2_std_id id = v4l2_std_id{1} << bit;
    if ((call.card.standards & id) == 0) continue;
    if (n++ == s->index) {
      s->id = id;
      return 0;
    }
  }
  return -EINVAL;
}

int GetStd(const IoctlCall& call) {
  *static_cast<v4l2_std_id*>(call.arg) = call.card.standard;
  return 0;
}

int SetStd(const IoctlCall& call) {
  v4l2_std_id s = *static_cast<v4l2_std_id*>(call.arg);
  if ((s & call.card.standards) == 0) return -EINVAL;
  call.card.standard = s & call.card.standards;
  return 0;
}

int GetTuner(const IoctlCall& call) {
  const FakeV4l2Card& card = call.card;
  const bool radio = call.radio;
  auto* t = static_cast<v4l2_tuner*>(call.arg);
  if (t->index != 0 || (!radio && !card.tuner)) return -EINVAL;
  *t = {};
  t->type = radio ? V4L2_TUNER_RADIO : V4L2_TUNER_ANALOG_TV;
  bool low = radio ? card.radioCapLow : card.tunerCapLow;
  t->capability = (low ? V4L2_TUNER_CAP_LOW : 0) | V4L2_TUNER_CAP_STEREO | V4L2_TUNER_CAP_LANG2;
  t->rangelow = radio ? card.radioLow : card.tvLow;
  t->rangehigh = radio ? card.radioHigh : card.tvHigh;
  uint32_t f = radio ? card.radioFrequency : card.tvFrequency;
  t->signal = card.signal ? card.signal(radio, f) : 0;
  t->audmode = card.audmode;
  return 0;
}

int SetTuner(const IoctlCall& call) {
  auto* t = static_cast<const v4l2_tuner*>(call.arg);
  if (t->index != 0) return -EINVAL;
  call.card.audmode = t->audmode;
  return 0;
}

int GetFrequency(const IoctlCall& call) {
  auto* f = static_cast<v4l2_frequency*>(call.arg);
  f->type = call.radio ? V4L2_TUNER_RADIO : V4L2_TUNER_ANALOG_TV;
  f->frequency = call.radio ? call.card.radioFrequency : call.card.tvFrequency;
  return 0;
}

// The radio's bands; without a list of its own, the kernel's one FM band of the whole range.
std::vector<FakeV4l2Band> RadioBands(const FakeV4l2Card& card) {
  if (!card.radioBands.empty()) return card.radioBands;
  return {{card.radioLow, card.radioHigh, true}};
}

int EnumFreqBands(const IoctlCall& call) {
  auto* band = static_cast<v4l2_frequency_band*>(call.arg);
  const bool radio = call.radio;
  if (band->tuner != 0 || (!radio && !call.card.tuner)) return -EINVAL;
  const std::vector<FakeV4l2Band> bands =
      radio ? RadioBands(call.card)
            : std::vector<FakeV4l2Band>{{call.card.tvLow, call.card.tvHigh, false}};
  if (band->index >= bands.size()) return -EINVAL;
  const FakeV4l2Band& b = bands[band->index];
  band->type = radio ? V4L2_TUNER_RADIO : V4L2_TUNER_ANALOG_TV;
  band->capability =
      (radio ? call.card.radioCapLow : call.card.tunerCapLow) ? V4L2_TUNER_CAP_LOW : 0;
  band->rangelow = b.low;
  band->rangehigh = b.high;
  band->modulation = !radio ? V4L2_BAND_MODULATION_VSB
                     : b.fm ? V4L2_BAND_MODULATION_FM
                            : V4L2_BAND_MODULATION_AM;
  return 0;
}

int SetFrequency(const IoctlCall& call) {
  FakeV4l2Card& card = call.card;
  const bool radio = call.radio;
  auto* f = static_cast<const v4l2_frequency*>(call.arg);
  if (f->tuner != 0 || (!radio && !card.tuner)) return -EINVAL;
  // Drivers clamp rather than refuse, to the nearest edge of the nearest band.
  if (!radio) {
    card.tvFrequency = std::clamp(f->frequency, card.tvLow, card.tvHigh);
    return 0;
  }
  uint32_t best = 0, bestDistance = UINT32_MAX;
  for (const FakeV4l2Band& b : RadioBands(card)) {
    const uint32_t at = std::clamp(f->frequency, b.low, b.high);
    const uint32_t distance = at > f->frequency ? at - f->frequency : f->frequency - at;
    if (distance < bestDistance) {
      best = at;
      bestDistance = distance;
    }
  }
  card.radioFrequency = best;
  return 0;
}

int QueryCtrl(const IoctlCall& call) {
  auto* q = static_cast<v4l2_queryctrl*>(call.arg);
  FakeV4l2Control* c = ControlOf(call.card, q->id);
  if (c == nullptr) return -EINVAL;
  q->type = V4L2_CTRL_TYPE_INTEGER;
  q->minimum = c->min;
  q->maximum = c->max;
  q->step = c->step;
  q->default_value = c->defaultValue;
  q->flags = 0;
  return 0;
}

int GetCtrl(const IoctlCall& call) {
  auto* v = static_cast<v4l2_control*>(call.arg);
  FakeV4l2Control* c = ControlOf(call.card, v->id);
  if (c == nullptr) return -EINVAL;
  v->value = c->value;
  return 0;
}

int SetCtrl(const IoctlCall& call) {
  auto* v = static_cast<v4l2_control*>(call.arg);
  FakeV4l2Control* c = ControlOf(call.card, v->id);
  if (c == nullptr) return -EINVAL;
  if (v->value < c->min || v->value > c->max) return -ERANGE;
  c->value = v->value;
  return 0;
}

// As vivid on its TV and S-Video inputs: the card streams at its standard's rate (1001/30000 s
// for 525 lines, 1/25 s otherwise) and answers any other asked for with that one.
int Parm(const IoctlCall& call) {
  auto* p = static_cast<v4l2_streamparm*>(call.arg);
  if (!call.video || p->type != V4L2_BUF_TYPE_VIDEO_CAPTURE) return -EINVAL;
  p->parm.capture = {};
  p->parm.capture.capability = V4L2_CAP_TIMEPERFRAME;
  p->parm.capture.timeperframe =
      (call.card.standard & V4L2_STD_525_60) != 0 ? v4l2_fract{1001, 30000} : v4l2_fract{1, 25};
  p->parm.capture.readbuffers = 1;
  return 0;
}

int EnumFmt(const IoctlCall& call) {
  auto* f = static_cast<v4l2_fmtdesc*>(call.arg);
  if (f->index != 0 || f->type != V4L2_BUF_TYPE_VIDEO_CAPTURE) return -EINVAL;
  f->pixelformat = V4L2_PIX_FMT_YUYV;
  return 0;
}

// The sliced format of the VBI node: the services it offers, and the lines they take.
int SlicedVbiFmt(const IoctlCall& call, v4l2_sliced_vbi_format& sliced) {
  FakeV4l2Card& card = call.card;
  if (call.request == VIDIOC_G_FMT) sliced.service_set = card.vbiServices;
  sliced.service_set &= card.slicedTeletext ? V4L2_SLICED_TELETEXT_B | V4L2_SLICED_WSS_625 : 0;
  std::memset(sliced.service_lines, 0, sizeof sliced.service_lines);
  const bool teletext = (sliced.service_set & V4L2_SLICED_TELETEXT_B) != 0 &&
                        (!card.teletextNeedsWss || (sliced.service_set & V4L2_SLICED_WSS_625));
  for (int line = 7; teletext && line <= 18; ++line)
    sliced.service_lines[0][line] = sliced.service_lines[1][line] = V4L2_SLICED_TELETEXT_B;
  if (sliced.service_set & V4L2_SLICED_WSS_625) sliced.service_lines[0][23] = V4L2_SLICED_WSS_625;
  sliced.io_size = sizeof(v4l2_sliced_vbi_data);
  if (call.request == VIDIOC_S_FMT) {
    card.vbiServices = sliced.service_set;
    card.vbiTeletextLines = teletext ? 2 * (18 - 7 + 1) : 0;
  }
  return 0;
}

// VIDIOC_TRY_FMT, VIDIOC_S_FMT and VIDIOC_G_FMT.
int Fmt(const IoctlCall& call) {
  auto* f = static_cast<v4l2_format*>(call.arg);
  if (f->type == V4L2_BUF_TYPE_SLICED_VBI_CAPTURE && call.vbi)
    return SlicedVbiFmt(call, f->fmt.sliced);
  if (f->type != V4L2_BUF_TYPE_VIDEO_CAPTURE) return -EINVAL;
  if (call.request == VIDIOC_G_FMT) {
    f->fmt.pix.width = 720;
    f->fmt.pix.height = (call.card.standard & V4L2_STD_525_60) ? 480 : 576;
    f->fmt.pix.pixelformat = V4L2_PIX_FMT_YUYV;
    return 0;
  }
  f->fmt.pix.width = std::clamp(f->fmt.pix.width, 48u, 720u);
  f->fmt.pix.height = std::clamp(f->fmt.pix.height, 32u, 576u);
  f->fmt.pix.pixelformat = V4L2_PIX_FMT_YUYV;
  return 0;
}

int ReqBufs(const IoctlCall& call) {
  FakeV4l2Card& card = call.card;
  auto* r = static_cast<v4l2_requestbuffers*>(call.arg);
  if (!call.vbi || r->memory != V4L2_MEMORY_MMAP) return -EINVAL;
  if (r->type == V4L2_BUF_TYPE_SLICED_VBI_CAPTURE && card.slicedTeletext) {
    card.vbiQueueSliced = true;
  } else if (r->type == V4L2_BUF_TYPE_VBI_CAPTURE && card.rawVbiToo) {
    card.vbiQueueSliced = false;
  } else {
    return -EINVAL;
  }
  r->count = 0;  // the node keeps no buffers: only read() is scripted
  return 0;
}

int GetSlicedVbiCap(const IoctlCall& call) {
  auto* c = static_cast<v4l2_sliced_vbi_cap*>(call.arg);
  if (!call.vbi) return -EINVAL;
  c->service_set = call.card.slicedTeletext ? V4L2_SLICED_TELETEXT_B : 0;
  return 0;
}

int GetRecMode(const IoctlCall& call) {
  if (!call.lirc) return -ENOTTY;
  *static_cast<uint32_t*>(call.arg) = call.card.lircMode2 ? LIRC_MODE_MODE2 : LIRC_MODE_SCANCODE;
  return 0;
}

int SetRecMode(const IoctlCall& call) {
  if (!call.lirc) return -ENOTTY;
  return *static_cast<uint32_t*>(call.arg) == LIRC_MODE_MODE2 && call.card.lircMode2 ? 0 : -EINVAL;
}

struct IoctlHandler {
  unsigned long request;
  int (*handle)(const IoctlCall&);
};

// The ioctls the fake answers; any other answers ENOTTY.
constexpr IoctlHandler kIoctlHandlers[] = {
    {VIDIOC_QUERYCAP, QueryCap},
    {VIDIOC_ENUMINPUT, EnumInput},
    {VIDIOC_G_INPUT, GetInput},
    {VIDIOC_S_INPUT, SetInput},
    {VIDIOC_ENUMSTD, EnumStd},
    {VIDIOC_G_STD, GetStd},
    {VIDIOC_S_STD, SetStd},
    {VIDIOC_G_TUNER, GetTuner},
    {VIDIOC_S_TUNER, SetTuner},
    {VIDIOC_G_FREQUENCY, GetFrequency},
    {VIDIOC_S_FREQUENCY, SetFrequency},
    {VIDIOC_ENUM_FREQ_BANDS, EnumFreqBands},
    {VIDIOC_QUERYCTRL, QueryCtrl},
    {VIDIOC_G_CTRL, GetCtrl},
    {VIDIOC_S_CTRL, SetCtrl},
    {VIDIOC_G_PARM, Parm},
    {VIDIOC_S_PARM, Parm},
    {VIDIOC_ENUM_FMT, EnumFmt},
    {VIDIOC_TRY_FMT, Fmt},
    {VIDIOC_S_FMT, Fmt},
    {VIDIOC_G_FMT, Fmt},
    {VIDIOC_REQBUFS, ReqBufs},
    {VIDIOC_G_SLICED_VBI_CAP, GetSlicedVbiCap},
    {LIRC_GET_REC_MODE, GetRecMode},
    {LIRC_SET_REC_MODE, SetRecMode},
};
}  // namespace

uint16_t VividSignal(bool radio, uint32_t units) {
  // Falls off evenly from full strength on the station to nothing `reach` units away.
  auto slope = [](uint32_t distance, uint32_t reach) -> uint16_t {
    return distance >= reach ? 0 : static_cast<uint16_t>(0xFFFF - distance * 0xFFFF / reach);
  };
  if (!radio) {
    constexpr uint32_t kFirstCarrier = 788, kSpacing = 96;  // 49.25 and 6 MHz
    if (units + kSpacing / 2 < kFirstCarrier) return 0;
    const uint32_t offset = (units + kSpacing - kFirstCarrier) % kSpacing;
    const uint32_t distance = std::min(offset, kSpacing - offset);
    return distance <= 4 ? 0xFFFF : distance <= 16 ? 0x8000 : 0;  // 0.25 and 1 MHz
  }
  // The distance to the nearest multiple of `spacing`.
  auto off = [units](uint32_t spacing) {
    const uint32_t offset = units % spacing;
    return std::min(offset, spacing - offset);
  };
  constexpr uint32_t kMegahertz = 16000;
  if (units <= 1710 * 16) return slope(off(kMegahertz / 10), 80);         // AM: 0.1 MHz, 5 kHz
  if (units < 64 * kMegahertz - 800) return slope(off(kMegahertz), 800);  // short wave
  const uint32_t fromSpecial = units > 1528000 ? units - 1528000 : 1528000 - units;  // 95.5
  return slope(std::min(off(kMegahertz), fromSpecial), 800);                         // FM: 50 kHz
}

void MakeVivid(FakeV4l2Card& card) {
  card.cardName = "vivid";
  card.driver = "vivid";
  if (card.busInfo.empty()) card.busInfo = "platform:vivid-000";
  card.tunerCapLow = false;
  card.radioCapLow = true;
  card.tvLow = 704;      // 44 MHz
  card.tvHigh = 15328;   // 958 MHz
  card.radioLow = 8320;  // 0.52 MHz
  card.radioHigh = 1728000;
  card.radioBands = {{1024000, 1728000, true}, {8320, 27360, false}, {36800, 417600, false}};
  card.signal = VividSignal;
}

FakeV4l2Card& FakeV4l2Kernel::Add(FakeV4l2Card card) {
  std::lock_guard lock(mutex_);
  cards_.push_back(std::make_unique<FakeV4l2Card>(std::move(card)));
  return *cards_.back();
}

FakeV4l2Card* FakeV4l2Kernel::Card(const std::string& videoPath) {
  std::lock_guard lock(mutex_);
  for (auto& c : cards_)
    if (c->video == videoPath) return c.get();
  return nullptr;
}

void FakeV4l2Kernel::With(const std::string& videoPath,
                          const std::function<void(FakeV4l2Card&)>& f) {
  std::lock_guard lock(mutex_);
  for (auto& c : cards_)
    if (c->video == videoPath) f(*c);
}

int FakeV4l2Kernel::OpenCount() const {
  std::lock_guard lock(mutex_);
  return static_cast<int>(open_.size());
}

int FakeV4l2Kernel::Open(const std::string& path, int) {
  std::lock_guard lock(mutex_);
  for (auto& c : cards_) {
    Kind kind;
    if (path == c->video) {
      kind = Kind::kVideo;
    } else if (!c->radio.empty() && path == c->radio) {
      kind = Kind::kRadio;
    } else if (!c->vbi.empty() && path == c->vbi) {
      kind = Kind::kVbi;
    } else if (!c->lirc.empty() && path == c->lirc) {
      kind = Kind::kLirc;
    } else {
      continue;
    }
    if (c->gone) return -ENOENT;
    open_[nextFd_] = {c.get(), kind};
    return nextFd_++;
  }
  return -ENOENT;
}

int FakeV4l2Kernel::Close(int fd) {
  std::lock_guard lock(mutex_);
  return open_.erase(fd) == 1 ? 0 : -EBADF;
}

uint32_t FakeV4l2Kernel::MaxPriorityLocked(const FakeV4l2Card* card, Kind kind) const {
  uint32_t most = V4L2_PRIORITY_UNSET;
  for (const auto& [fd, node] : open_)
    if (node.card == card && node.kind == kind) most = std::max(most, node.priority);
  return most;
}

int FakeV4l2Kernel::Ioctl(int fd, unsigned long request, void* arg) {
  std::lock_guard lock(mutex_);
  auto it = open_.find(fd);
  if (it == open_.end()) return -EBADF;
  OpenNode& node = it->second;
  FakeV4l2Card& card = *node.card;
  ++card.ioctlCount;
  if (card.gone) return -ENODEV;
  if (card.failWith != 0) return -card.failWith;
  // As the kernel's priority rules: each handle has its own, a handle below the highest any
  // other holds on the node is refused every call that changes the card.
  if (request == VIDIOC_G_PRIORITY) {
    *static_cast<uint32_t*>(arg) = MaxPriorityLocked(&card, node.kind);
    return 0;
  }
  static constexpr unsigned long kChanging[] = {VIDIOC_S_PRIORITY,  VIDIOC_S_INPUT, VIDIOC_S_STD,
                                                VIDIOC_S_FREQUENCY, VIDIOC_S_TUNER, VIDIOC_S_CTRL,
                                                VIDIOC_S_FMT,       VIDIOC_S_PARM,  VIDIOC_REQBUFS};
  if (std::find(std::begin(kChanging), std::end(kChanging), request) != std::end(kChanging) &&
      node.priority < MaxPriorityLocked(&card, node.kind))
    return -EBUSY;
  if (request == VIDIOC_S_PRIORITY) {
    const uint32_t wanted = *static_cast<const uint32_t*>(arg);
    if (wanted < uint32_t{V4L2_PRIORITY_BACKGROUND} || wanted > uint32_t{V4L2_PRIORITY_RECORD})
      return -EINVAL;
    node.priority = wanted;
    return 0;
  }
  return IoctlLocked(card, node.kind, request, arg);
}

int FakeV4l2Kernel::IoctlLocked(FakeV4l2Card& card, Kind kind, unsigned long request, void* arg) {
  const IoctlCall call{card,
                       kind == Kind::kVideo,
                       kind == Kind::kRadio,
                       kind == Kind::kVbi,
                       kind == Kind::kLirc,
                       request,
                       arg};
  for (const IoctlHandler& handler : kIoctlHandlers)
    if (handler.request == request) return handler.handle(call);
  return -ENOTTY;
}

ssize_t FakeV4l2Kernel::Read(int fd, void* buffer, size_t size) {
  std::lock_guard lock(mutex_);
  auto it = open_.find(fd);
  if (it == open_.end()) return -EBADF;
  FakeV4l2Card& card = *it->second.card;
  if (card.gone) return -ENODEV;
  auto& queue = it->second.kind == Kind::kVbi ? card.vbiReads : card.lircReads;
  if (it->second.kind != Kind::kVbi && it->second.kind != Kind::kLirc) return -EINVAL;
  if (it->second.kind == Kind::kVbi && card.vbiTeletextLines == 0) return -EAGAIN;
  if (it->second.kind == Kind::kVbi && card.rawVbiToo && !card.vbiQueueSliced) {
    std::memset(buffer, 0x10, size);  // black-level samples, no sliced item among them
    return static_cast<ssize_t>(size);
  }
  if (queue.empty()) return -EAGAIN;
  std::vector<uint8_t> next = std::move(queue.front());
  queue.pop_front();
  size_t n = std::min(size, next.size());
  std::memcpy(buffer, next.data(), n);
  return static_cast<ssize_t>(n);
}

int FakeV4l2Kernel::Poll(int fd, short events, int) {
  std::lock_guard lock(mutex_);
  auto it = open_.find(fd);
  if (it == open_.end()) return -EBADF;
  FakeV4l2Card& card = *it->second.card;
  if (card.gone) return POLLERR | POLLHUP;
  auto& queue = it->second.kind == Kind::kVbi ? card.vbiReads : card.lircReads;
  return queue.empty() ? 0 : (events & POLLIN);
}

}  // namespace vd::test
