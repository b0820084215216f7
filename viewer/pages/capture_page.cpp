#include "capture_page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleValidator>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QRadioButton>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QVBoxLayout>

#include "vd/gst_elements.h"

namespace {
// A number as the user's language writes it, without thousands separators ("12,5", "99999").
QString NumberText(QLocale locale, double value) {
  locale.setNumberOptions(QLocale::OmitGroupSeparator);
  return locale.toString(value, 'g', 6);
}
}  // namespace

CCapturePage::CCapturePage(vd::CaptureOptionsPort& engine, QWidget* parent)
    : QWidget(parent), engine_(engine) {
  captureAudio_ = new QCheckBox(tr("Capture audio"), this);
  useFrameRate_ = new QCheckBox(tr("Use frame rate"), this);
  frameRate_ = new QLineEdit(this);
  frameRate_->setValidator(new QDoubleValidator(0, 1000, 3, frameRate_));
  useTimeLimit_ = new QCheckBox(tr("Use time limit"), this);
  timeLimit_ = new QLineEdit(this);
  timeLimit_->setValidator(new QDoubleValidator(0, kMaxTimeLimit, 3, timeLimit_));

  QGroupBox* master = BuildMasterBox();
  QGroupBox* compression = BuildCompressionBox();

  deinterlaceLive_ = new QCheckBox(tr("Deinterlace the live picture"), this);
  if (!vd::ElementInstalled("deinterlace")) {
    deinterlaceLive_->setEnabled(false);
    deinterlaceLive_->setToolTip(tr("GStreamer element deinterlace is not installed"));
  }
  keepAspect_ = new QCheckBox(tr("Keep the picture's shape (black bars in full screen)"), this);

  auto* form = new QFormLayout;
  form->addRow(captureAudio_);
  form->addRow(useFrameRate_, frameRate_);
  form->addRow(useTimeLimit_, timeLimit_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(master);
  layout->addWidget(compression);
  layout->addWidget(deinterlaceLive_);
  layout->addWidget(keepAspect_);
  layout->addStretch();
  Load();
}

QGroupBox* CCapturePage::BuildMasterBox() {
  auto* master = new QGroupBox(tr("Master stream"), this);
  masterNone_ = new QRadioButton(tr("None"), master);
  masterVideo_ = new QRadioButton(tr("Video"), master);
  masterAudio_ = new QRadioButton(tr("Audio"), master);
  auto* masterLayout = new QVBoxLayout(master);
  masterLayout->addWidget(masterNone_);
  masterLayout->addWidget(masterVideo_);
  masterLayout->addWidget(masterAudio_);
  // The recording keeps picture and sound together itself: the choice is stored for the
  // settings' sake, and the page says what the film does whichever is chosen.
  auto* masterNote = new QLabel(
      tr("Whichever is chosen, the sound is fitted to the pictures' time, so the film plays "
         "in step."),
      master);
  masterNote->setObjectName("masterStreamNote");
  masterNote->setWordWrap(true);
  masterLayout->addWidget(masterNote);
  return master;
}

QGroupBox* CCapturePage::BuildCompressionBox() {
  auto* compression = new QGroupBox(tr("Video compression"), this);
  codec_ = new QComboBox(compression);
  // Item i is codec i.
  auto* model = qobject_cast<QStandardItemModel*>(codec_->model());
  for (const vd::CodecRow& row : vd::RecordingFormat::Codecs()) {
    codec_->addItem(tr(std::string(row.label).c_str()));
    const std::string_view encoder = row.encoder;
    const int i = codec_->count() - 1;
    if (!encoder.empty() && !vd::ElementInstalled(encoder)) {
      model->item(i)->setEnabled(false);
      model->item(i)->setToolTip(tr("GStreamer element %1 is not installed")
                                     .arg(QString::fromUtf8(encoder.data(), encoder.size())));
    }
  }
  quality_ = new QSpinBox(compression);
  quality_->setRange(vd::RecordingFormat::kMinQuality, vd::RecordingFormat::kMaxQuality);
  bitRate_ = new QSpinBox(compression);
  bitRate_->setRange(vd::RecordingFormat::kMinKbps, vd::RecordingFormat::kMaxKbps);
  bitRate_->setSingleStep(250);
  bitRate_->setSuffix(tr(" kbit/s"));
  deinterlace_ = new QCheckBox(tr("Deinterlace recordings"), compression);
  auto* compressionForm = new QFormLayout(compression);
  compressionForm->addRow(tr("Codec"), codec_);
  compressionForm->addRow(tr("JPEG quality"), quality_);
  compressionForm->addRow(tr("H.264 bit rate"), bitRate_);
  compressionForm->addRow(deinterlace_);
  connect(codec_, &QComboBox::currentIndexChanged, this, [this] { ShowCodecSettings(); });
  return compression;
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
  frameRate_->setText(NumberText(locale(), rate));
  useTimeLimit_->setChecked(shown_.useTimeLimit);
  double limit = shown_.timeLimit;
  if (limit < 1 || limit > kMaxTimeLimit) limit = kDefaultTimeLimit;
  timeLimit_->setText(NumberText(locale(), limit));
  // Offering a clock the recording cannot have would make the file follow a missing stream.
  const vd::Capabilities caps = engine_.GetCapabilities();
  int32_t master = shown_.masterStream;
  if ((master == 0 && !caps.video) || (master == 1 && !caps.audio)) master = -1;
  SetMasterStream(master);
  masterVideo_->setEnabled(caps.video);
  masterAudio_->setEnabled(caps.audio);
  codec_->setCurrentIndex(static_cast<int>(shown_.recording.codec));
  quality_->setValue(shown_.recording.mjpegQuality);
  bitRate_->setValue(shown_.recording.h264Kbps);
  deinterlace_->setChecked(shown_.recording.deinterlace);
  deinterlaceLive_->setChecked(shown_.deinterlaceLive);
  keepAspect_->setChecked(shown_.keepPictureAspect);
  ShowCodecSettings();
}

void CCapturePage::ShowCodecSettings() {
  quality_->setEnabled(codec_->currentIndex() == static_cast<int>(vd::VideoCodec::kMjpeg));
  bitRate_->setEnabled(codec_->currentIndex() == static_cast<int>(vd::VideoCodec::kH264));
}

void CCapturePage::OnOk() {
  vd::CaptureOptions options = shown_;
  options.captureAudio = captureAudio_->isChecked();
  options.useFrameRate = useFrameRate_->isChecked();
  options.useTimeLimit = useTimeLimit_->isChecked();
  bool ok = false;
  // An unreadable field keeps the value shown when the page opened. The validators take
  // numbers as the user's language writes them ("12,5" in German).
  double rate = locale().toDouble(frameRate_->text(), &ok);
  if (ok && rate > 0) options.framesPerSecond = rate;
  if (options.framesPerSecond > options.maxFramesPerSecond) {
    options.framesPerSecond = options.maxFramesPerSecond;
  }
  double limit = locale().toDouble(timeLimit_->text(), &ok);
  if (ok && limit >= 1 && limit <= kMaxTimeLimit) options.timeLimit = limit;
  options.masterStream = MasterStream();
  options.recording.codec = static_cast<vd::VideoCodec>(std::max(0, codec_->currentIndex()));
  options.recording.mjpegQuality = quality_->value();
  options.recording.h264Kbps = bitRate_->value();
  options.recording.deinterlace = deinterlace_->isChecked();
  options.deinterlaceLive = deinterlaceLive_->isChecked();
  options.keepPictureAspect = keepAspect_->isChecked();
  engine_.SetCaptureOptions(options);
}
