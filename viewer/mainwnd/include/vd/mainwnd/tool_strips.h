// The main window's four tool strips and its status line, built and kept up to date:
// 164 picture controls (the engine's amplifier), 165 capture controls, 166 the inputs,
// 180 the status strip, 0xE800 the status line. Commands go back to the main window through
// the actions; the strips never drive the engine except for the amplifier and the time limit.
#pragma once

#include <QString>
#include <array>
#include <functional>
#include <map>
#include <vector>

#include "status_strip_texts.h"
#include "tool_strip_set.h"
#include "vd/pages/pages_engine.h"

class QCheckBox;
class QLabel;
class QSlider;
class QSpinBox;
class QToolButton;
class QWidget;
class ToolStrip;

namespace vd {

struct ToolStripActions {
  std::function<void(int)> command;       // a main-window command (1022, 1024)
  std::function<void(int)> panelCommand;  // a panel command (the work modes)
};

class ToolStrips {
 public:
  ToolStrips(QWidget* parent, ToolStripActions actions);

  // The engine the picture and capture strips read and set; null disables them.
  void SetEngine(PagesEngine* engine);
  // A toggle command (164, 165, 166, 180); false for any other command.
  bool Toggle(int command);
  const ToolStripSet& Set() const { return set_; }
  ToolStrip* Strip(int id) const;
  // The strips shown, top to bottom, as bars for the bottom dock.
  std::vector<ToolStripSet::Bar> VisibleBars() const;
  // Hides every strip in full screen without forgetting which were shown.
  void SetFullScreen(bool fullScreen);

  void Refresh(const StatusStripTexts& status, ViewState viewState, WorkMode workMode,
               bool videoPresent);
  // Reads the amplifier and the time limit again into the strips that are shown.
  void Reload();
  void ShowStatusLine(const QString& text);
  // The name the tuned station gives itself in its teletext; empty hides the field.
  void ShowNetworkName(const QString& name);
  QString StatusLine() const;

  QSlider* AmpSlider(AmpProperty property) const;
  QSpinBox* TimeLimit() const { return timeLimit_; }
  QCheckBox* UseTimeLimit() const { return useTimeLimit_; }
  QToolButton* Button(const QString& name) const;
  QLabel* StatusField(const QString& name) const;

 private:
  void BuildPicture(ToolStrip* strip);
  void BuildCapture(ToolStrip* strip);
  void BuildInput(ToolStrip* strip);
  void BuildStatus(ToolStrip* strip);
  void LoadPicture();
  void LoadTimeLimit();
  void StoreTimeLimit();
  void ApplyVisibility();

  ToolStripActions actions_;
  PagesEngine* engine_ = nullptr;
  ToolStripSet set_;
  bool fullScreen_ = false;
  bool loading_ = false;
  std::map<int, ToolStrip*> strips_;
  std::map<AmpProperty, QSlider*> amp_;
  QSpinBox* timeLimit_ = nullptr;
  QCheckBox* useTimeLimit_ = nullptr;
  std::map<QString, QToolButton*> buttons_;
  std::map<QString, QLabel*> fields_;
  QLabel* statusLine_ = nullptr;
};

}  // namespace vd
