// The click areas of the skinned buttons, by shape index 0..13, in button coordinates.
// Polygons are filled with the winding rule. The artwork is drawn from the same outlines.
#pragma once

#include <QPainterPath>
#include <QRegion>
#include <QSize>
#include <optional>

namespace vd {

class ButtonShape {
 public:
  static constexpr int kCount = 14;

  // Nothing for an index outside 0..13.
  static std::optional<QRegion> Region(int shape);
  static std::optional<QPainterPath> Path(int shape);
  // The bounding box of the shape.
  static QSize Box(int shape);
};

}  // namespace vd
