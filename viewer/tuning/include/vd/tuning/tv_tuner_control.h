// The TV variant: steps are the tuner module's channel indices.
#pragma once

#include <functional>

#include "tuner_control.h"

class TvTunerControl : public TunerControl {
 public:
  static constexpr uint32_t kSettleMs = 500;
  // Finds the band to name stations by from "Country", "Country1" and "Source".
  using BandResolver =
      std::function<const ChannelBand*(int32_t country, int32_t country1, uint32_t source)>;

  TvTunerControl(vd::KsPropertySet* props, vd::TuningContext& context);
  TvTunerControl(vd::KsPropertySet* props, vd::TuningContext& context, vd::TunerFactory factory,
                 BandResolver bands = {});

  bool Activate() override;
  uint32_t FrequencyOfStep(int32_t step) override;
  int32_t TuneStep(int32_t step) override;
  bool GetCurrentStep(int32_t* step) override;
  uint32_t SignalAt(int32_t step) override;
  uint32_t StepFrequency(int32_t step) override;

  // Channel up or down with an empty table: steps the channel number from lastNumber through
  // the active band to the next one whose frequency lies within the tuner's TV limits and
  // tunes there. Returns that number, or -1 (with the beep, unless lastNumber was -1).
  int32_t TuneWithoutStations(int32_t lastNumber, bool up);
  // The channel number of the frequency the tuner is on, in the active band; -1 when the
  // band has no channel there.
  int32_t TunedChannel();
  // Where channel up or down starts with an empty table when the panel shows no number: the
  // channel the tuner is on, else just outside the band, so that the first step lands on the
  // band's first (up) or last (down) channel. -1 without a band.
  int32_t StartWithoutShownChannel(bool up);

 private:
  BandResolver bands_;
};
