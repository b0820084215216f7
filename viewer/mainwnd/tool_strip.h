// One tool strip of the main window: a slim row of buttons, sliders and fields docked under
// the video area. Its contents are added by whoever builds the strip.
#pragma once

#include <QFrame>
#include <QString>

class QCheckBox;
class QHBoxLayout;
class QLabel;
class QSlider;
class QSpinBox;
class QToolButton;

class ToolStrip : public QFrame {
  Q_OBJECT

 public:
  static constexpr int kHeight = 26;

  // `templateId` is the strip's number (164, 165, 166, 180, 0xE800).
  ToolStrip(int templateId, QWidget* parent = nullptr);

  int TemplateId() const { return templateId_; }
  QToolButton* AddButton(const QString& text, const QString& name, bool checkable = false);
  QLabel* AddLabel(const QString& text, const QString& name = {}, int stretch = 0);
  QSlider* AddSlider(const QString& caption, const QString& name);
  QSpinBox* AddSpin(const QString& name, int minimum, int maximum);
  QCheckBox* AddCheck(const QString& text, const QString& name);
  void AddSeparator();
  void AddStretch();

 private:
  int templateId_;
  QHBoxLayout* row_;
};
