#include "vd/video/disk_budget.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace vd {

namespace {
// An AVI chunk's header and its index entry.
constexpr double kChunkOverhead = 8 + 16;
}  // namespace

int64_t DiskBudget::FileCapacity(int64_t heldBytes, int64_t freeBytes, int64_t marginBytes) {
  return std::max<int64_t>(heldBytes, 0) + std::max<int64_t>(freeBytes - marginBytes, 0);
}

std::string DiskBudget::TextOfSize(int64_t bytes) {
  constexpr int64_t kMb = int64_t{1} << 20;
  bytes = std::max<int64_t>(bytes, 0);
  return bytes >= 1024 * kMb ? std::to_string(bytes / (1024 * kMb)) + " GB"
                             : std::to_string(bytes / kMb) + " MB";
}

double DiskBudget::SecondsLeft(int64_t capacityBytes, int64_t fileBytes, double bytesPerSecond) {
  if (!(bytesPerSecond > 0)) return -1;
  return static_cast<double>(std::max<int64_t>(capacityBytes - fileBytes, 0)) / bytesPerSecond;
}

std::string DiskBudget::TextOf(double seconds) {
  if (!(seconds >= 0)) return "";
  char text[32];
  const auto whole = static_cast<int64_t>(seconds);
  if (whole >= 100 * 3600) {
    return "> 99 h";
  } else if (whole >= 3600) {
    std::snprintf(text, sizeof text, "%d h %02d min", static_cast<int>(whole / 3600),
                  static_cast<int>(whole % 3600 / 60));
  } else if (whole >= 60) {
    std::snprintf(text, sizeof text, "%d min", static_cast<int>(whole / 60));
  } else {
    std::snprintf(text, sizeof text, "%d sec", static_cast<int>(whole));
  }
  return text;
}

double DiskBudget::ExpectedBytesPerSecond(const RecordingFormat& format, int32_t width,
                                          int32_t height, double framesPerSecond,
                                          int64_t audioBytesPerSecond) {
  if (width <= 0 || height <= 0 || !(framesPerSecond > 0)) return 0;
  const double pixels = static_cast<double>(width) * static_cast<double>(height);
  const double frameBytes =
      RecordingFormat::RowOf(format.codec).frameBytes(format, pixels, framesPerSecond);
  return (frameBytes + kChunkOverhead) * framesPerSecond +
         static_cast<double>(std::max<int64_t>(audioBytesPerSecond, 0));
}

}  // namespace vd
