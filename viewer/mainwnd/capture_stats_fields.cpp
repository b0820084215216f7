#include "capture_stats_fields.h"

#include <algorithm>

namespace vd {

const char* CaptureStatsFields::Label(Field field) {
  switch (field) {
    case kCaptured:
      return "Captured:";
    case kSeconds:
      return "Time:";
    case kDropped:
      return "Dropped:";
    case kFps:
      return "Rate:";
    case kRate:
      return "Data:";
    case kDisk:
      return "Disk:";
    case kFieldCount:
      break;
  }
  return "";
}

void CaptureStatsFields::Show(const StatisticsText& text) {
  texts_[kCaptured] = text.captured;
  texts_[kSeconds] = text.seconds;
  texts_[kDropped] = text.dropped;
  texts_[kFps] = text.fps;
  texts_[kRate] = text.rate;
  texts_[kDisk] = text.disk;
}

int CaptureStatsFields::FieldsPerRow(int width) {
  return std::clamp((width - 2 * kPadding) / kMinCellWidth, 1, static_cast<int>(kFieldCount));
}

int CaptureStatsFields::RowsFor(int width) {
  const int perRow = FieldsPerRow(width);
  return (kFieldCount + perRow - 1) / perRow;
}

int CaptureStatsFields::HeightFor(int width) {
  return RowsFor(width) * kRowHeight + 2 * kPadding;
}

CaptureStatsFields::Cell CaptureStatsFields::CellOf(Field field, int width) {
  const int perRow = FieldsPerRow(width);
  const int inner = std::max(width - 2 * kPadding, 1);
  const int row = field / perRow;
  const int column = field % perRow;
  // Whole pixels: the last cell of a row takes what the division leaves over.
  const int x0 = kPadding + inner * column / perRow;
  const int x1 = kPadding + inner * (column + 1) / perRow;
  return {x0, kPadding + row * kRowHeight, x1 - x0, kRowHeight};
}

}  // namespace vd
