#include "kx_tuner_impl.h"

#include <algorithm>

#include "tv_channel_list.h"

namespace vd {

namespace {

// Kinds GetTunerKind reports: TV channels carry plan channel numbers, radio stations do not.
constexpr uint32_t kKindTvChannels = 1;
constexpr uint32_t kKindRadio = 2;
constexpr uint32_t kFullStrength = 0xFFFF;

}  // namespace

KXTunerImpl::KXTunerImpl(KsPropertySet* props) : props_(KsPropertySetPtr::Share(props)) {}

KXTunerImpl::~KXTunerImpl() = default;

void KXTunerImpl::Destroy(uint32_t flag) {
  if ((flag & 1u) != 0) delete this;
}

HResult KXTunerImpl::GetU32(uint32_t id, uint32_t* value) {
  uint32_t returned = 0;
  uint32_t v = 0;
  const HResult hr = props_->Get(kPropSetTuner, id, nullptr, 0, &v, sizeof v, &returned);
  if (Failed(hr)) return hr;
  if (returned != sizeof v) return kEFail;
  *value = v;
  return kSOk;
}

HResult KXTunerImpl::SetU32(uint32_t id, uint32_t value) {
  return props_->Set(kPropSetTuner, id, nullptr, 0, &value, sizeof value);
}

HResult KXTunerImpl::Range(uint32_t mode, TunerRange* range) {
  uint32_t returned = 0;
  TunerRange r{};
  const HResult hr =
      props_->Get(kPropSetTuner, kTunerPropRange, &mode, sizeof mode, &r, sizeof r, &returned);
  if (Failed(hr)) return hr;
  if (returned != sizeof r || r.stepHz == 0 || r.minHz > r.maxHz) return kEFail;
  *range = r;
  return kSOk;
}

int32_t KXTunerImpl::GetTunerCaps(uint32_t* caps) {
  if (caps == nullptr) return kEPointer;
  return GetU32(kTunerPropCaps, caps);
}

int32_t KXTunerImpl::GetModeInfo(uint32_t mode, uint32_t* min, uint32_t* max, uint32_t* step,
                                 uint32_t* a, uint32_t* b) {
  if (min == nullptr || max == nullptr || step == nullptr) return kEPointer;
  if (mode != kTunerModeTv && mode != kTunerModeRadio) return kEInvalidArg;
  TunerRange r{};
  if (const HResult hr = Range(mode, &r); Failed(hr)) return hr;
  *min = r.minHz;
  *max = r.maxHz;
  *step = r.stepHz;
  if (a != nullptr) *a = 0;
  if (b != nullptr) *b = 0;
  return kSOk;
}

int32_t KXTunerImpl::SetTunerMode(uint32_t mode) {
  if (mode != kTunerModeTv && mode != kTunerModeRadio) return kEInvalidArg;
  const HResult hr = SetU32(kTunerPropMode, mode);
  if (Succeeded(hr)) mode_ = mode;
  return hr;
}

int32_t KXTunerImpl::GetTunerKind(uint32_t* kind) {
  if (kind == nullptr) return kEPointer;
  uint32_t mode = mode_;
  if (mode == 0) {
    if (const HResult hr = GetU32(kTunerPropMode, &mode); Failed(hr)) return hr;
  }
  *kind = mode == kTunerModeRadio ? kKindRadio : kKindTvChannels;
  return kSOk;
}

int32_t KXTunerImpl::SetFrequency(uint32_t hz) {
  // The device checks the range too; checking here as well keeps a lenient device from
  // tuning somewhere the viewer's limits say does not exist.
  if (mode_ != 0) {
    TunerRange r{};
    if (Succeeded(Range(mode_, &r)) && (hz < r.minHz || hz > r.maxHz)) return kEInvalidArg;
  }
  const HResult hr = SetU32(kTunerPropFrequency, hz);
  if (Succeeded(hr)) {
    if (const auto index = TvChannelList::IndexOf(hz)) channel_ = *index;
  }
  return hr;
}

int32_t KXTunerImpl::GetFrequency(uint32_t* hz) {
  if (hz == nullptr) return kEPointer;
  return GetU32(kTunerPropFrequency, hz);
}

int32_t KXTunerImpl::Reserved7() {
  return kENotImpl;
}

HResult KXTunerImpl::SignalAt(uint32_t hz, uint32_t* present) {
  if (present == nullptr) return kEPointer;
  *present = 0;
  uint32_t tuned = 0;
  if (Failed(GetU32(kTunerPropFrequency, &tuned)) || tuned != hz) {
    if (const HResult hr = SetFrequency(hz); Failed(hr)) return hr;
  }
  uint32_t strength = 0;
  const HResult hr = GetU32(kTunerPropStrength, &strength);
  if (hr != kEPropIdUnsupported) {
    if (Failed(hr)) return hr;
    *present = std::min<uint32_t>(strength, kFullStrength);
    return kSOk;
  }
  // A device that only tells whether there is a station: full strength where there is one.
  uint32_t signal = 0;
  if (const HResult said = GetU32(kTunerPropSignal, &signal); Failed(said)) return said;
  *present = signal != 0 ? kFullStrength : 0;
  return kSOk;
}

int32_t KXTunerImpl::GetRadioSignal(uint32_t hz, uint32_t* present) {
  return SignalAt(hz, present);
}

int32_t KXTunerImpl::GetChannelCount(uint32_t* last) {
  if (last == nullptr) return kEPointer;
  *last = static_cast<uint32_t>(TvChannelList::Frequencies().size() - 1);
  return kSOk;
}

int32_t KXTunerImpl::SetChannel(uint32_t index) {
  const auto& list = TvChannelList::Frequencies();
  if (index >= list.size()) return kEInvalidArg;
  const HResult hr = SetFrequency(list[index]);
  if (Succeeded(hr)) channel_ = index;
  return hr;
}

int32_t KXTunerImpl::GetChannel(uint32_t* index) {
  if (index == nullptr) return kEPointer;
  *index = channel_;
  return kSOk;
}

int32_t KXTunerImpl::GetChannelSignal(uint32_t index, uint32_t* present) {
  if (present == nullptr) return kEPointer;
  *present = 0;
  const auto& list = TvChannelList::Frequencies();
  if (index >= list.size()) return kEInvalidArg;
  const HResult hr = SignalAt(list[index], present);
  if (Succeeded(hr)) channel_ = index;
  return hr;
}

}  // namespace vd
