#include "vd/skin/skin_painter.h"

#include <QLinearGradient>
#include <QPainter>
#include <QRadialGradient>
#include <random>

namespace vd {

QFont SkinPainter::Font(int pixelSize, bool bold) {
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setPixelSize(pixelSize);
  font.setBold(bold);
  font.setHintingPreference(QFont::PreferFullHinting);
  font.setStyleStrategy(QFont::PreferAntialias);
  return font;
}

QImage SkinPainter::NewImage(int width, int height) {
  QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
  image.fill(Shadow());
  return image;
}

namespace {

// The key's body from top to bottom, in the shades of its look.
QLinearGradient BodyFill(const QRectF& box, const QColor& base, ButtonLook look) {
  QColor top = base.lighter(165);
  QColor middle = base;
  QColor bottom = base.darker(170);
  switch (look) {
    case ButtonLook::kNormal:
      break;
    case ButtonLook::kFocused:
      top = base.lighter(210);
      middle = base.lighter(135);
      bottom = base.darker(130);
      break;
    case ButtonLook::kPressed:
      // Lit from below: the key looks pushed into the panel.
      top = base.darker(190);
      middle = base.darker(130);
      bottom = base.lighter(120);
      break;
    case ButtonLook::kDisabled: {
      int gray = qGray(base.rgb());
      QColor flat(gray, gray, gray);
      top = flat.darker(110);
      middle = flat.darker(140);
      bottom = flat.darker(180);
      break;
    }
  }
  QLinearGradient fill(box.topLeft(), box.bottomLeft());
  fill.setColorAt(0.0, top);
  fill.setColorAt(0.48, middle);
  fill.setColorAt(1.0, bottom);
  return fill;
}

}  // namespace

void SkinPainter::PaintBody(QPainter& p, const QPainterPath& path, const QColor& base,
                            ButtonLook look) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF box = path.boundingRect();

  p.fillPath(path, BodyFill(box, base, look));

  p.setClipPath(path, Qt::IntersectClip);
  if (look != ButtonLook::kPressed && look != ButtonLook::kDisabled) {
    // The gloss: a soft highlight over the upper half.
    QRectF gloss(box.left() + box.width() * 0.08, box.top() - box.height() * 0.25,
                 box.width() * 0.84, box.height() * 0.75);
    QLinearGradient shine(gloss.topLeft(), gloss.bottomLeft());
    shine.setColorAt(0.0, QColor(255, 255, 255, look == ButtonLook::kFocused ? 150 : 115));
    shine.setColorAt(1.0, QColor(255, 255, 255, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(shine);
    p.drawEllipse(gloss);
  }
  if (look == ButtonLook::kPressed) {
    QRadialGradient dip(box.center(), std::max(box.width(), box.height()) * 0.7);
    dip.setColorAt(0.0, QColor(0, 0, 0, 0));
    dip.setColorAt(1.0, QColor(0, 0, 0, 110));
    p.fillPath(path, dip);
  }
  p.setClipping(false);

  // Rim: a dark outline, and a cyan halo for the key that has the focus.
  p.setBrush(Qt::NoBrush);
  QColor rim = look == ButtonLook::kFocused ? Accent() : QColor(0, 0, 0, 200);
  p.setPen(QPen(rim, look == ButtonLook::kFocused ? 1.4 : 1.0));
  p.drawPath(path);
  p.restore();
}

QColor SkinPainter::GlyphColor(ButtonLook look, const QColor& normal) {
  switch (look) {
    case ButtonLook::kNormal:
      return normal;
    case ButtonLook::kFocused:
      return normal == QColor(Qt::white) ? QColor(Qt::white) : normal.lighter(130);
    case ButtonLook::kPressed:
      return Accent();
    case ButtonLook::kDisabled:
      return QColor(0x80, 0x84, 0x8a);
  }
  return normal;
}

void SkinPainter::PaintBrushedMetal(QPainter& p, const QPainterPath& area, const QColor& tone,
                                    unsigned seed) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF box = area.boundingRect();
  QLinearGradient sheen(box.topLeft(), box.bottomLeft());
  sheen.setColorAt(0.0, tone.lighter(150));
  sheen.setColorAt(0.12, tone.lighter(115));
  sheen.setColorAt(0.55, tone);
  sheen.setColorAt(1.0, tone.darker(150));
  p.fillPath(area, sheen);

  p.setClipPath(area, Qt::IntersectClip);
  std::mt19937 grain(seed);
  std::uniform_int_distribution<int> alpha(6, 26);
  std::uniform_int_distribution<int> light(0, 1);
  std::uniform_real_distribution<double> span(0.2, 1.0);
  p.setRenderHint(QPainter::Antialiasing, false);
  for (int y = static_cast<int>(box.top()); y < box.bottom(); ++y) {
    // Several streaks per line, each a little lighter or darker than the metal.
    for (int k = 0; k < 3; ++k) {
      QColor c =
          light(grain) != 0 ? QColor(255, 255, 255, alpha(grain)) : QColor(0, 0, 0, alpha(grain));
      double length = box.width() * span(grain);
      double start = box.left() + (box.width() - length) * span(grain);
      p.setPen(c);
      p.drawLine(QPointF(start, y + 0.5), QPointF(start + length, y + 0.5));
    }
  }
  p.restore();
}

void SkinPainter::PaintBevel(QPainter& p, const QPainterPath& area) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(QColor(0, 0, 0, 220), 2.0));
  p.drawPath(area);
  p.setClipPath(area);
  const QRectF box = area.boundingRect();
  QLinearGradient edge(box.topLeft(), box.bottomLeft());
  edge.setColorAt(0.0, QColor(255, 255, 255, 150));
  edge.setColorAt(0.5, QColor(255, 255, 255, 40));
  edge.setColorAt(1.0, QColor(0, 0, 0, 120));
  p.setPen(QPen(QBrush(edge), 3.0));
  p.drawPath(area);
  p.restore();
}

