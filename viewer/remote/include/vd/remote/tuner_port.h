// The tuner as fine tuning and digit entry use it: frequencies in Hz, the TV range and the
// frequency plan that numbers TV channels.
#pragma once

#include <cstdint>

struct ChannelBand;

namespace vd {

class TunerPort {
 public:
  virtual ~TunerPort() = default;

  virtual void SetFrequency(uint32_t hz) = 0;
  // The tuner's TV range, both ends included; false when the tuner cannot tell.
  virtual bool GetTvLimits(uint32_t* min, uint32_t* max) = 0;
  // The tuner's FM range, both ends included; false when the tuner cannot tell.
  virtual bool GetRadioLimits(uint32_t* min, uint32_t* max) {
    (void)min;
    (void)max;
    return false;
  }
  // The current country's plan for the current source; null when there is none.
  virtual const ChannelBand* ActiveBand() const = 0;
};

}  // namespace vd
