// The arithmetic and the texts of the capture statistics, apart from where the counts come
// from, so that the rules are tested on their own.
#pragma once

#include <cstdint>

#include "capture_host.h"

namespace vd {

struct StatisticsRecord {
  int64_t captured = 0;
  int64_t dropped = 0;
  double seconds = 0;
  double fps = 0;
  double megabytesPerSecond = 0;
};

class CaptureStatistics {
 public:
  // Whole seconds plus tenths of an elapsed time in milliseconds.
  static double SecondsOf(int64_t elapsedMs);
  // The figures so far: the rates over the time elapsed, as the final ones are over the
  // whole capture.
  static StatisticsRecord Live(int64_t captured, int64_t dropped, int64_t elapsedMs,
                               int64_t averageFrameSize);
  // Final figures from the capture's duration and average frame size; a duration under
  // 1 ms gives 0 frames and 0 bytes per second.
  static StatisticsRecord Final(int64_t captured, int64_t dropped, int64_t durationMs,
                                int64_t averageFrameSize);
  static StatisticsText TextOf(const StatisticsRecord& record);
  // Bytes per second of the final figures (also what the status display shows).
  static int64_t BytesPerSecond(int64_t captured, int64_t durationMs, int64_t averageFrameSize);
};

}  // namespace vd
