#include "vd/video/capture_statistics.h"

#include <cmath>
#include <cstdio>

namespace vd {

namespace {
std::string Format(const char* format, double value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return text;
}
std::string FormatCount(int64_t value) {
  char text[32];
  std::snprintf(text, sizeof text, "%ld", static_cast<long>(value));
  return text;
}
}  // namespace

double CaptureStatistics::SecondsOf(int64_t elapsedMs) {
  return static_cast<double>(elapsedMs / 1000) + static_cast<double>(elapsedMs / 100 % 10) / 10.0;
}

StatisticsRecord CaptureStatistics::Live(int64_t captured, int64_t dropped, int64_t elapsedMs,
                                         int64_t averageFrameSize) {
  return Final(captured, dropped, elapsedMs, averageFrameSize);
}

int64_t CaptureStatistics::BytesPerSecond(int64_t captured, int64_t durationMs,
                                          int64_t averageFrameSize) {
  if (durationMs < 1) return 0;
  return static_cast<int64_t>(static_cast<double>(captured) / static_cast<double>(durationMs) *
                              1000.0 * static_cast<double>(averageFrameSize));
}

StatisticsRecord CaptureStatistics::Final(int64_t captured, int64_t dropped, int64_t durationMs,
                                          int64_t averageFrameSize) {
  StatisticsRecord r;
  r.captured = captured;
  r.dropped = dropped;
  r.seconds = SecondsOf(durationMs);
  if (durationMs >= 1) {
    double fps = static_cast<double>(captured) * 1000.0 / static_cast<double>(durationMs);
    r.fps = std::trunc(fps * 10.0) / 10.0;
    int64_t bytes = BytesPerSecond(captured, durationMs, averageFrameSize);
    r.megabytesPerSecond = std::trunc(static_cast<double>(bytes) / 1000000.0 * 1000.0) / 1000.0;
  }
  return r;
}

StatisticsText CaptureStatistics::TextOf(const StatisticsRecord& record) {
  StatisticsText t;
  t.captured = FormatCount(record.captured);
  t.seconds = Format("%.1f Secs", record.seconds);
  t.dropped = FormatCount(record.dropped);
  t.fps = Format("%.1f fps", record.fps);
  t.rate = Format("%.1f mb\\sec", record.megabytesPerSecond);
  return t;
}

}  // namespace vd
