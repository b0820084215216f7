// The tuner's page (the frequency the tuner sits on) and the TV sound page (the sound mode),
// as small dialogs. They only show and return values: the main window applies them through
// the tuner control and the panel's sound-mode command.
#pragma once

#include <QDialog>
#include <cstdint>

#include "vd/layout/panel_display.h"

class QComboBox;
class QDoubleSpinBox;

class TunerPagesDialog : public QDialog {
  Q_OBJECT

 public:
  enum class Kind { kTuner, kTvAudio };

  // The tuner page: the frequency now and the tuner's limits, in Hz.
  TunerPagesDialog(uint32_t frequencyHz, uint32_t minHz, uint32_t maxHz, QWidget* parent = nullptr);
  // The TV sound page: the modes of the sound system the settings name.
  TunerPagesDialog(const vd::SoundModeState& sound, QWidget* parent = nullptr);

  Kind DialogKind() const { return kind_; }
  uint32_t FrequencyHz() const;
  // The chosen mode: 0..2 for MTS (stereo, SAP, mono), 0..1 for PAL (DK, I).
  int SoundMode() const;
  QDoubleSpinBox* Frequency() const { return frequency_; }
  QComboBox* Modes() const { return modes_; }

 private:
  void AddButtons();

  Kind kind_;
  QDoubleSpinBox* frequency_ = nullptr;
  QComboBox* modes_ = nullptr;
};
