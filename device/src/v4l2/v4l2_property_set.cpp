#include "v4l2_property_set.h"

#include <linux/videodev2.h>

#include <algorithm>
#include <cerrno>
#include <thread>

#include "../property_bytes.h"
#include "../property_support.h"
#include "v4l2_card.h"
#include "vd/device_props.h"
#include "vd/v4l2_backend.h"

namespace vd {

namespace {
using property_bytes::PutU32;
using property_bytes::ReadU32;
using property_bytes::WriteU32;

HResult ResultOf(int kernel) {
  if (kernel >= 0) return kSOk;
  if (kernel == -ENODEV || kernel == -ENXIO) return kEDeviceGone;
  if (kernel == -EBUSY) return kEDeviceBusy;  // another program's record priority
  if (kernel == -EINVAL || kernel == -ERANGE) return kEInvalidArg;
  return kEFail;
}
}  // namespace

uint32_t V4l2PropertySet::HzOfUnits(uint32_t units, bool low) {
  uint64_t hz = low ? (uint64_t{units} * 125 + 1) / 2 : uint64_t{units} * 62500;
  return hz > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(hz);
}

uint32_t V4l2PropertySet::UnitsOfHz(uint32_t hz, bool low) {
  return low ? static_cast<uint32_t>((uint64_t{hz} * 2 + 62) / 125)
             : static_cast<uint32_t>((uint64_t{hz} + 31250) / 62500);
}

KsPropertySet* V4l2PropertySet::Create(std::shared_ptr<V4l2Card> card, V4l2TunerOptions options) {
  return new V4l2PropertySet(std::move(card), options);  // owned by its count
}

V4l2PropertySet::V4l2PropertySet(std::shared_ptr<V4l2Card> card, V4l2TunerOptions options)
    : card_(std::move(card)), options_(options) {}

int64_t V4l2PropertySet::SupportOf(const Guid& set, uint32_t id) const {
  // Other makers' cards are not the product: the engine must not treat them as one.
  if (set == kPropSetProduct && card_->Nodes().vendor != kProductVendor) return -1;
  // A card without a tuner has no tuner facility: the engine runs it in composite mode.
  if (set == kPropSetTuner && !card_->HasTuner() && !card_->HasRadio()) return -1;
  return DevicePropertySupport(set, id);
}

HResult V4l2PropertySet::QuerySupported(const Guid& set, uint32_t id, uint32_t* support) {
  int64_t s = SupportOf(set, id);
  if (s < 0) return kEPropSetUnsupported;
  if (s == 0) return kEPropIdUnsupported;
  if (!card_->IsAlive()) return kEDeviceGone;
  if (support != nullptr) *support = static_cast<uint32_t>(s);
  return kSOk;
}

HResult V4l2PropertySet::Get(const Guid& set, uint32_t id, const void* instance,
                             uint32_t instanceLen, void* data, uint32_t dataLen,
                             uint32_t* returned) {
  int64_t s = SupportOf(set, id);
  if (s < 0) return kEPropSetUnsupported;
  if ((s & kPropertySupportGet) == 0) return kEPropIdUnsupported;
  if (!card_->IsAlive()) return kEDeviceGone;
  if (set == kPropSetProduct) return PutU32(card_->Nodes().product, data, dataLen, returned);
  if (set == kPropSetTuner) return GetTuner(id, instance, instanceLen, data, dataLen, returned);
  if (set == kPropSetAsic) {
    if (instance == nullptr || instanceLen < 4) return kEInvalidArg;
    if (data == nullptr) return kEPointer;
    if (dataLen < 1) return kEInvalidArg;
    uint32_t reg = ReadU32(instance);
    if (reg >= 256) return kEInvalidArg;
    std::lock_guard lock(card_->Mutex());
    *static_cast<uint8_t*>(data) = card_->registers[reg];
    if (returned != nullptr) *returned = 1;
    return kSOk;
  }
  // The kernel gives no general I2C access: no device answers on this bus.
  if (instance == nullptr || instanceLen < 3) return kEInvalidArg;
  return kEFail;
}

HResult V4l2PropertySet::Set(const Guid& set, uint32_t id, const void* instance,
                             uint32_t instanceLen, const void* data, uint32_t dataLen) {
  int64_t s = SupportOf(set, id);
  if (s < 0) return kEPropSetUnsupported;
  if ((s & kPropertySupportSet) == 0) return kEPropIdUnsupported;
  if (!card_->IsAlive()) return kEDeviceGone;
  if (set == kPropSetTuner) {
    if (data == nullptr) return kEPointer;
    if (dataLen < 4) return kEInvalidArg;
    return id == kTunerPropMode ? SetMode(ReadU32(data)) : SetFrequency(ReadU32(data));
  }
  if (set == kPropSetAsic) {
    if (instance == nullptr || instanceLen < 4) return kEInvalidArg;
    if (data == nullptr) return kEPointer;
    if (dataLen < 1) return kEInvalidArg;
    return WriteRegister(ReadU32(instance), *static_cast<const uint8_t*>(data));
  }
  if (data == nullptr) return kEPointer;
  if (dataLen < 2) return kEInvalidArg;
  return kEFail;
}

HResult V4l2PropertySet::GetTuner(uint32_t id, const void* instance, uint32_t instanceLen,
                                  void* data, uint32_t dataLen, uint32_t* returned) {
  switch (id) {
    case kTunerPropCaps:
      return PutU32(
          (card_->HasTuner() ? kTunerCapTv : 0) | (card_->HasRadio() ? kTunerCapRadio : 0), data,
          dataLen, returned);
    case kTunerPropMode: {
      std::lock_guard lock(card_->Mutex());
      return PutU32(card_->tunerMode, data, dataLen, returned);
    }
    case kTunerPropFrequency:
      return GetFrequency(data, dataLen, returned);
    case kTunerPropSignal:
    case kTunerPropStrength:
      return GetSignal(id == kTunerPropStrength, data, dataLen, returned);
    case kTunerPropRange:
      return GetRange(instance, instanceLen, data, dataLen, returned);
    default:
      return kEPropIdUnsupported;
  }
}

HResult V4l2PropertySet::GetFrequency(void* data, uint32_t dataLen, uint32_t* returned) {
  bool radio;
  {
    std::lock_guard lock(card_->Mutex());
    radio = card_->tunerMode == kTunerModeRadio;
  }
  v4l2_frequency f{};
  f.type = radio ? V4L2_TUNER_RADIO : V4L2_TUNER_ANALOG_TV;
  int r =
      card_->Ioctl(radio ? V4l2Card::Node::kRadio : V4l2Card::Node::kVideo, VIDIOC_G_FREQUENCY, &f);
  if (r < 0) return ResultOf(r);
  bool low = radio ? card_->RadioCapLow() : card_->TunerCapLow();
  return PutU32(HzOfUnits(f.frequency, low), data, dataLen, returned);
}

HResult V4l2PropertySet::GetSignal(bool strength, void* data, uint32_t dataLen,
                                   uint32_t* returned) {
  if (data == nullptr) return kEPointer;
  if (dataLen < 4) return kEInvalidArg;
  std::chrono::steady_clock::time_point settleAt;
  bool radio;
  {
    std::lock_guard lock(card_->Mutex());
    settleAt = card_->settleAt;
    radio = card_->tunerMode == kTunerModeRadio;
  }
  std::this_thread::sleep_until(settleAt);
  v4l2_tuner t{};
  int r = card_->Ioctl(radio ? V4l2Card::Node::kRadio : V4l2Card::Node::kVideo, VIDIOC_G_TUNER, &t);
  if (r < 0) return ResultOf(r);
  const auto signal = static_cast<uint32_t>(t.signal);
  const uint32_t answer = signal <= options_.signalThreshold ? 0 : strength ? signal : 1;
  return PutU32(answer, data, dataLen, returned);
}

HResult V4l2PropertySet::GetRange(const void* instance, uint32_t instanceLen, void* data,
                                  uint32_t dataLen, uint32_t* returned) {
  if (instance == nullptr || instanceLen < 4) return kEInvalidArg;
  uint32_t mode = ReadU32(instance);
  if (mode != kTunerModeTv && mode != kTunerModeRadio) return kEInvalidArg;
  if (data == nullptr) return kEPointer;
  if (dataLen < sizeof(TunerRange)) return kEInvalidArg;
  uint32_t lo = 0, hi = 0;
  if (HResult hr = Range(mode, &lo, &hi); Failed(hr)) return hr;
  bool low = mode == kTunerModeRadio ? card_->RadioCapLow() : card_->TunerCapLow();
  auto* out = static_cast<uint8_t*>(data);
  WriteU32(out, lo);
  WriteU32(out + 4, hi);
  WriteU32(out + 8, low ? 50000 : 62500);
  if (returned != nullptr) *returned = sizeof(TunerRange);
  return kSOk;
}

HResult V4l2PropertySet::Range(uint32_t mode, uint32_t* minHz, uint32_t* maxHz) {
  bool radio = mode == kTunerModeRadio;
  if (radio ? !card_->HasRadio() : !card_->HasTuner()) return kEInvalidArg;
  if (radio) return FmBand(minHz, maxHz);
  v4l2_tuner t{};
  int r = card_->Ioctl(radio ? V4l2Card::Node::kRadio : V4l2Card::Node::kVideo, VIDIOC_G_TUNER, &t);
  if (r < 0) return ResultOf(r);
  bool low = radio ? card_->RadioCapLow() : card_->TunerCapLow();
  *minHz = HzOfUnits(t.rangelow, low);
  *maxHz = HzOfUnits(t.rangehigh, low);
  if (*minHz > *maxHz) return kEFail;  // a driver answering nonsense
  return kSOk;
}

HResult V4l2PropertySet::FmBand(uint32_t* minHz, uint32_t* maxHz) {
  constexpr uint32_t kFmLow = 87500000, kFmHigh = 108000000;
  const bool low = card_->RadioCapLow();
  v4l2_tuner t{};
  int r = card_->Ioctl(V4l2Card::Node::kRadio, VIDIOC_G_TUNER, &t);
  if (r < 0) return ResultOf(r);
  uint32_t lo = HzOfUnits(t.rangelow, low), hi = HzOfUnits(t.rangehigh, low);
  // A tuner with AM and short wave lists them as bands of their own; the stations of the
  // viewer's radio are on the FM one.
  for (uint32_t index = 0; index < 16; ++index) {
    v4l2_frequency_band band{};
    band.type = V4L2_TUNER_RADIO;
    band.index = index;
    if (card_->Ioctl(V4l2Card::Node::kRadio, VIDIOC_ENUM_FREQ_BANDS, &band) < 0) break;
    if ((band.modulation & V4L2_BAND_MODULATION_FM) == 0) continue;
    lo = HzOfUnits(band.rangelow, low);
    hi = HzOfUnits(band.rangehigh, low);
    break;
  }
  if (lo > hi) return kEFail;  // a driver answering nonsense
  // Below 87.5 MHz lie the old eastern and Japanese FM bands; where they are part of the
  // band, the scan would fill the presets with them.
  if (lo < kFmHigh && hi > kFmLow) {
    lo = std::max(lo, kFmLow);
    hi = std::min(hi, kFmHigh);
  }
  *minHz = lo;
  *maxHz = hi;
  return kSOk;
}

HResult V4l2PropertySet::SetMode(uint32_t mode) {
  if (mode != kTunerModeTv && mode != kTunerModeRadio) return kEInvalidArg;
  if (mode == kTunerModeRadio ? !card_->HasRadio() : !card_->HasTuner()) return kEInvalidArg;
  uint32_t last;
  {
    std::lock_guard lock(card_->Mutex());
    card_->tunerMode = mode;
    last = mode == kTunerModeRadio ? card_->lastRadioHz : card_->lastTvHz;
  }
  return last != 0 ? SetFrequency(last) : kSOk;
}

HResult V4l2PropertySet::SetFrequency(uint32_t hz) {
  uint32_t mode;
  {
    std::lock_guard lock(card_->Mutex());
    mode = card_->tunerMode;
  }
  uint32_t lo = 0, hi = 0;
  if (HResult hr = Range(mode, &lo, &hi); Failed(hr)) return hr;
  if (hz < lo || hz > hi) return kEInvalidArg;
  bool radio = mode == kTunerModeRadio;
  v4l2_frequency f{};
  f.tuner = 0;
  f.type = radio ? V4L2_TUNER_RADIO : V4L2_TUNER_ANALOG_TV;
  f.frequency = UnitsOfHz(hz, radio ? card_->RadioCapLow() : card_->TunerCapLow());
  int r =
      card_->Ioctl(radio ? V4l2Card::Node::kRadio : V4l2Card::Node::kVideo, VIDIOC_S_FREQUENCY, &f);
  if (r < 0) return ResultOf(r);
  // Drivers move a frequency they cannot tune to one they can: the card is where it says.
  const bool low = radio ? card_->RadioCapLow() : card_->TunerCapLow();
  v4l2_frequency now{};
  now.type = f.type;
  if (card_->Ioctl(radio ? V4l2Card::Node::kRadio : V4l2Card::Node::kVideo, VIDIOC_G_FREQUENCY,
                   &now) >= 0)
    hz = HzOfUnits(now.frequency, low);
  std::lock_guard lock(card_->Mutex());
  (radio ? card_->lastRadioHz : card_->lastTvHz) = hz;
  card_->settleAt = std::chrono::steady_clock::now() + options_.settleTime;
  return kSOk;
}

HResult V4l2PropertySet::WriteRegister(uint32_t reg, uint8_t value) {
  if (reg >= 256) return kEInvalidArg;
  bool latch;
  uint8_t mode;
  {
    std::lock_guard lock(card_->Mutex());
    latch = reg == kRegStrobe && value == 0 && card_->registers[kRegStrobe] == kStrobeArmed;
    mode = card_->registers[kRegSoundMode];
    card_->registers[reg] = value;
  }
  return latch ? ApplySoundMode(mode) : kSOk;
}

HResult V4l2PropertySet::ApplySoundMode(uint8_t mode) {
  // Register 6 holds 0 mono, 1 second language, 2 stereo; other values change nothing.
  static constexpr uint32_t kAudmodes[] = {V4L2_TUNER_MODE_MONO, V4L2_TUNER_MODE_LANG2,
                                           V4L2_TUNER_MODE_STEREO};
  if (mode > 2 || !card_->HasTuner()) return kSOk;
  v4l2_tuner t{};
  int r = card_->Ioctl(V4l2Card::Node::kVideo, VIDIOC_G_TUNER, &t);
  if (r >= 0) {
    t.index = 0;
    t.audmode = kAudmodes[mode];
    r = card_->Ioctl(V4l2Card::Node::kVideo, VIDIOC_S_TUNER, &t);
  }
  return ResultOf(r);
}

}  // namespace vd
