// The station list of the current tuner mode as fine tuning and digit entry use it. The viewer
// implements it over the tuner control's CChannelTable (TuningPorts); tests use fakes.
#pragma once

#include <cstdint>
#include <string>

namespace vd {

class StationList {
 public:
  virtual ~StationList() = default;

  virtual int32_t Count() const = 0;
  // Index of the current station, -1 when there is none.
  virtual int32_t Current() const = 0;
  virtual uint32_t FrequencyAt(int32_t index) const = 0;
  // Index of the first station on exactly hz, -1 when none.
  virtual int32_t IndexOfFrequency(uint32_t hz) const = 0;

  virtual void SetFrequencyAt(int32_t index, uint32_t hz) = 0;
  virtual void Rename(int32_t index, const std::string& name) = 0;
  // Tunes to the station and makes it current.
  virtual void Select(int32_t index) = 0;
  // Makes the station on hz current, appending one when none is; false when the list is full.
  virtual bool AddByFrequency(uint32_t hz) = 0;
};

}  // namespace vd
