// Frame intervals (100 ns units) as the rates a film's header and a stream's caps say.
#pragma once

#include <cstdint>

namespace vd {

// The 525-line standards as a real card delivers them: 30000/1001 frames a second.
inline constexpr int64_t kNtscCardInterval = 333667;

// The frame rate of an interval exactly where it is a known one: whole rates, and the
// 525-line family's 30000/1001 and its multiples, which the cards deliver and a decimal
// rounding would drift from (3.6 s an hour at 30/1). False for any other interval.
inline constexpr bool ExactFrameRateOf(int64_t interval, int* numerator, int* denominator) {
  if (interval <= 0) return false;
  const double fps = 1e7 / static_cast<double>(interval);
  for (const int scale : {1, 1001}) {
    const double rate = scale == 1 ? fps : fps * 1.001;
    const auto whole = static_cast<int>(rate + 0.5);
    if (whole > 0 && rate - whole < 0.001 && whole - rate < 0.001) {
      *numerator = scale == 1 ? whole : whole * 1000;
      *denominator = scale;
      return true;
    }
  }
  return false;
}

}  // namespace vd
