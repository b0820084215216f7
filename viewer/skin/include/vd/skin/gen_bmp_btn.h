// A push button drawn from four bitmaps (normal, focused, pressed, disabled) whose click area
// may be a non-rectangular shape from the shape table.
#pragma once

#include <QAbstractButton>
#include <QPixmap>
#include <QRegion>
#include <QString>
#include <array>

namespace vd {
class Skin;
}

class GenBmpBtn : public QAbstractButton {
  Q_OBJECT

 public:
  // The four bitmaps; a missing one (other than normal) falls back to the normal look.
  enum Slot { kNormal = 0, kPressed = 1, kFocused = 2, kDisabled = 3 };

  GenBmpBtn(int shape, const vd::Skin& skin, QWidget* parent = nullptr);

  // Places the button at `rect` in `parent` under the control id and builds its click area.
  // When the shape cannot be built it shows "GenBmpBtn Load Errorr" and returns false.
  bool Create(const QRect& rect, int id, QWidget* parent);

  // Loads a set of bitmaps by resource name, in the order normal, pressed, focused, disabled,
  // and sizes the button to the normal one. May be called again at any time to change the
  // set. Returns false (keeping the previous set) when the normal bitmap does not exist.
  bool LoadBitmaps(const QString& normal, const QString& pressed, const QString& focused,
                   const QString& disabled);

  int id() const { return id_; }
  int shape() const { return shape_; }
  bool hovering() const { return hover_; }
  // The click area in button coordinates.
  QRegion clickRegion() const { return region_; }
  // Resource name of the bitmap the button shows in its present state.
  QString currentBitmapName() const;
  QString bitmapName(Slot slot) const { return names_[slot]; }

  // Holds the pressed look while set (the FM memory key in memory mode).
  void SetLatched(bool latched);
  bool latched() const { return latched_; }

  QSize sizeHint() const override;

 protected:
  bool hitButton(const QPoint& pos) const override;
  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  Slot CurrentSlot() const;
  void ApplyMask();

  const vd::Skin& skin_;
  int shape_;
  int id_ = 0;
  QRegion region_;
  std::array<QString, 4> names_;
  std::array<QPixmap, 4> bitmaps_;
  bool hover_ = false;
  bool latched_ = false;
};
