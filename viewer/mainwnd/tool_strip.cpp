#include "tool_strip.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSlider>
#include <QSpinBox>
#include <QToolButton>

ToolStrip::ToolStrip(int templateId, QWidget* parent)
    : QFrame(parent), templateId_(templateId), row_(new QHBoxLayout(this)) {
  setObjectName(QString::number(templateId));
  setAutoFillBackground(true);
  QPalette strip = palette();
  strip.setColor(QPalette::Window, QColor(44, 49, 61));
  strip.setColor(QPalette::WindowText, QColor(214, 218, 226));
  strip.setColor(QPalette::Button, QColor(62, 69, 84));
  strip.setColor(QPalette::ButtonText, QColor(236, 238, 242));
  setPalette(strip);
  QFont small = font();
  small.setPointSizeF(std::max(7.0, small.pointSizeF() - 1.0));
  setFont(small);
  row_->setContentsMargins(4, 1, 4, 1);
  row_->setSpacing(4);
}

QToolButton* ToolStrip::AddButton(const QString& text, const QString& name, bool checkable) {
  auto* button = new QToolButton(this);
  button->setText(text);
  button->setObjectName(name);
  button->setCheckable(checkable);
  button->setAutoRaise(true);
  button->setFocusPolicy(Qt::NoFocus);
  button->setFixedHeight(kHeight - 4);
  row_->addWidget(button);
  return button;
}

QLabel* ToolStrip::AddLabel(const QString& text, const QString& name, int stretch) {
  auto* label = new QLabel(text, this);
  label->setObjectName(name);
  row_->addWidget(label, stretch);
  return label;
}

QSlider* ToolStrip::AddSlider(const QString& caption, const QString& name) {
  AddLabel(caption);
  auto* slider = new QSlider(Qt::Horizontal, this);
  slider->setObjectName(name);
  slider->setFocusPolicy(Qt::NoFocus);
  slider->setMinimumWidth(40);
  row_->addWidget(slider, 1);
  return slider;
}

QSpinBox* ToolStrip::AddSpin(const QString& name, int minimum, int maximum) {
  auto* spin = new QSpinBox(this);
  spin->setObjectName(name);
  spin->setRange(minimum, maximum);
  spin->setFixedHeight(kHeight - 4);
  row_->addWidget(spin);
  return spin;
}

QCheckBox* ToolStrip::AddCheck(const QString& text, const QString& name) {
  auto* check = new QCheckBox(text, this);
  check->setObjectName(name);
  check->setFocusPolicy(Qt::NoFocus);
  row_->addWidget(check);
  return check;
}

void ToolStrip::AddSeparator() {
  auto* line = new QFrame(this);
  line->setFrameShape(QFrame::VLine);
  line->setFrameShadow(QFrame::Sunken);
  row_->addWidget(line);
}

void ToolStrip::AddStretch() {
  row_->addStretch(1);
}
