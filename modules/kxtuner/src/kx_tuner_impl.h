// The tuner object behind NewKXTuner: TV channels by index into TvChannelList, radio by
// frequency, everything through the device's tuner property set.
#pragma once

#include "kxtuner.h"
#include "vd/device_props.h"
#include "vd/hresult.h"
#include "vd/ks_property_set.h"

namespace vd {

class KXTunerImpl final : public ::KXTuner {
 public:
  // Holds a reference on `props` until Destroy.
  explicit KXTunerImpl(KsPropertySet* props);
  ~KXTunerImpl();
  KXTunerImpl(const KXTunerImpl&) = delete;
  KXTunerImpl& operator=(const KXTunerImpl&) = delete;

  void Destroy(uint32_t flag) override;
  int32_t GetTunerCaps(uint32_t* caps) override;
  int32_t GetModeInfo(uint32_t mode, uint32_t* min, uint32_t* max, uint32_t* step, uint32_t* a,
                      uint32_t* b) override;
  int32_t SetTunerMode(uint32_t mode) override;
  int32_t GetTunerKind(uint32_t* kind) override;
  int32_t SetFrequency(uint32_t hz) override;
  int32_t GetFrequency(uint32_t* hz) override;
  int32_t Reserved7() override;
  int32_t GetRadioSignal(uint32_t hz, uint32_t* present) override;
  int32_t GetChannelCount(uint32_t* last) override;
  int32_t SetChannel(uint32_t index) override;
  int32_t GetChannel(uint32_t* index) override;
  int32_t GetChannelSignal(uint32_t index, uint32_t* present) override;

 private:
  HResult GetU32(uint32_t id, uint32_t* value);
  HResult SetU32(uint32_t id, uint32_t value);
  HResult Range(uint32_t mode, TunerRange* range);
  // Tunes to hz unless the tuner is there already, then reads the signal strength.
  HResult SignalAt(uint32_t hz, uint32_t* present);

  KsPropertySetPtr props_;
  uint32_t mode_ = 0;  // 0 until the first SetTunerMode: the device's own mode rules
  uint32_t channel_ = 0;
};

}  // namespace vd
