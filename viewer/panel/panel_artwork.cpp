#include "panel_artwork.h"

#include <QPainter>

#include "panel_layout.h"
#include "vd/layout/panel_ids.h"
#include "vd/skin/button_shape.h"
#include "vd/skin/skin.h"
#include "vd/skin/skin_painter.h"

namespace vd {

namespace pid = panel_id;

namespace {

QPainterPath PathOf(const std::vector<QPolygon>& polygons) {
  QPainterPath path;
  path.setFillRule(Qt::WindingFill);
  for (const QPolygon& polygon : polygons) {
    QPainterPath part;
    part.addPolygon(QPolygonF(polygon));
    part.closeSubpath();
    path = path.united(part);
  }
  return path;
}

bool ButtonInLayout(int id, int layout) {
  const bool vcr = id >= pid::kPlay && id <= pid::kLive;
  const bool fm = id >= pid::kFmKey0 && id <= pid::kFmMemory;
  if (vcr) return layout == 2;
  // The preset keys float over their strip and the body edge: no sockets for them.
  if (fm) return false;
  if (id == pid::kKeypad) return layout != 2;
  return true;
}

// A dark ring round each key, so that the keys look set into the metal.
void PaintWell(QPainter& p, const PanelButtonEntry& entry) {
  QSize size(entry.width, entry.height);
  if (size.isEmpty()) size = ButtonShape::Box(entry.shape);
  QPainterPath frame;
  frame.addRect(0, 0, size.width(), size.height());
  QPainterPath outline = ButtonShape::Path(entry.shape)->intersected(frame);
  outline.translate(PanelLayout::PanelPosition(entry));
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(QColor(0, 0, 0, 150), 3.0));
  p.drawPath(outline.translated(0, 0.5));
  p.setPen(QPen(QColor(255, 255, 255, 45), 1.0));
  p.drawPath(outline.translated(0, 1.5));
  p.restore();
}

void PaintLampSlots(QPainter& p) {
  struct Slot {
    int id;
    const char* label;
    QColor color;
  };
  const QColor cyan = SkinPainter::Accent();
  const Slot lamps[] = {
      {pid::kIndicatorCapture, "CAP", QColor(0xff, 0xb0, 0x30)},
      {pid::kIndicatorRecord, "REC", QColor(0xff, 0x40, 0x38)},
      {pid::kIndicatorLive, "LIVE", QColor(0x50, 0xf0, 0x70)},
      {pid::kIndicatorSVideo, "SV", cyan},
      {pid::kIndicatorComposite, "AV", cyan},
      {pid::kIndicatorRadio, "FM", cyan},
      {pid::kIndicatorTv, "TV", cyan},
  };
  for (const Slot& s : lamps) {
    const QRect r = PanelLayout::IndicatorRect(s.id);
    SkinPainter::PaintLamp(p, r, s.color, false, QString::fromLatin1(s.label),
                           r.height() < 10 ? 7 : 8);
  }
  for (int n = 0; n < pid::kLevelCount; ++n) {
    SkinPainter::PaintLamp(p, PanelLayout::IndicatorRect(pid::kLevelFirst + n),
                           QColor(0x50, 0xf0, 0x70), false, {}, 0);
  }
}

}  // namespace

QImage PanelArtwork::DrawBackground(int layout) {
  const QSize size = PanelLayout::LayoutSize(layout);
  QImage image = SkinPainter::NewImage(size.width(), size.height());
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);

  // The pad plates sit behind the body; the window shows them only while their keypad is open.
  QPainterPath pad = PathOf({PanelLayout::KeypadPadOutline()});
  SkinPainter::PaintBrushedMetal(p, pad, QColor(0x33, 0x3d, 0x4c), 11);
  SkinPainter::PaintBevel(p, pad);
  if (layout == 1) {
    QPainterPath presets = PathOf({PanelLayout::FmPadOutline()});
    SkinPainter::PaintBrushedMetal(p, presets, QColor(0x2c, 0x45, 0x48), 13);
    SkinPainter::PaintBevel(p, presets);
  }

  QPainterPath body = PathOf(PanelLayout::Outline(layout));
  SkinPainter::PaintBrushedMetal(p, body, SkinPainter::Graphite(), 23 + layout);
  SkinPainter::PaintBevel(p, body);

  const QRect display = PanelLayout::DisplayWindowRect();
  SkinPainter::PaintRecess(p, display, 5, QColor(0x07, 0x12, 0x1c));
  // A faint grid gives the display some depth.
  p.save();
  p.setClipRect(display.adjusted(2, 2, -2, -2));
  p.setPen(QPen(QColor(0x4f, 0xd8, 0xff, 14), 1.0));
  for (int x = display.left() + 4; x < display.right(); x += 4) {
    p.drawLine(QPointF(x + 0.5, display.top()), QPointF(x + 0.5, display.bottom()));
  }
  p.restore();
  PaintLampSlots(p);

  const QPoint slider = PanelLayout::SliderPosition();
  SkinPainter::PaintRecess(p, QRectF(slider.x() - 1.5, slider.y() - 1.5, 20, 62), 5,
                           QColor(0x0b, 0x0d, 0x10));

  for (const PanelButtonEntry& entry : PanelLayout::Buttons()) {
    if (ButtonInLayout(entry.id, layout)) PaintWell(p, entry);
  }

  const int x = PanelLayout::kKeypadAreaWidth;
  SkinPainter::PaintEngravedText(p, QRectF(x + 249, 82, 22, 9), QStringLiteral("CH"), 7,
                                 Qt::AlignCenter);
  SkinPainter::PaintEngravedText(p, QRectF(x + 277, 82, 21, 9), QStringLiteral("SRC"), 7,
                                 Qt::AlignCenter);
  SkinPainter::PaintEngravedText(p, QRectF(x + 226, 82, 24, 9), QStringLiteral("VOL"), 7,
                                 Qt::AlignCenter);
  return image;
}

void PanelArtwork::InstallInto(Skin& skin) {
  for (int layout = 0; layout < PanelLayout::kLayoutCount; ++layout) {
    const QString name = PanelLayout::BackgroundName(layout);
    if (!skin.Contains(name)) skin.Add(name, DrawBackground(layout));
  }
}

}  // namespace vd
