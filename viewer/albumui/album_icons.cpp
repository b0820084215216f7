#include "album_icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

QPixmap FilmPixmap(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  const qreal s = size;
  const QRectF strip(s * 0.12, s * 0.04, s * 0.76, s * 0.92);
  p.setPen(QPen(QColor(20, 20, 24), s / 32.0));
  p.setBrush(QColor(44, 44, 52));
  p.drawRoundedRect(strip, s * 0.06, s * 0.06);
  // Sprocket holes down both edges.
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(235, 235, 225));
  const int holes = size >= 32 ? 6 : 4;
  const qreal hole = s * 0.07;
  for (int i = 0; i < holes; ++i) {
    const qreal y = strip.top() + (i + 0.5) * strip.height() / holes - hole / 2;
    p.drawRect(QRectF(strip.left() + s * 0.035, y, hole, hole));
    p.drawRect(QRectF(strip.right() - s * 0.035 - hole, y, hole, hole));
  }
  // Two frames with a blue-to-green picture in each.
  for (int i = 0; i < 2; ++i) {
    const QRectF frame(s * 0.29, s * (0.1 + i * 0.42), s * 0.42, s * 0.36);
    QLinearGradient sky(frame.topLeft(), frame.bottomLeft());
    sky.setColorAt(0, QColor(90, 160, 235));
    sky.setColorAt(1, QColor(110, 190, 120));
    p.setBrush(sky);
    p.drawRect(frame);
  }
  return pixmap;
}

QPixmap PicturePixmap(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  const qreal s = size;
  const QRectF frame(s * 0.04, s * 0.14, s * 0.92, s * 0.72);
  p.setPen(QPen(QColor(120, 84, 40), s / 16.0));
  p.setBrush(QColor(245, 240, 228));
  p.drawRect(frame);
  const QRectF view = frame.adjusted(s * 0.1, s * 0.1, -s * 0.1, -s * 0.1);
  QLinearGradient sky(view.topLeft(), view.bottomLeft());
  sky.setColorAt(0, QColor(70, 140, 230));
  sky.setColorAt(1, QColor(190, 225, 250));
  p.setPen(Qt::NoPen);
  p.setBrush(sky);
  p.drawRect(view);
  p.setBrush(QColor(255, 210, 60));
  p.drawEllipse(QPointF(view.right() - view.width() * 0.22, view.top() + view.height() * 0.28),
                view.height() * 0.16, view.height() * 0.16);
  QPainterPath hills;
  hills.moveTo(view.bottomLeft());
  hills.lineTo(view.left() + view.width() * 0.35, view.top() + view.height() * 0.4);
  hills.lineTo(view.left() + view.width() * 0.6, view.top() + view.height() * 0.7);
  hills.lineTo(view.left() + view.width() * 0.75, view.top() + view.height() * 0.55);
  hills.lineTo(view.bottomRight());
  hills.closeSubpath();
  p.setBrush(QColor(60, 140, 70));
  p.drawPath(hills);
  return pixmap;
}

}  // namespace

QIcon AlbumIcons::Film() {
  QIcon icon;
  icon.addPixmap(FilmPixmap(16));
  icon.addPixmap(FilmPixmap(32));
  return icon;
}

QIcon AlbumIcons::Picture() {
  QIcon icon;
  icon.addPixmap(PicturePixmap(16));
  icon.addPixmap(PicturePixmap(32));
  return icon;
}
