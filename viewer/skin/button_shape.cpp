#include "vd/skin/button_shape.h"

#include <QPolygon>
#include <array>
#include <vector>

namespace vd {

namespace {

enum class Kind { kRect, kPolygon, kEllipse };

struct ShapeData {
  Kind kind;
  int width;
  int height;
  std::vector<QPoint> points;
};

const std::array<ShapeData, ButtonShape::kCount>& Shapes() {
  static const std::array<ShapeData, ButtonShape::kCount> shapes = {{
      {Kind::kRect, 48, 14, {}},
      {Kind::kPolygon, 22, 27, {{7, 0}, {14, 0}, {22, 7}, {22, 27}, {0, 27}, {0, 7}}},
      {Kind::kPolygon, 22, 27, {{0, 0}, {22, 0}, {22, 18}, {16, 27}, {6, 27}, {0, 18}}},
      {Kind::kPolygon, 44, 23, {{0, 0}, {36, 0}, {42, 5}, {44, 11}, {42, 15}, {34, 23}, {0, 23}}},
      {Kind::kEllipse, 12, 12, {}},
      {Kind::kEllipse, 24, 24, {}},
      {Kind::kEllipse, 24, 24, {}},
      {Kind::kEllipse, 20, 20, {}},
      {Kind::kEllipse, 18, 18, {}},
      {Kind::kEllipse, 14, 14, {}},
      {Kind::kEllipse, 13, 12, {}},
      {Kind::kEllipse, 34, 18, {}},
      {Kind::kEllipse, 18, 18, {}},
      {Kind::kEllipse, 18, 17, {}},
  }};
  return shapes;
}

const ShapeData* Shape(int shape) {
  if (shape < 0 || shape >= ButtonShape::kCount) return nullptr;
  return &Shapes()[static_cast<size_t>(shape)];
}

}  // namespace

std::optional<QRegion> ButtonShape::Region(int shape) {
  const ShapeData* s = Shape(shape);
  if (s == nullptr) return std::nullopt;
  switch (s->kind) {
    case Kind::kRect:
      return QRegion(0, 0, s->width, s->height);
    case Kind::kEllipse:
      return QRegion(0, 0, s->width, s->height, QRegion::Ellipse);
    case Kind::kPolygon:
      return QRegion(QPolygon(QList<QPoint>(s->points.begin(), s->points.end())), Qt::WindingFill);
  }
  return std::nullopt;
}

std::optional<QPainterPath> ButtonShape::Path(int shape) {
  const ShapeData* s = Shape(shape);
  if (s == nullptr) return std::nullopt;
  QPainterPath path;
  path.setFillRule(Qt::WindingFill);
  switch (s->kind) {
    case Kind::kRect:
      path.addRect(0, 0, s->width, s->height);
      break;
    case Kind::kEllipse:
      path.addEllipse(0, 0, s->width, s->height);
      break;
    case Kind::kPolygon: {
      QPolygonF polygon;
      for (const QPoint& p : s->points) polygon << QPointF(p);
      polygon << QPointF(s->points.front());
      path.addPolygon(polygon);
      break;
    }
  }
  return path;
}

QSize ButtonShape::Box(int shape) {
  const ShapeData* s = Shape(shape);
  return s == nullptr ? QSize() : QSize(s->width, s->height);
}

}  // namespace vd
