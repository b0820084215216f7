#include "tuner_pages_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <cmath>

TunerPagesDialog::TunerPagesDialog(uint32_t frequencyHz, uint32_t minHz, uint32_t maxHz,
                                   QWidget* parent)
    : QDialog(parent), kind_(Kind::kTuner) {
  setWindowTitle("TV Tuner");
  auto* form = new QFormLayout(this);
  frequency_ = new QDoubleSpinBox(this);
  frequency_->setDecimals(2);
  frequency_->setSuffix(" MHz");
  frequency_->setSingleStep(0.25);
  frequency_->setRange(minHz / 1000000.0, std::max(minHz, maxHz) / 1000000.0);
  frequency_->setValue(frequencyHz / 1000000.0);
  form->addRow("Frequency", frequency_);
  AddButtons();
}

TunerPagesDialog::TunerPagesDialog(const vd::SoundModeState& sound, QWidget* parent)
    : QDialog(parent), kind_(Kind::kTvAudio) {
  setWindowTitle("TV Audio");
  auto* form = new QFormLayout(this);
  modes_ = new QComboBox(this);
  if (sound.isMts != 0) {
    modes_->addItems({"STEREO", "SAP", "MONO"});
    modes_->setCurrentIndex(std::clamp(sound.mtsMode, 0, 2));
  } else {
    modes_->addItems({"PAL-DK", "PAL-I"});
    modes_->setCurrentIndex(std::clamp(sound.mtsPalMode, 0, 1));
  }
  form->addRow("Sound", modes_);
  AddButtons();
}

void TunerPagesDialog::AddButtons() {
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  static_cast<QFormLayout*>(layout())->addRow(buttons);
}

uint32_t TunerPagesDialog::FrequencyHz() const {
  if (frequency_ == nullptr) return 0;
  return static_cast<uint32_t>(std::llround(frequency_->value() * 1000000.0));
}

int TunerPagesDialog::SoundMode() const {
  return modes_ != nullptr ? modes_->currentIndex() : -1;
}
