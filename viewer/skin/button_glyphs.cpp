#include "button_glyphs.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <cmath>
#include <numbers>

#include "vd/skin/skin_painter.h"

namespace vd {

namespace {

// Side of the square the glyph is drawn in.
double Extent(const QRectF& box) {
  return std::min(box.width(), box.height());
}

void Triangle(QPainter& p, const QRectF& box, bool up, const QColor& color) {
  const double s = Extent(box) * 0.42;
  const QPointF c = box.center();
  QPolygonF t;
  if (up) {
    t << QPointF(c.x(), c.y() - s * 0.55) << QPointF(c.x() + s * 0.7, c.y() + s * 0.45)
      << QPointF(c.x() - s * 0.7, c.y() + s * 0.45);
  } else {
    t << QPointF(c.x(), c.y() + s * 0.55) << QPointF(c.x() + s * 0.7, c.y() - s * 0.45)
      << QPointF(c.x() - s * 0.7, c.y() - s * 0.45);
  }
  p.setPen(Qt::NoPen);
  p.setBrush(color);
  p.drawPolygon(t);
}

void Gear(QPainter& p, const QRectF& box, const QColor& color) {
  const QPointF c = box.center();
  const double outer = Extent(box) * 0.34;
  const double inner = outer * 0.72;
  QPainterPath gear;
  constexpr int kTeeth = 8;
  for (int i = 0; i < kTeeth * 2; ++i) {
    double a0 = (i - 0.35) * std::numbers::pi / kTeeth;
    double a1 = (i + 0.35) * std::numbers::pi / kTeeth;
    double r = (i % 2 == 0) ? outer : inner;
    QPointF p0(c.x() + r * std::cos(a0), c.y() + r * std::sin(a0));
    QPointF p1(c.x() + r * std::cos(a1), c.y() + r * std::sin(a1));
    if (i == 0) {
      gear.moveTo(p0);
    } else {
      gear.lineTo(p0);
    }
    gear.lineTo(p1);
  }
  gear.closeSubpath();
  QPainterPath hole;
  hole.addEllipse(c, inner * 0.42, inner * 0.42);
  p.setPen(Qt::NoPen);
  p.setBrush(color);
  p.drawPath(gear.subtracted(hole));
}

void Source(QPainter& p, const QRectF& box, const QColor& color) {
  // A screen with an arrow coming in from the left.
  const double s = Extent(box) * 0.62;
  const QPointF c = box.center();
  QRectF screen(c.x() - s * 0.18, c.y() - s * 0.36, s * 0.62, s * 0.56);
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(color, 1.3));
  p.drawRoundedRect(screen, 1.0, 1.0);
  p.drawLine(QPointF(screen.center().x() - s * 0.12, screen.bottom() + s * 0.16),
             QPointF(screen.center().x() + s * 0.12, screen.bottom() + s * 0.16));
  p.setPen(QPen(color, 1.4, Qt::SolidLine, Qt::RoundCap));
  QPointF tip(c.x() + s * 0.1, screen.center().y());
  p.drawLine(QPointF(c.x() - s * 0.55, tip.y()), tip);
  p.drawLine(tip, tip + QPointF(-s * 0.2, -s * 0.17));
  p.drawLine(tip, tip + QPointF(-s * 0.2, s * 0.17));
}

void Speaker(QPainter& p, const QRectF& box, const QColor& color, bool muted) {
  const double s = Extent(box);
  const QPointF c = box.center();
  QPolygonF body;
  body << QPointF(c.x() - s * 0.36, c.y() - s * 0.13) << QPointF(c.x() - s * 0.18, c.y() - s * 0.13)
       << QPointF(c.x() + s * 0.05, c.y() - s * 0.34) << QPointF(c.x() + s * 0.05, c.y() + s * 0.34)
       << QPointF(c.x() - s * 0.18, c.y() + s * 0.13)
       << QPointF(c.x() - s * 0.36, c.y() + s * 0.13);
  p.setPen(Qt::NoPen);
  p.setBrush(color);
  p.drawPolygon(body);
  if (muted) {
    p.setPen(QPen(QColor(0xff, 0x5a, 0x4a), 1.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(c.x() + s * 0.14, c.y() - s * 0.15),
               QPointF(c.x() + s * 0.38, c.y() + s * 0.15));
    p.drawLine(QPointF(c.x() + s * 0.14, c.y() + s * 0.15),
               QPointF(c.x() + s * 0.38, c.y() - s * 0.15));
  } else {
    p.setPen(QPen(color, 1.0));
    p.setBrush(Qt::NoBrush);
    QRectF wave(c.x() - s * 0.12, c.y() - s * 0.26, s * 0.44, s * 0.52);
    p.drawArc(wave, -50 * 16, 100 * 16);
  }
}

void Stereo(QPainter& p, const QRectF& box, const QColor& color) {
  const double s = Extent(box) * 0.26;
  const QPointF c = box.center();
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(color, 1.1));
  p.drawEllipse(QPointF(c.x() - s * 0.45, c.y()), s, s);
  p.drawEllipse(QPointF(c.x() + s * 0.45, c.y()), s, s);
}

void Power(QPainter& p, const QRectF& box, const QColor& color) {
  const double s = Extent(box) * 0.27;
  const QPointF c = box.center() + QPointF(0, s * 0.1);
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(color, 1.6, Qt::SolidLine, Qt::RoundCap));
  p.drawArc(QRectF(c.x() - s, c.y() - s, 2 * s, 2 * s), 120 * 16, -240 * 16);
  p.drawLine(QPointF(c.x(), c.y() - s * 1.25), QPointF(c.x(), c.y() - s * 0.1));
}

