// The skinned control panel: a frameless, shaped window with the channel display, the input
// and VCR buttons, the volume slider and the keypads. It owns no device: every press goes
// out as a command id for the main window, and the main window tells it the state to show
// through the setters.
#pragma once

#include <QLabel>
#include <QPoint>
#include <QWidget>
#include <map>
#include <optional>

#include "vd/layout/input_cycle.h"
#include "vd/layout/panel_display.h"
#include "vd/layout/panel_rules.h"

class BmpSlider;
class GenBmpBtn;

namespace vd {
class Skin;
}

class CControlPanel : public QWidget {
  Q_OBJECT

 public:
  // Draws the panel backgrounds into `skin` when it lacks them.
  explicit CControlPanel(vd::Skin& skin, QWidget* parent = nullptr);
  ~CControlPanel() override;

  // False when a control could not be built (its message has been shown).
  bool isComplete() const { return complete_; }

  // State the main window sets.
  void SetWorkMode(vd::WorkMode workMode);
  void SetInput(int input);
  void SetViewState(vd::ViewState viewState);
  void SetKeypadOpen(bool open);
  void SetVcrPadOpen(bool open);
  void SetMuted(bool muted);
  void SetFullScreen(bool fullScreen);
  void SetPlaying(bool playing);
  void SetSoundMode(const vd::SoundModeState& sound);
  void SetFmDisabled(bool disabled);
  void SetFmMemoryMode(bool on);
  // What the device offers: sound (volume and mute) and still pictures (snapshot).
  void SetDeviceFlags(bool audio, bool still);
  // The next Input press applies the present input without moving on (start-up in radio).
  void ApplyInputOnNextPress() { inputCycle_.ApplyStoredOnNextPress(); }
  // A mode switch was refused: back to the last applied input.
  void RevertInput();
  // The record lamp blinks while capturing; the main window's timer calls this.
  void SetRecordLampVisible(bool visible);

  // A command posted to the panel from elsewhere (Ctrl+C): acts as a press of that button.
  void Press(int id) { OnButton(id); }

  const vd::PanelState& state() const { return state_; }
  int input() const { return state_.input; }

  // The station display.
  class DisplayPart {
   public:
    explicit DisplayPart(CControlPanel& panel) : panel_(panel) {}
    // The channel list's current entry, or nothing when the list is empty.
    void SetStation(const std::optional<vd::PanelStation>& station) { panel_.SetStation(station); }
    // The tuned station's name from its teletext, shown as the station display's tooltip.
    void SetTeletextName(const QString& name) { panel_.SetTeletextName(name); }
    // The display's refresh (argument as the main window passes it: a channel number, -1, -2,
    // -100 for the sound mode, -1000 to redraw only).
    void Refresh(int n) { panel_.Refresh(n); }
    // The TV channel number the display remembers for an empty list; nothing when none.
    std::optional<int> RememberedChannel() const { return panel_.display_.rememberedChannel(); }
    // Shows a text of its own in the display ("Memory ON", digit entry, fine tuning).
    void ShowText(const QString& number, const QString& caption) {
      panel_.ShowText(number, caption);
    }
    QString Number() const { return panel_.number_ ? panel_.number_->text() : QString(); }
    QString Caption() const { return panel_.caption_ ? panel_.caption_->text() : QString(); }
    // The FM keypad stores presets ("Memory ON").
    bool FmMemoryMode() const { return panel_.fmMemory_; }

   private:
    CControlPanel& panel_;
  };
  DisplayPart Display() { return DisplayPart(*this); }

  // The volume slider.
  class VolumePart {
   public:
    explicit VolumePart(CControlPanel& panel) : panel_(panel) {}
    void SetRange(int minimum, int maximum) { panel_.SetVolumeRange(minimum, maximum); }
    void SetPosition(int value) { panel_.SetVolumePosition(value); }
    BmpSlider* Slider() const { return panel_.slider_; }

   private:
    CControlPanel& panel_;
  };
  VolumePart Volume() { return VolumePart(*this); }

  // The panel's child controls, by id.
  class ControlsPart {
   public:
    explicit ControlsPart(const CControlPanel& panel) : panel_(panel) {}
    // Replaces the placeholder control `id` of `parent` with `button` at (x, y, width,
    // height) and loads the bitmaps given in the order normal, pressed, focused, disabled. On
    // failure returns false and leaves the placeholder hidden.
    static bool CreateButton(GenBmpBtn* button, int x, int y, int width, int height, int id,
                             QWidget* parent, const QString& normal, const QString& pressed,
                             const QString& focused, const QString& disabled);
    // The child control (placeholder or real control) with that id, or null.
    static QWidget* FindControl(QWidget* parent, int id);
    GenBmpBtn* Button(int id) const { return panel_.button(id); }
    QWidget* Control(int id) const { return panel_.control(id); }
    // The bitmap set the buttons show.
    int LayoutIndex() const { return panel_.layout_; }

   private:
    const CControlPanel& panel_;
  };
  ControlsPart Controls() const { return ControlsPart(*this); }

 signals:
  // A panel button was pressed (or a mode picked by the Input button).
  void Command(int id);
  // The volume slider was dragged: stands for WM_USER+110 (control id, value).
  void SliderMoved(int id, int value);
  // The mouse left the slider: give the keyboard focus back to the main window.
  void FocusToMainWindow();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void SetStation(const std::optional<vd::PanelStation>& station);
  void SetTeletextName(const QString& name);
  void SetVolumeRange(int minimum, int maximum);
  void SetVolumePosition(int value);
  void Refresh(int n);
  void ShowText(const QString& number, const QString& caption);
  GenBmpBtn* button(int id) const;
  QWidget* control(int id) const;
  void BuildPlaceholders();
  // False when a button or the slider could not be made; the rest is built all the same.
  bool BuildControls();
  bool BuildButtons();
  bool BuildSlider();
  void BuildStationDisplay();
  void BuildIndicators();
  void OnButton(int id);
  void Relayout();
  void ApplyBitmapSets();
  void UpdateLevelLamps();

  vd::Skin& skin_;
  vd::PanelState state_;
  vd::InputCycle inputCycle_;
  vd::PanelDisplay display_;
  vd::SoundModeState sound_;
  std::optional<vd::PanelStation> station_;
  bool fmMemory_ = false;
  bool complete_ = false;
  int layout_ = -1;
  QPixmap background_;
  std::map<int, QWidget*> controls_;  // children, owned by this window
  BmpSlider* slider_ = nullptr;
  QLabel* number_ = nullptr;
  QLabel* caption_ = nullptr;
  std::optional<QPoint> dragOffset_;
};
