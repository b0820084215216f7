#include "vd/skin/gen_bmp_btn.h"

#include <QMouseEvent>
#include <QPainter>

#include "skin_message.h"
#include "vd/skin/button_shape.h"
#include "vd/skin/skin.h"

GenBmpBtn::GenBmpBtn(int shape, const vd::Skin& skin, QWidget* parent)
    : QAbstractButton(parent), skin_(skin), shape_(shape) {
  setFocusPolicy(Qt::StrongFocus);
  // Moves without a held button are needed to take the focus on hover.
  setMouseTracking(true);
}

bool GenBmpBtn::Create(const QRect& rect, int id, QWidget* parent) {
  std::optional<QRegion> region = vd::ButtonShape::Region(shape_);
  if (!region) {
    vd::SkinMessage::Show(parent, QStringLiteral("GenBmpBtn Load Errorr"));
    return false;
  }
  region_ = *region;
  id_ = id;
  if (parent != parentWidget()) setParent(parent);
  setGeometry(rect);
  ApplyMask();
  return true;
}

bool GenBmpBtn::LoadBitmaps(const QString& normal, const QString& pressed, const QString& focused,
                            const QString& disabled) {
  QImage normalImage = skin_.Find(normal);
  if (normalImage.isNull()) return false;
  const std::array<QString, 4> names = {normal, pressed, focused, disabled};
  for (size_t i = 0; i < names.size(); ++i) {
    names_[i] = names[i];
    QImage image = i == kNormal ? normalImage : skin_.Find(names[i]);
    bitmaps_[i] = image.isNull() ? QPixmap() : QPixmap::fromImage(image);
  }
  resize(bitmaps_[kNormal].size());
  ApplyMask();
  update();
  return true;
}

QString GenBmpBtn::currentBitmapName() const {
  return names_[CurrentSlot()];
}

void GenBmpBtn::SetLatched(bool latched) {
  if (latched_ == latched) return;
  latched_ = latched;
  update();
}

QSize GenBmpBtn::sizeHint() const {
  return bitmaps_[kNormal].isNull() ? QSize(16, 16) : bitmaps_[kNormal].size();
}

bool GenBmpBtn::hitButton(const QPoint& pos) const {
  return rect().contains(pos) && region_.contains(pos);
}

GenBmpBtn::Slot GenBmpBtn::CurrentSlot() const {
  // Pressed before focused before disabled, as the owner-drawn button chose its bitmap.
  if ((isDown() || latched_) && !bitmaps_[kPressed].isNull()) return kPressed;
  if ((hasFocus() || hover_) && isEnabled() && !bitmaps_[kFocused].isNull()) return kFocused;
  if (!isEnabled() && !bitmaps_[kDisabled].isNull()) return kDisabled;
  return kNormal;
}

void GenBmpBtn::paintEvent(QPaintEvent*) {
  const QPixmap& bitmap = bitmaps_[CurrentSlot()];
  if (bitmap.isNull()) return;
  QPainter p(this);
  p.drawPixmap(0, 0, bitmap);
}

void GenBmpBtn::mouseMoveEvent(QMouseEvent* event) {
  if (!hover_) {
    // Hovering gives the button the focus, and with it the focused look.
    setFocus(Qt::MouseFocusReason);
    hover_ = true;
    update();
  }
  QAbstractButton::mouseMoveEvent(event);
}

void GenBmpBtn::leaveEvent(QEvent* event) {
  if (hover_) {
    hover_ = false;
    update();
  }
  QAbstractButton::leaveEvent(event);
}

void GenBmpBtn::ApplyMask() {
  if (region_.isEmpty() || size().isEmpty()) return;
  setMask(region_.intersected(rect()));
}
