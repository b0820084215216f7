#include "vd/pages/audio_format_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QVBoxLayout>
#include <algorithm>

#include "vd/pages/dialog_runner.h"

namespace vd {

AudioFormatDialog::AudioFormatDialog(const std::vector<AudioFormat>& formats, QWidget* parent)
    : QDialog(parent), formats_(formats) {
  setWindowTitle(tr("Sound Selection"));
  if (std::find(formats_.begin(), formats_.end(), kPreset) == formats_.end()) {
    formats_.insert(formats_.begin(), kPreset);
  }
  combo_ = new QComboBox(this);
  for (const AudioFormat& format : formats_) combo_->addItem(Describe(format));
  combo_->setCurrentIndex(
      static_cast<int>(std::find(formats_.begin(), formats_.end(), kPreset) - formats_.begin()));
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(combo_);
  layout->addWidget(buttons);
}

AudioFormat AudioFormatDialog::Chosen() const {
  const int row = combo_->currentIndex();
  return row >= 0 ? formats_[static_cast<size_t>(row)] : kPreset;
}

QString AudioFormatDialog::Describe(const AudioFormat& format) {
  return QString::asprintf("%u Hz, %u Bit, %s, %u KB/s", format.samplesPerSec,
                           static_cast<unsigned>(format.bitsPerSample),
                           format.channels == 1 ? "Mono" : "Stereo",
                           format.AvgBytesPerSec() / 1000);
}

bool AudioFormatDialog::Choose(FormatPort& engine, QWidget* parent) {
  if (!engine.HasSeparateAudio()) return false;
  AudioFormatDialog dialog(engine.AudioFormats(), parent);
  if (DialogRunner::Run(dialog) != QDialog::Accepted) return false;
  return engine.ApplyAudioFormat(dialog.Chosen());
}

}  // namespace vd
