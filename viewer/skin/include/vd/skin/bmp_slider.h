// A vertical slider drawn from a background bitmap ("VOL_BG") and a thumb with three looks
// ("IDB_SLIDER1" normal, "IDB_SLIDER2" hover, "IDB_SLIDER3" dragging). The thumb travels
// 44 pixels; the top end is the minimum.
#pragma once

#include <QPixmap>
#include <QRect>
#include <QWidget>

namespace vd {
class Skin;
}

class BmpSlider : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kThumbWidth = 15;
  static constexpr int kThumbHeight = 11;
  static constexpr int kTravel = 44;
  static constexpr int kHalfTravel = kTravel / 2;

  explicit BmpSlider(const vd::Skin& skin, QWidget* parent = nullptr);

  // Loads the bitmaps, places the slider at `topLeft` (sized to its background plus one
  // pixel each way) under the control id. When a bitmap is missing it shows
  // "BmpSlider LoadBmp Error" and returns false.
  bool Create(const QPoint& topLeft, int id);

  void SetRange(int minimum, int maximum);
  // Moves the thumb to `value` (clamped to the range) and redraws at once.
  void SetPosition(int value);
  // The value the thumb stands for, counted from the minimum (0 at the top end).
  int Position() const;

  int id() const { return id_; }
  int minimum() const { return minimum_; }
  int maximum() const { return maximum_; }
  QRect thumbRect() const { return QRect(centre_.x(), thumbTop_, kThumbWidth, kThumbHeight); }
  // The thumb's top-left when centred.
  QPoint centre() const { return centre_; }
  bool hovering() const { return hover_; }
  bool dragging() const { return pressed_; }

 signals:
  // The thumb was dragged (and once more when it is let go); stands for WM_USER+110 with the
  // control id and the value.
  void PositionChanged(int id, int value);
  // The mouse left the slider: the keyboard focus goes back to the main window.
  void FocusReturned();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  int ValueAt(int thumbTop) const;

  const vd::Skin& skin_;
  QPixmap background_;
  QPixmap thumbs_[3];
  QPoint centre_;
  int thumbTop_ = 0;
  int minimum_ = 0;
  int maximum_ = 0;
  int id_ = 0;
  bool hover_ = false;
  bool pressed_ = false;
  bool moved_ = false;
};
