// Drawing primitives shared by all of the skin's artwork, so that buttons, slider, lamps and
// panel backgrounds come out in one style: dark brushed metal, glossy rounded keys, white
// glyphs with a cyan accent for focus.
#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainterPath>
#include <QRectF>
#include <QString>

class QPainter;

namespace vd {

enum class ButtonLook { kNormal, kFocused, kPressed, kDisabled };

class SkinPainter {
 public:
  static QColor Graphite() { return QColor(0x3b, 0x40, 0x48); }
  static QColor Accent() { return QColor(0x4f, 0xd8, 0xff); }
  static QColor Shadow() { return QColor(0x14, 0x16, 0x1a); }

  static QFont Font(int pixelSize, bool bold = true);
  // A new image of that size, filled with the shadow colour (the part outside a button's
  // shape is masked off, but its edge pixels blend into it).
  static QImage NewImage(int width, int height);

  // A glossy key filling `path`.
  static void PaintBody(QPainter& p, const QPainterPath& path, const QColor& base, ButtonLook look);
  // Colour of glyphs and labels on a key in that look.
  static QColor GlyphColor(ButtonLook look, const QColor& normal = Qt::white);

  // Brushed metal over `area`; the seed keeps the grain the same from run to run.
  static void PaintBrushedMetal(QPainter& p, const QPainterPath& area, const QColor& tone,
                                unsigned seed);
  // Raised rim along the edge of `area`.
  static void PaintBevel(QPainter& p, const QPainterPath& area);
  // A sunken plate (display window, groove) with rounded corners.
  static void PaintRecess(QPainter& p, const QRectF& rect, double radius, const QColor& fill);
  // Small text cut into the metal.
  static void PaintEngravedText(QPainter& p, const QRectF& rect, const QString& text, int pixelSize,
                                int alignment);
  // A lamp: a glowing label when lit, a dark one when not.
  static void PaintLamp(QPainter& p, const QRectF& rect, const QColor& color, bool lit,
                        const QString& label, int pixelSize);
};

}  // namespace vd
