// The station list and tuner of the current mode's tuner control, as fine tuning and digit
// entry see them. Holds a reference only: the capture engine replaces the tuner control when
// the work mode changes, so the main window makes a new TuningPorts for each control.
#pragma once

#include "station_list.h"
#include "tuner_port.h"

class TunerControl;
class CChannelTable;

namespace vd {

class TuningPorts : public StationList, public TunerPort {
 public:
  explicit TuningPorts(TunerControl& control) : control_(control) {}

  int32_t Count() const override;
  int32_t Current() const override;
  uint32_t FrequencyAt(int32_t index) const override;
  int32_t IndexOfFrequency(uint32_t hz) const override;
  void SetFrequencyAt(int32_t index, uint32_t hz) override;
  void Rename(int32_t index, const std::string& name) override;
  void Select(int32_t index) override;
  bool AddByFrequency(uint32_t hz) override;

  void SetFrequency(uint32_t hz) override;
  bool GetTvLimits(uint32_t* min, uint32_t* max) override;
  bool GetRadioLimits(uint32_t* min, uint32_t* max) override;
  const ChannelBand* ActiveBand() const override;

 private:
  CChannelTable* Table() const;

  TunerControl& control_;
};

}  // namespace vd
