// The FM radio variant: steps are frequency steps (frequency = step x step width). Also the
// ten presets of the radio keypad and the texts of the panel's radio display.
#pragma once

#include <string>

#include "tuner_control.h"

class RadioTunerControl : public TunerControl {
 public:
  static constexpr int kStationKeyFirst = 570;  // station keys 570..579 are presets 0..9
  static constexpr int kPresetCount = 10;
  static constexpr int kMemoryKey = 580;

  RadioTunerControl(vd::KsPropertySet* props, vd::TuningContext& context);
  RadioTunerControl(vd::KsPropertySet* props, vd::TuningContext& context, vd::TunerFactory factory);

  bool Activate() override;
  uint32_t FrequencyOfStep(int32_t step) override;
  int32_t TuneStep(int32_t step) override;
  bool GetCurrentStep(int32_t* step) override;
  bool SignalAt(int32_t step) override;
  uint32_t StepFrequency(int32_t step) override;

  // The memory key: returns the new store state (the key's bitmap shows it).
  bool ToggleMemory();
  bool IsStoring() const { return storing_; }
  // Station key n (0..9): selects station n, or while storing makes the current station
  // preset n by swapping the two.
  void StationKey(int n);
  // The keypad's command ids 570..580; false for any other id.
  bool HandleKeypadCommand(int commandId);

  // The panel's frequency text: "%.1f" MHz, padded to five characters (" 98.1", "101.7").
  static std::string FrequencyText(uint32_t hz);
  // "# %d" of index + 1.
  static std::string PositionText(int32_t index);
  // String 61284, a space and the station's name.
  static std::string NameText(const std::string& name);

 private:
  bool storing_ = false;
};