void Keypad(QPainter& p, const QRectF& box, const QColor& color) {
  const double step = Extent(box) * 0.2;
  const QPointF c = box.center();
  p.setPen(Qt::NoPen);
  p.setBrush(color);
  for (int row = -1; row <= 1; ++row) {
    for (int col = -1; col <= 1; ++col) {
      p.drawRect(QRectF(c.x() + col * step - 0.6, c.y() + row * step - 0.6, 1.3, 1.3));
    }
  }
}

void Enter(QPainter& p, const QRectF& box, const QColor& color) {
  const double s = Extent(box) * 0.32;
  const QPointF c = box.center();
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(color, 1.3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  QPointF corner(c.x() - s * 0.6, c.y() + s * 0.35);
  p.drawPolyline(QPolygonF() << QPointF(c.x() + s * 0.7, c.y() - s * 0.6)
                             << QPointF(c.x() + s * 0.7, corner.y()) << corner);
  p.drawLine(corner, corner + QPointF(s * 0.4, -s * 0.35));
  p.drawLine(corner, corner + QPointF(s * 0.4, s * 0.35));
}

void Recall(QPainter& p, const QRectF& box, const QColor& color) {
  const double s = Extent(box) * 0.27;
  const QPointF c = box.center();
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(color, 1.3, Qt::SolidLine, Qt::RoundCap));
  p.drawArc(QRectF(c.x() - s, c.y() - s, 2 * s, 2 * s), 90 * 16, 270 * 16);
  QPointF end(c.x(), c.y() - s);
  p.drawLine(end, end + QPointF(s * 0.55, -s * 0.45));
  p.drawLine(end, end + QPointF(s * 0.55, s * 0.45));
}

void Label(QPainter& p, const QRectF& box, const QColor& color, const QString& label,
           int pixelSize) {
  p.setFont(SkinPainter::Font(pixelSize));
  p.setPen(QColor(0, 0, 0, 150));
  p.drawText(box.translated(0, 1), Qt::AlignCenter, label);
  p.setPen(color);
  p.drawText(box, Qt::AlignCenter, label);
}

void Question(QPainter& p, const QRectF& box, const QColor& color) {
  p.setFont(SkinPainter::Font(static_cast<int>(Extent(box) * 0.72)));
  p.setPen(color);
  p.drawText(box, Qt::AlignCenter, QStringLiteral("?"));
}

void Maximize(QPainter& p, const QRectF& box, const QColor& color) {
  const QPointF c = box.center();
  const double s = Extent(box);
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(color, 1.2));
  p.drawRect(QRectF(c.x() - s * 0.2, c.y() - s * 0.17, s * 0.4, s * 0.34));
  p.drawLine(QPointF(c.x() - s * 0.2, c.y() - s * 0.12),
             QPointF(c.x() + s * 0.2, c.y() - s * 0.12));
}

