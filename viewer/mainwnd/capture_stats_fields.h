// The capture-statistics bar without its widgets: the labelled fields, what a reset
// shows, and how the fields are arranged in rows for a given bar width, so that the bar stays
// readable in a narrow window.
#pragma once

#include <array>
#include <string>

#include "vd/video/capture_host.h"

namespace vd {

class CaptureStatsFields {
 public:
  enum Field { kCaptured = 0, kSeconds, kDropped, kFps, kRate, kDisk, kFieldCount };

  // One field's cell in the bar, in pixels relative to the bar.
  struct Cell {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
  };

  static constexpr int kRowHeight = 17;
  static constexpr int kPadding = 2;
  // The narrowest cell that still shows a label and a value such as "12345.6 Secs".
  static constexpr int kMinCellWidth = 104;

  static const char* Label(Field field);

  // The texts the capture engine formatted ("%ld", "%.1f Secs", ...), shown as they are.
  void Show(const StatisticsText& text);
  // Blanks in all fields.
  void Reset() { Show(StatisticsText{}); }
  const std::string& Text(Field field) const { return texts_[field]; }

  static int FieldsPerRow(int width);
  static int RowsFor(int width);
  // The bar's height for a width: what the video area gives up at the bottom.
  static int HeightFor(int width);
  static Cell CellOf(Field field, int width);

 private:
  std::array<std::string, kFieldCount> texts_;
};

}  // namespace vd
