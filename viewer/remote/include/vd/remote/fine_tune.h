// The remote's fine tuning, done on the UI thread: moves the current station by a small step
// and tunes there. Radio stations take the new frequency as their name; TV stations keep
// their name and the panel shows the new frequency with the direction.
#pragma once

#include <cstdint>
#include <string>

#include "entry_host.h"
#include "station_list.h"
#include "tuner_port.h"

namespace vd {

class FineTune {
 public:
  FineTune(StationList& stations, TunerPort& tuner, EntryHost& host)
      : stations_(stations), tuner_(tuner), host_(host) {}

  // deltaHz is usually -50000 or +50000. False (and nothing changed) outside TV and radio,
  // without a current station, or when the step would leave the frequency range.
  bool Step(int32_t deltaHz, int panelInput);

  // "%.2f%s" of hz in MHz and " " (the radio name), "%.2f -" / "%.2f +" (the TV text).
  static std::string RadioName(uint32_t hz);
  static std::string TvText(uint32_t hz, bool up);

 private:
  StationList& stations_;
  TunerPort& tuner_;
  EntryHost& host_;
};

}  // namespace vd