void Minimize(QPainter& p, const QRectF& box, const QColor& color) {
  const QPointF c = box.center();
  const double s = Extent(box);
  p.setPen(QPen(color, 1.6, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(c.x() - s * 0.18, c.y() + s * 0.12),
             QPointF(c.x() + s * 0.18, c.y() + s * 0.12));
}

void Play(QPainter& p, const QRectF& box, const QColor& color) {
  const QPointF c = box.center();
  const double h = box.height() * 0.22;
  QPolygonF t;
  t << QPointF(c.x() - h * 0.8, c.y() - h) << QPointF(c.x() + h, c.y())
    << QPointF(c.x() - h * 0.8, c.y() + h);
  p.setPen(Qt::NoPen);
  p.setBrush(color);
  p.drawPolygon(t);
}

void Pause(QPainter& p, const QRectF& box, const QColor& color) {
  const QPointF c = box.center();
  const double h = box.height() * 0.22;
  p.setPen(Qt::NoPen);
  p.setBrush(color);
  p.drawRect(QRectF(c.x() - h * 0.9, c.y() - h, h * 0.6, 2 * h));
  p.drawRect(QRectF(c.x() + h * 0.3, c.y() - h, h * 0.6, 2 * h));
}

void Stop(QPainter& p, const QRectF& box, const QColor& color) {
  const QPointF c = box.center();
  const double h = box.height() * 0.2;
  p.setPen(Qt::NoPen);
  p.setBrush(color);
  p.drawRect(QRectF(c.x() - h, c.y() - h, 2 * h, 2 * h));
}

void Record(QPainter& p, const QRectF& box, const QColor& color) {
  const double h = box.height() * 0.22;
  p.setPen(QPen(QColor(0, 0, 0, 120), 0.8));
  p.setBrush(color);
  p.drawEllipse(box.center(), h, h);
}

void ArrowUp(QPainter& p, const QRectF& box, const QColor& color) {
  Triangle(p, box, true, color);
}

void ArrowDown(QPainter& p, const QRectF& box, const QColor& color) {
  Triangle(p, box, false, color);
}

void Loud(QPainter& p, const QRectF& box, const QColor& color) {
  Speaker(p, box, color, false);
}

void Muted(QPainter& p, const QRectF& box, const QColor& color) {
  Speaker(p, box, color, true);
}

// The glyphs drawn in one colour alone (all but kNone and kText).
struct GlyphPainter {
  Glyph glyph;
  void (*paint)(QPainter& p, const QRectF& box, const QColor& color);
};

constexpr GlyphPainter kPainters[] = {
    {Glyph::kArrowUp, ArrowUp},   {Glyph::kArrowDown, ArrowDown}, {Glyph::kGear, Gear},
    {Glyph::kSource, Source},     {Glyph::kSpeaker, Loud},        {Glyph::kSpeakerMuted, Muted},
    {Glyph::kQuestion, Question}, {Glyph::kStereo, Stereo},       {Glyph::kMaximize, Maximize},
    {Glyph::kMinimize, Minimize}, {Glyph::kPower, Power},         {Glyph::kKeypad, Keypad},
    {Glyph::kPlay, Play},         {Glyph::kPause, Pause},         {Glyph::kStop, Stop},
    {Glyph::kRecord, Record},     {Glyph::kEnter, Enter},         {Glyph::kRecall, Recall},
};

const GlyphPainter* PainterOf(Glyph glyph) {
  for (const GlyphPainter& row : kPainters) {
    if (row.glyph == glyph) return &row;
  }
  return nullptr;
}

}  // namespace

void ButtonGlyphs::Draw(QPainter& p, Glyph glyph, const QRectF& box, const QColor& color,
                        const QString& label, int pixelSize) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  if (glyph == Glyph::kText) {
    Label(p, box, color, label, pixelSize);
  } else if (const GlyphPainter* row = PainterOf(glyph)) {
    row->paint(p, box, color);
  }
  p.restore();
}

}  // namespace vd
