#include "view_state_strip.h"

#include <QPainter>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// Drawn glyphs rather than a theme's icons, so the strip looks the same on every desktop.
QIcon Glyph(int id, bool stop) {
  QPixmap pixmap(20, 20);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(230, 230, 235), 1.5));
  switch (id) {
    case ViewStateStrip::kGallery:
      p.setBrush(QColor(90, 140, 200));
      p.drawRect(3, 4, 14, 12);
      p.setBrush(QColor(250, 220, 110));
      p.drawEllipse(QPointF(8, 9), 2, 2);
      break;
    case ViewStateStrip::kCapture:
      p.setPen(Qt::NoPen);
      if (stop) {
        p.setBrush(QColor(230, 230, 235));
        p.drawRect(5, 5, 10, 10);
      } else {
        p.setBrush(QColor(220, 50, 50));
        p.drawEllipse(QPointF(10, 10), 6, 6);
      }
      break;
    default:
      p.setBrush(QColor(60, 60, 70));
      p.drawRoundedRect(2, 6, 16, 11, 2, 2);
      p.drawEllipse(QPointF(10, 11.5), 3.5, 3.5);
      p.drawRect(6, 3, 6, 3);
      break;
  }
  return QIcon(pixmap);
}

}  // namespace

ViewStateStrip::ViewStateStrip(QWidget* parent) : QWidget(parent) {
  setFixedWidth(kWidth);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(3, 6, 3, 6);
  layout->setSpacing(6);
  const struct {
    int id;
    const char* tip;
  } entries[] = {{kGallery, "Gallery"}, {kCapture, "Capture"}, {kSnapshot, "Snapshot"}};
  for (const auto& entry : entries) {
    auto* button = new QToolButton(this);
    button->setObjectName(QString::number(entry.id));
    button->setToolTip(entry.tip);
    button->setIcon(Glyph(entry.id, false));
    button->setIconSize(QSize(20, 20));
    button->setFixedSize(28, 28);
    button->setAutoRaise(true);
    connect(button, &QToolButton::clicked, this, [this, id = entry.id] { emit Command(id); });
    layout->addWidget(button);
    buttons_[entry.id] = button;
  }
  layout->addStretch(1);
}

void ViewStateStrip::SetCommandEnabled(int id, bool enabled) {
  if (QToolButton* button = Button(id)) button->setEnabled(enabled);
}

void ViewStateStrip::SetCaptureLabel(bool stop) {
  if (QToolButton* button = Button(kCapture)) {
    button->setIcon(Glyph(kCapture, stop));
    button->setToolTip(stop ? "Stop" : "Capture");
  }
}

QToolButton* ViewStateStrip::Button(int id) const {
  auto it = buttons_.find(id);
  return it == buttons_.end() ? nullptr : it->second;
}

void ViewStateStrip::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  QLinearGradient shade(0, 0, width(), 0);
  shade.setColorAt(0, QColor(38, 42, 52));
  shade.setColorAt(1, QColor(24, 26, 32));
  painter.fillRect(rect(), shade);
}
