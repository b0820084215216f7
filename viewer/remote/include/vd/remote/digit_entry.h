// Channel and frequency entry from digits (main commands 376..387): the keyboard, the
// panel's TV keypad and the remote all end up here. In TV the last three digits make a
// channel number of the current frequency plan; in radio up to five inputs with a decimal
// point make a frequency in MHz. The entry ends with Enter or when timer 213 fires.
#pragma once

#include <cstdint>
#include <string>

#include "entry_host.h"
#include "station_list.h"
#include "tuner_port.h"
#include "vd/layout/command_ids.h"

namespace vd {

class DigitEntry {
 public:
  static constexpr int kCommandDigit0 = command_id::kDigit0;
  static constexpr int kCommandDigit9 = command_id::kDigit9;
  static constexpr int kCommandEnter = command_id::kEnter;
  static constexpr int kCommandPoint = command_id::kPoint;
  // value / divisor above this is no FM frequency (and (1000000 / divisor) x value would
  // no longer fit).
  static constexpr int32_t kMaxRadioMhz = 2146;

  DigitEntry(StationList& stations, TunerPort& tuner, EntryHost& host)
      : stations_(stations), tuner_(tuner), host_(host) {}

  // One of the commands 376..387; false for any other id.
  bool OnCommand(int command);
  // Timer 213 fired: ends the entry as Enter does.
  void OnTimer() { OnCommand(kCommandEnter); }
  // Forgets a half-typed entry (the work mode changed).
  void Clear();

  int32_t Count() const { return count_; }
  int32_t Value() const { return value_; }
  int32_t PointPosition() const { return point_; }
  // The panel's text for the entry so far.
  std::string Text(bool radio) const;

 private:
  void AddDigit(int digit, bool radio);
  void AddPoint(bool radio);
  void EndRadio();
  void EndTv();

  StationList& stations_;
  TunerPort& tuner_;
  EntryHost& host_;
  int32_t count_ = 0;
  int32_t value_ = 0;
  int32_t point_ = 0;  // the input count at which the point came; 0 = none
};

}  // namespace vd
