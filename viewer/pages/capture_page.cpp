#include "capture_page.h"

#include <QCheckBox>
#include <QDoubleValidator>
#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

CCapturePage::CCapturePage(vd::PagesEngine& engine, QWidget* parent)
    : QWidget(parent), engine_(engine) {
  captureAudio_ = new QCheckBox(tr("Capture audio"), this);
  useFrameRate_ = new QCheckBox(tr("Use frame rate"), this);
  frameRate_ = new QLineEdit(this);
  frameRate_->setValidator(new QDoubleValidator(0, 1000, 3, frameRate_));
  useTimeLimit_ = new QCheckBox(tr("Use time limit"), this);
  timeLimit_ = new QLineEdit(this);
  timeLimit_->setValidator(new QDoubleValidator(0, kMaxTimeLimit, 3, timeLimit_));

  auto* master = new QGroupBox(tr("Master stream"), this);
  masterNone_ = new QRadioButton(tr("None"), master);
  masterVideo_ = new QRadioButton(tr("Video"), master);
  masterAudio_ = new QRadioButton(tr("Audio"), master);
  auto* masterLayout = new QVBoxLayout(master);
  masterLayout->addWidget(masterNone_);
  masterLayout->addWidget(masterVideo_);
  masterLayout->addWidget(masterAudio_);

  auto* form = new QFormLayout;
  form->addRow(captureAudio_);
  form->addRow(useFrameRate_, frameRate_);
  form->addRow(useTimeLimit_, timeLimit_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(master);
  layout->addStretch();
  Load();
}

int32_t CCapturePage::MasterStream() const {
  if (masterVideo_->isChecked()) return 0;
  if (masterAudio_->isChecked()) return 1;
  return -1;
}

void CCapturePage::SetMasterStream(int32_t stream) {
  (stream == 0 ? masterVideo_ : stream == 1 ? masterAudio_ : masterNone_)->setChecked(true);
}

void CCapturePage::Load() {
  shown_ = engine_.GetCaptureOptions();
  captureAudio_->setChecked(shown_.captureAudio);
  useFrameRate_->setChecked(shown_.useFrameRate);
  double rate = shown_.framesPerSecond;
  if (rate < 1 || rate > shown_.maxFramesPerSecond) rate = shown_.maxFramesPerSecond;
  frameRate_->setText(QString::number(rate, 'g', 6));
  useTimeLimit_->setChecked(shown_.useTimeLimit);
  double limit = shown_.timeLimit;
  if (limit < 1 || limit > kMaxTimeLimit) limit = kDefaultTimeLimit;
  timeLimit_->setText(QString::number(limit, 'g', 6));
  // Offering a clock the recording cannot have would make the file follow a missing stream.
  const vd::Capabilities caps = engine_.GetCapabilities();
  int32_t master = shown_.masterStream;
  if ((master == 0 && !caps.video) || (master == 1 && !caps.audio)) master = -1;
  SetMasterStream(master);
  masterVideo_->setEnabled(caps.video);
  masterAudio_->setEnabled(caps.audio);
}

void CCapturePage::OnOk() {
  vd::CaptureOptions options = shown_;
  options.captureAudio = captureAudio_->isChecked();
  options.useFrameRate = useFrameRate_->isChecked();
  options.useTimeLimit = useTimeLimit_->isChecked();
  bool ok = false;
  // An unreadable field keeps the value shown when the page opened.
  double rate = frameRate_->text().toDouble(&ok);
  if (ok && rate > 0) options.framesPerSecond = rate;
  if (options.framesPerSecond > options.maxFramesPerSecond) {
    options.framesPerSecond = options.maxFramesPerSecond;
  }
  double limit = timeLimit_->text().toDouble(&ok);
  if (ok && limit >= 1 && limit <= kMaxTimeLimit) options.timeLimit = limit;
  options.masterStream = MasterStream();
  engine_.SetCaptureOptions(options);
}
