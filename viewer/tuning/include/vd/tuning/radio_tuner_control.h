// The FM radio variant: steps are frequency steps (frequency = step x step width). Also the
// ten presets of the radio keypad.
#pragma once

#include "tuner_control.h"

class RadioTunerControl : public TunerControl {
 public:
  static constexpr int kPresetCount = 10;

  RadioTunerControl(vd::KsPropertySet* props, vd::TuningContext& context);
  RadioTunerControl(vd::KsPropertySet* props, vd::TuningContext& context, vd::TunerFactory factory);

  bool Activate() override;
  uint32_t FrequencyOfStep(int32_t step) override;
  int32_t TuneStep(int32_t step) override;
  bool GetCurrentStep(int32_t* step) override;
  uint32_t SignalAt(int32_t step) override;
  uint32_t StepFrequency(int32_t step) override;

  // The memory key: returns the new store state (the key's bitmap shows it).
  bool ToggleMemory();
  bool IsStoring() const { return storing_; }
  // Station key n (0..9): selects station n, or while storing makes the current station
  // preset n by swapping the two.
  void StationKey(int n);

 private:
  bool storing_ = false;
};
