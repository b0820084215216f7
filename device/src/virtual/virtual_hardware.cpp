#include "virtual_hardware.h"

#include <algorithm>
#include <condition_variable>
#include <cstdlib>
#include <thread>

namespace vd {

namespace {
constexpr uint32_t kDefaultStandard = standard::kNtscM;
constexpr uint32_t kLineToneHz = 1000;
// Register 7 is pulsed 5 then 0 to latch register 6 as the sound mode.
constexpr uint32_t kRegMode = 6;
constexpr uint32_t kRegStrobe = 7;
constexpr uint8_t kStrobeArmed = 5;
// Older key presses are forgotten; a bulk source that falls this far behind loses them.
constexpr size_t kKeyLogSize = 256;

VideoFormat DefaultVideo(uint32_t standard) {
  return {320, 240, kFourccYuy2, 16, standard::FrameIntervalOf(standard)};
}

VideoFormat DefaultStill(uint32_t standard) {
  bool pal = (standard & standard::kPalMask) != 0;
  return {pal ? 768 : 640, pal ? 576 : 480, kFourccRgb, 24, standard::FrameIntervalOf(standard)};
}
}  // namespace

VirtualHardware::VirtualHardware(VirtualBoxConfig config)
    : config_(std::move(config)),
      productId_(config_.productId),
      lockTime_(config_.lockTimeMs),
      standard_(kDefaultStandard),
      amp_{128, 128, 0, 128},
      capture_(DefaultVideo(kDefaultStandard)),
      preview_(DefaultVideo(kDefaultStandard)),
      still_(DefaultStill(kDefaultStandard)) {
  registers_[kRegMode] = static_cast<uint8_t>(AudioMode::kStereo);
  faults_ = config_.faults;
  // $VIEWDECK_VIRTUAL_BOX_UNPLUG_AFTER_MS (1-600000): the box is pulled out that long after
  // it is made, as by a user in the middle of a command (a fault for the tools' tests).
  if (const char* text = std::getenv("VIEWDECK_VIRTUAL_BOX_UNPLUG_AFTER_MS")) {
    const long ms = std::strtol(text, nullptr, 10);
    if (ms >= 1 && ms <= 600000) StartUnplugTimer(std::chrono::milliseconds(ms));
  }
}

void VirtualHardware::StartUnplugTimer(std::chrono::milliseconds after) {
  unplugTimer_ = std::jthread([this, after](std::stop_token stop) {
    std::mutex m;
    std::condition_variable_any wake;
    std::unique_lock lock(m);
    wake.wait_for(lock, stop, after, [] { return false; });
    if (!stop.stop_requested()) Unplug();
  });
}

bool VirtualHardware::HasPin(PinKind kind) const {
  switch (kind) {
    case PinKind::kPreview:
      return config_.previewPin;
    case PinKind::kStill:
      return config_.stillPin;
    case PinKind::kBulk:
      return config_.bulkPin;
    default:
      return true;
  }
}

bool VirtualHardware::IsPlugged() const {
  std::lock_guard lock(mutex_);
  return plugged_;
}

bool VirtualHardware::IsAlive(uint64_t generation) const {
  std::lock_guard lock(mutex_);
  return plugged_ && generation_.load(std::memory_order_acquire) == generation;
}

void VirtualHardware::Unplug() {
  std::vector<std::function<void(bool)>> listeners;
  std::vector<std::shared_ptr<StillListener>> stills;
  {
    std::lock_guard lock(mutex_);
    if (!plugged_) return;
    plugged_ = false;
    generation_.fetch_add(1, std::memory_order_acq_rel);
    for (auto& [id, l] : plugListeners_) listeners.push_back(l);
    stills = stillListeners_;
  }
  Touch();
  for (auto& s : stills) s->OnUnplugged();
  for (auto& l : listeners) l(false);
}

void VirtualHardware::Plug() {
  std::vector<std::function<void(bool)>> listeners;
  {
    std::lock_guard lock(mutex_);
    if (plugged_) return;
    plugged_ = true;
    for (auto& [id, l] : plugListeners_) listeners.push_back(l);
  }
  Touch();
  for (auto& l : listeners) l(true);
}

int VirtualHardware::AddPlugListener(std::function<void(bool)> listener) {
  std::lock_guard lock(mutex_);
  int id = nextListenerId_++;
  plugListeners_[id] = std::move(listener);
  return id;
}

void VirtualHardware::RemovePlugListener(int id) {
  std::lock_guard lock(mutex_);
  plugListeners_.erase(id);
}

// --- tuner

TunerRange VirtualHardware::RangeOf(uint32_t mode) {
  if (mode == kTunerModeRadio) return {87500000, 108000000, 50000};
  return {44000000, 870000000, 50000};
}

HResult VirtualHardware::SetTunerMode(uint32_t mode) {
  if (mode != kTunerModeTv && mode != kTunerModeRadio) return kEInvalidArg;
  std::lock_guard lock(mutex_);
  tunerMode_ = mode;
  settleAt_ = std::chrono::steady_clock::now() + lockTime_;
  Touch();
  return kSOk;
}

uint32_t VirtualHardware::TunerMode() const {
  std::lock_guard lock(mutex_);
  return tunerMode_;
}

HResult VirtualHardware::SetFrequency(uint32_t hz) {
  std::lock_guard lock(mutex_);
  TunerRange range = RangeOf(tunerMode_);
  if (hz < range.minHz || hz > range.maxHz) return kEInvalidArg;
  (tunerMode_ == kTunerModeRadio ? radioFrequency_ : tvFrequency_) = hz;
  settleAt_ = std::chrono::steady_clock::now() + lockTime_;
  Touch();
  return kSOk;
}

uint32_t VirtualHardware::Frequency() const {
  std::lock_guard lock(mutex_);
  return tunerMode_ == kTunerModeRadio ? radioFrequency_ : tvFrequency_;
}

void VirtualHardware::SetLockTime(std::chrono::milliseconds lockTime) {
  std::lock_guard lock(mutex_);
  lockTime_ = lockTime;
}

bool VirtualHardware::SettledLocked(std::chrono::steady_clock::time_point now) const {
  return now >= settleAt_;
}

std::optional<Station> VirtualHardware::StationLocked() const {
  if (faults_.signalLoss || !plugged_) return std::nullopt;
  if (tunerMode_ == kTunerModeRadio) return config_.sky.FmStationAt(radioFrequency_);
  return config_.sky.TvStationAt(tvFrequency_);
}

bool VirtualHardware::WaitForSignal() {
  for (;;) {
    std::chrono::steady_clock::time_point settleAt;
    {
      std::lock_guard lock(mutex_);
      auto now = std::chrono::steady_clock::now();
      if (SettledLocked(now)) return StationLocked().has_value();
      settleAt = settleAt_;
    }
    // A retune while we sleep moves the settling time; the loop looks again.
    std::this_thread::sleep_until(settleAt);
  }
}

// --- registers and I2C

HResult VirtualHardware::ReadRegister(uint32_t reg, uint8_t* value) const {
  if (reg >= 256) return kEInvalidArg;
  std::lock_guard lock(mutex_);
  *value = registers_[reg];
  return kSOk;
}

HResult VirtualHardware::WriteRegister(uint32_t reg, uint8_t value) {
  if (reg >= 256) return kEInvalidArg;
  std::lock_guard lock(mutex_);
  if (reg == kRegStrobe && value == 0 && registers_[kRegStrobe] == kStrobeArmed) {
    uint8_t mode = registers_[kRegMode];
    // Values other than the three modes leave the decoder as it was.
    if (mode <= static_cast<uint8_t>(AudioMode::kStereo)) audioMode_ = static_cast<AudioMode>(mode);
  }
  registers_[reg] = value;
  return kSOk;
}

AudioMode VirtualHardware::CurrentAudioMode() const {
  std::lock_guard lock(mutex_);
  return audioMode_;
}

HResult VirtualHardware::I2cWrite(uint8_t address, uint8_t reg, const uint8_t* values,
                                  size_t count) {
  if (address != kI2cTunerAddress) return kEFail;
  std::lock_guard lock(mutex_);
  for (size_t i = 0; i < count; ++i) i2cTuner_[(reg + i) & 0xFF] = values[i];
  return kSOk;
}

HResult VirtualHardware::I2cRead(uint8_t address, uint8_t reg, uint8_t* values,
                                 size_t count) const {
  if (address != kI2cTunerAddress) return kEFail;
  std::lock_guard lock(mutex_);
  for (size_t i = 0; i < count; ++i) values[i] = i2cTuner_[(reg + i) & 0xFF];
  return kSOk;
}

// --- crossbar

CrossbarPin VirtualHardware::InputPin(int32_t input) {
  switch (input) {
    case kInVideoTuner:
      return {physical::kVideoTuner, kInAudioTuner};
    case kInComposite:
      return {physical::kVideoComposite, kInAudioLine};
    case kInSVideo:
      return {physical::kVideoSVideo, kInAudioLine};
    case kInAudioTuner:
      return {physical::kAudioTuner, kInVideoTuner};
    case kInAudioRadio:
      return {physical::kAudioTuner, -1};
    case kInAudioLine:
      return {physical::kAudioLine, kInComposite};
    default:
      return {};
  }
}

bool VirtualHardware::CanRoute(int32_t output, int32_t input) {
  if (output == 0) return input >= kInVideoTuner && input <= kInSVideo;
  if (output == 1) return input >= kInAudioTuner && input <= kInAudioLine;
  return false;
}

HResult VirtualHardware::Route(int32_t output, int32_t input) {
  if (!CanRoute(output, input)) return kEInvalidArg;
  std::lock_guard lock(mutex_);
  (output == 0 ? videoRoute_ : audioRoute_) = input;
  Touch();
  return kSOk;
}

int32_t VirtualHardware::RoutedTo(int32_t output) const {
  std::lock_guard lock(mutex_);
  return output == 0 ? videoRoute_ : audioRoute_;
}

// --- decoder, amplifier, formats

uint32_t VirtualHardware::Standard() const {
  std::lock_guard lock(mutex_);
  return standard_;
}

void VirtualHardware::SetStandard(uint32_t standard) {
  std::lock_guard lock(mutex_);
  if (standard == standard_) return;
  int64_t oldDefault = standard::FrameIntervalOf(standard_);
  int64_t newDefault = standard::FrameIntervalOf(standard);
  standard_ = standard;
  // The standard's own rate follows the standard; a slower rate the engine chose stays.
  for (VideoFormat* f : {&capture_, &preview_}) {
    if (f->frameInterval == oldDefault) f->frameInterval = newDefault;
    f->frameInterval = std::max(f->frameInterval, newDefault);
  }
  still_ = DefaultStill(standard);
  Touch();
}

int32_t VirtualHardware::Amp(AmpProperty property) const {
  std::lock_guard lock(mutex_);
  return amp_[static_cast<int>(property)];
}

void VirtualHardware::SetAmp(AmpProperty property, int32_t value) {
  std::lock_guard lock(mutex_);
  amp_[static_cast<int>(property)] = value;
  Touch();
}

VideoFormat VirtualHardware::Format(PinKind pin) const {
  std::lock_guard lock(mutex_);
  return pin == PinKind::kStill ? still_ : pin == PinKind::kPreview ? preview_ : capture_;
}

void VirtualHardware::SetFormat(PinKind pin, const VideoFormat& format) {
  std::lock_guard lock(mutex_);
  (pin == PinKind::kStill ? still_ : pin == PinKind::kPreview ? preview_ : capture_) = format;
}

AudioFormat VirtualHardware::SoundFormat() const {
  std::lock_guard lock(mutex_);
  return sound_;
}

void VirtualHardware::SetSoundFormat(const AudioFormat& format) {
  std::lock_guard lock(mutex_);
  sound_ = format;
}

uint32_t VirtualHardware::VideoControlMode() const {
  std::lock_guard lock(mutex_);
  return videoControlMode_;
}

void VirtualHardware::SetVideoControlMode(uint32_t mode) {
  std::vector<std::shared_ptr<StillListener>> stills;
  {
    std::lock_guard lock(mutex_);
    videoControlMode_ = mode & kVideoControlExternalTriggerEnable;
    if ((mode & kVideoControlTrigger) != 0) stills = stillListeners_;
  }
  for (auto& s : stills) s->OnTrigger();
}

void VirtualHardware::PressSnapshotButton() {
  std::vector<std::shared_ptr<StillListener>> stills;
  std::vector<std::function<void()>> unheard;
  bool enabled = false;
  {
    std::lock_guard lock(mutex_);
    if (!plugged_) return;
    stills = stillListeners_;
    enabled = (videoControlMode_ & kVideoControlExternalTriggerEnable) != 0;
    for (const auto& [owner, handler] : unheardSnapshot_) unheard.push_back(handler);
  }
  // With the button switched off by the program (a snapshot of its own under way) the press
  // is meant to go; otherwise a press no running source took is heard as lost.
  if (!enabled && !stills.empty()) return;
  bool taken = false;
  for (auto& s : stills) taken = s->OnTrigger() || taken;
  if (!taken)
    for (auto& handler : unheard) handler();
}

void VirtualHardware::SetUnheardSnapshotHandler(const void* owner, std::function<void()> handler) {
  std::lock_guard lock(mutex_);
  if (handler) {
    unheardSnapshot_[owner] = std::move(handler);
  } else {
    unheardSnapshot_.erase(owner);
  }
}

void VirtualHardware::AddStillListener(const std::shared_ptr<StillListener>& listener) {
  std::lock_guard lock(mutex_);
  stillListeners_.push_back(listener);
}

void VirtualHardware::RemoveStillListener(const StillListener* listener) {
  std::lock_guard lock(mutex_);
  std::erase_if(stillListeners_, [&](const auto& l) { return l.get() == listener; });
}

// --- sources

Reception VirtualHardware::CurrentReception() const {
  std::lock_guard lock(mutex_);
  switch (videoRoute_) {
    case kInComposite:
      return {PictureSource::kComposite, "Composite", plugged_};
    case kInSVideo:
      return {PictureSource::kSVideo, "S-Video", plugged_};
    default:
      break;
  }
  if (tunerMode_ != kTunerModeTv || !SettledLocked(std::chrono::steady_clock::now()))
    return {PictureSource::kSnow, "", false};
  auto station = StationLocked();
  if (!station) return {PictureSource::kSnow, "", false};
  return {PictureSource::kStation, station->name, true};
}

SoundState VirtualHardware::CurrentSound() const {
  std::lock_guard lock(mutex_);
  SoundState sound;
  sound.mode = audioMode_;
  if (!plugged_) return sound;
  if (audioRoute_ == kInAudioLine) {
    sound.noise = false;
    sound.toneHz = kLineToneHz;
    return sound;
  }
  // The TV sound input hears only the TV tuner, the radio input only the radio.
  uint32_t wanted = audioRoute_ == kInAudioRadio ? kTunerModeRadio : kTunerModeTv;
  if (tunerMode_ != wanted || !SettledLocked(std::chrono::steady_clock::now())) return sound;
  if (auto station = StationLocked()) {
    sound.noise = false;
    sound.toneHz = station->toneHz;
  }
  return sound;
}

// --- faults and counters

VirtualBoxFaults VirtualHardware::Faults() const {
  std::lock_guard lock(mutex_);
  return faults_;
}

void VirtualHardware::SetFaults(const VirtualBoxFaults& faults) {
  std::lock_guard lock(mutex_);
  faults_ = faults;
  Touch();
}

void VirtualHardware::CountFrame(bool dropped, uint32_t bytes) {
  std::lock_guard lock(mutex_);
  if (dropped) {
    ++counts_.dropped;
    return;
  }
  ++counts_.notDropped;
  countedBytes_ += bytes;
  counts_.averageFrameSize = countedBytes_ / counts_.notDropped;
}

FrameCounts VirtualHardware::Counts() const {
  std::lock_guard lock(mutex_);
  return counts_;
}

// --- bulk

void VirtualHardware::PressRemoteKey(uint32_t code) {
  std::lock_guard lock(mutex_);
  keys_.push_back(code);
  if (keys_.size() > 2 * kKeyLogSize) {
    keyBase_ += keys_.size() - kKeyLogSize;
    keys_.erase(keys_.begin(), keys_.end() - kKeyLogSize);
  }
}

std::vector<uint32_t> VirtualHardware::KeysSince(uint64_t* serial) const {
  std::lock_guard lock(mutex_);
  uint64_t end = keyBase_ + keys_.size();
  uint64_t from = std::max(*serial, keyBase_);
  std::vector<uint32_t> out;
  for (uint64_t s = from; s < end; ++s) out.push_back(keys_[s - keyBase_]);
  *serial = end;
  return out;
}

uint64_t VirtualHardware::KeySerial() const {
  std::lock_guard lock(mutex_);
  return keyBase_ + keys_.size();
}

std::optional<std::string> VirtualHardware::BulkReplayFile() const {
  std::lock_guard lock(mutex_);
  return config_.bulkReplayFile;
}

void VirtualHardware::SetBulkReplayFile(std::optional<std::string> path) {
  std::lock_guard lock(mutex_);
  config_.bulkReplayFile = std::move(path);
}

std::optional<TeletextService> VirtualHardware::TeletextStation() const {
  std::lock_guard lock(mutex_);
  if (tunerMode_ != kTunerModeTv || videoRoute_ != kInVideoTuner ||
      !SettledLocked(std::chrono::steady_clock::now()))
    return std::nullopt;
  auto station = StationLocked();
  if (!station) return std::nullopt;
  return TeletextService{station->name, 0, station->language};
}

}  // namespace vd
