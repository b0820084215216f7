// The colour page: brightness, contrast and colour of the picture, applied while the slider
// moves and put back on Cancel, and the video standard of the external inputs.
#pragma once

#include <QWidget>
#include <array>

#include "vd/pages/pages_engine.h"
#include "vd/sheet/sheet_page.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QSlider;
class QTimer;

class CColorPage : public QWidget, public vd::SheetPage {
  Q_OBJECT

 public:
  static constexpr int kTemplate = 165;
  static constexpr int kStandardSettleMs = 100;

  enum Slot { kBrightness = 0, kContrast = 1, kColour = 2 };

  explicit CColorPage(vd::PicturePort& engine, QWidget* parent = nullptr);
  // A standard chosen just before the sheet closes still gets its rebuilt preview.
  ~CColorPage() override;

  void OnCancel() override;
  // Every available property to its default.
  void OnDefault();

  QSlider* Slider(Slot slot) const { return controls_[slot].slider; }
  QLabel* Label(Slot slot) const { return controls_[slot].label; }
  QPushButton* DefaultButton() const { return default_; }
  QGroupBox* StandardGroup() const { return standardGroup_; }
  QLabel* StandardLabel() const { return standardLabel_; }
  QComboBox* StandardCombo() const { return standard_; }

 private:
  struct Control {
    vd::AmpProperty property;
    QSlider* slider = nullptr;
    QLabel* label = nullptr;
    bool available = false;
    int32_t defaultValue = 0;
    int32_t original = 0;  // in force when the page opened
    int32_t stored = 0;    // last value the device accepted
  };

  void OnMoved(Slot slot, int position);
  void OnStandardChosen(int index);

  vd::PicturePort& engine_;
  std::array<Control, 3> controls_;
  bool placing_ = false;  // the page moves a slider itself
  QPushButton* default_;
  QGroupBox* standardGroup_;
  QLabel* standardLabel_;
  QComboBox* standard_;
  QTimer* settle_;
};