void SkinPainter::PaintRecess(QPainter& p, const QRectF& rect, double radius, const QColor& fill) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  QPainterPath path;
  path.addRoundedRect(rect, radius, radius);
  QLinearGradient inner(rect.topLeft(), rect.bottomLeft());
  inner.setColorAt(0.0, fill.darker(160));
  inner.setColorAt(0.25, fill);
  inner.setColorAt(1.0, fill.lighter(115));
  p.fillPath(path, inner);
  // Shadow along the top edge, light along the bottom: cut into the metal.
  p.setPen(QPen(QColor(0, 0, 0, 170), 1.0));
  p.drawLine(QPointF(rect.left() + radius, rect.top() + 0.5),
             QPointF(rect.right() - radius, rect.top() + 0.5));
  p.setPen(QPen(QColor(255, 255, 255, 70), 1.0));
  p.drawLine(QPointF(rect.left() + radius, rect.bottom() - 0.5),
             QPointF(rect.right() - radius, rect.bottom() - 0.5));
  p.setPen(QPen(QColor(0, 0, 0, 120), 1.0));
  p.setBrush(Qt::NoBrush);
  p.drawPath(path);
  p.restore();
}

void SkinPainter::PaintEngravedText(QPainter& p, const QRectF& rect, const QString& text,
                                    int pixelSize, int alignment) {
  p.save();
  p.setRenderHint(QPainter::TextAntialiasing);
  p.setFont(Font(pixelSize));
  p.setPen(QColor(0, 0, 0, 170));
  p.drawText(rect.translated(0, 1), alignment, text);
  p.setPen(QColor(0xd8, 0xdc, 0xe2));
  p.drawText(rect, alignment, text);
  p.restore();
}

void SkinPainter::PaintLamp(QPainter& p, const QRectF& rect, const QColor& color, bool lit,
                            const QString& label, int pixelSize) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  QPainterPath body;
  body.addRoundedRect(rect.adjusted(0.5, 0.5, -0.5, -0.5), 2.0, 2.0);
  QColor fill = lit ? color.darker(260) : QColor(0x10, 0x12, 0x15);
  p.fillPath(body, fill);
  if (lit) {
    QRadialGradient glow(rect.center(), std::max(rect.width(), rect.height()) * 0.7);
    QColor halo = color;
    halo.setAlpha(110);
    glow.setColorAt(0.0, halo);
    glow.setColorAt(1.0, QColor(0, 0, 0, 0));
    p.fillPath(body, glow);
  }
  p.setPen(QPen(QColor(0, 0, 0, 200), 1.0));
  p.drawPath(body);
  if (!label.isEmpty()) {
    p.setFont(Font(pixelSize));
    p.setPen(lit ? color.lighter(150) : QColor(0x4a, 0x4f, 0x56));
    p.drawText(rect, Qt::AlignCenter, label);
  }
  p.restore();
}

}  // namespace vd
