// The sound format chooser of a separate audio device: channels, rate and sample size among
// the device's capture formats, applied through the engine.
#pragma once

#include <QDialog>
#include <vector>

#include "pages_engine.h"

class QComboBox;

namespace vd {

class AudioFormatDialog : public QDialog {
  Q_OBJECT

 public:
  // The format the chooser opens on.
  static constexpr AudioFormat kPreset{2, 16000, 16};

  AudioFormatDialog(const std::vector<AudioFormat>& formats, QWidget* parent = nullptr);
  AudioFormat Chosen() const;
  QComboBox* Formats() const { return combo_; }

  // Runs the chooser and applies an accepted choice; false when cancelled, refused, or when
  // there is no separate audio device.
  static bool Choose(FormatPort& engine, QWidget* parent);
  static QString Describe(const AudioFormat& format);

 private:
  std::vector<AudioFormat> formats_;
  QComboBox* combo_;
};

}  // namespace vd
