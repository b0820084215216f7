#include "remote_fakes.h"

namespace vd::test {

int32_t FakeStations::IndexOfFrequency(uint32_t hz) const {
  for (int32_t i = 0; i < Count(); ++i) {
    if (stations[static_cast<size_t>(i)].hz == hz) return i;
  }
  return -1;
}

void FakeStations::Select(int32_t i) {
  selected.push_back(i);
  current = i;
  tuned.push_back(stations.at(static_cast<size_t>(i)).hz);
}

bool FakeStations::AddByFrequency(uint32_t hz) {
  const int32_t found = IndexOfFrequency(hz);
  if (found >= 0) {
    current = found;
    return true;
  }
  stations.push_back({hz, "new"});
  current = Count() - 1;
  return true;
}

bool FakeStations::GetTvLimits(uint32_t* min, uint32_t* max) {
  *min = tvMin;
  *max = tvMax;
  return limitsKnown;
}

}  // namespace vd::test
