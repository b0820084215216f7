#include "vd/skin/bmp_slider.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "skin_message.h"
#include "vd/skin/skin.h"

BmpSlider::BmpSlider(const vd::Skin& skin, QWidget* parent) : QWidget(parent), skin_(skin) {
  setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);
}

bool BmpSlider::Create(const QPoint& topLeft, int id) {
  const QString names[] = {QStringLiteral("VOL_BG"), QStringLiteral("IDB_SLIDER1"),
                           QStringLiteral("IDB_SLIDER2"), QStringLiteral("IDB_SLIDER3")};
  QImage images[4];
  for (int i = 0; i < 4; ++i) {
    images[i] = skin_.Find(names[i]);
    if (images[i].isNull()) {
      vd::SkinMessage::Show(parentWidget(), QStringLiteral("BmpSlider LoadBmp Error"));
      return false;
    }
  }
  background_ = QPixmap::fromImage(images[0]);
  for (int i = 0; i < 3; ++i) thumbs_[i] = QPixmap::fromImage(images[i + 1]);
  id_ = id;
  const QSize area = background_.size() + QSize(1, 1);
  setGeometry(QRect(topLeft, area));
  centre_ = QPoint((area.width() - kThumbWidth) / 2 + 1, (area.height() - kThumbHeight) / 2);
  thumbTop_ = centre_.y();
  return true;
}

void BmpSlider::SetRange(int minimum, int maximum) {
  minimum_ = minimum;
  maximum_ = std::max(minimum, maximum);
}

void BmpSlider::SetPosition(int value) {
  const long long span = static_cast<long long>(maximum_) - minimum_;
  long long offset = 0;
  if (span > 0) {
    // value / scale pixels, with scale = span / 44 values per pixel; worked in integers so
    // that the ends land exactly.
    const long long clamped = std::clamp<long long>(value, minimum_, maximum_);
    offset = (clamped - minimum_) * kTravel / span;
  }
  thumbTop_ = centre_.y() - kHalfTravel + static_cast<int>(offset);
  repaint();
}

int BmpSlider::Position() const {
  return ValueAt(thumbTop_);
}

int BmpSlider::ValueAt(int thumbTop) const {
  const long long span = static_cast<long long>(maximum_) - minimum_;
  const long long pixels = thumbTop - centre_.y() + kHalfTravel;
  return static_cast<int>(pixels * span / kTravel);
}

void BmpSlider::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.drawPixmap(0, 0, background_);
  const QPixmap& thumb = pressed_ ? thumbs_[2] : hover_ ? thumbs_[1] : thumbs_[0];
  p.drawPixmap(centre_.x(), thumbTop_, thumb);
}

void BmpSlider::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    QWidget::mousePressEvent(event);
    return;
  }
  // A press beside the thumb is taken too, so that it does not start dragging the panel.
  event->accept();
  if (thumbRect().contains(event->position().toPoint())) {
    pressed_ = true;  // the widget keeps the mouse until the button is released
    update();
  }
}

void BmpSlider::mouseMoveEvent(QMouseEvent* event) {
  if (pressed_) {
    const int y = static_cast<int>(std::floor(event->position().y()));
    thumbTop_ = std::clamp(y, centre_.y() - kHalfTravel, centre_.y() + kHalfTravel);
    moved_ = true;
    emit PositionChanged(id_, Position());
  } else if (!hover_) {
    setFocus(Qt::MouseFocusReason);
    hover_ = true;
  }
  update();
}

void BmpSlider::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !pressed_) {
    QWidget::mouseReleaseEvent(event);
    return;
  }
  const bool moved = moved_;
  // A click without a drag also ends the press, or the thumb would stay in its dragging look.
  pressed_ = false;
  moved_ = false;
  if (moved) emit PositionChanged(id_, Position());
  update();
}

void BmpSlider::leaveEvent(QEvent* event) {
  hover_ = false;
  emit FocusReturned();
  update();
  QWidget::leaveEvent(event);
}
