#include "playback_bar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QSlider>

PlaybackBar::PlaybackBar(QWidget* parent) : QFrame(parent) {
  setObjectName("playback");
  setAutoFillBackground(true);
  QPalette bar = palette();
  bar.setColor(QPalette::Window, QColor(34, 38, 48));
  bar.setColor(QPalette::WindowText, QColor(236, 238, 242));
  setPalette(bar);
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(6, 1, 6, 1);
  row->setSpacing(6);
  elapsed_ = new QLabel("00:00", this);
  elapsed_->setObjectName("elapsed");
  length_ = new QLabel("00:00", this);
  length_->setObjectName("length");
  slider_ = new QSlider(Qt::Horizontal, this);
  slider_->setObjectName("position");
  slider_->setFocusPolicy(Qt::NoFocus);
  slider_->setSingleStep(1);
  slider_->setPageStep(10);
  row->addWidget(elapsed_);
  row->addWidget(slider_, 1);
  row->addWidget(length_);
  connect(&timer_, &QTimer::timeout, this, [this] { emit Tick(timerId_); });
  // A drag seeks when it is let go; a click on the groove or a key step seeks at once.
  connect(slider_, &QSlider::sliderReleased, this, [this] { RequestSeek(slider_->value()); });
  connect(slider_, &QSlider::actionTriggered, this, [this](int action) {
    if (action != QAbstractSlider::SliderMove) RequestSeek(slider_->sliderPosition());
  });
  Refresh();
}

void PlaybackBar::Open(int32_t seconds) {
  position_.Open(seconds);
  Refresh();
}

void PlaybackBar::Close() {
  timer_.stop();
  position_.Close();
  Refresh();
}

void PlaybackBar::ShowTimes(const std::string& length, const std::string& elapsed) {
  position_.ShowTimes(length, elapsed);
  Refresh();
}

void PlaybackBar::StartTimer(uint32_t id, uint32_t periodMs) {
  timerId_ = id;
  timer_.start(static_cast<int>(periodMs));
}

void PlaybackBar::StopTimer(uint32_t id) {
  if (id == timerId_) timer_.stop();
}

void PlaybackBar::Refresh() {
  elapsed_->setText(QString::fromStdString(position_.ElapsedText()));
  length_->setText(QString::fromStdString(position_.LengthText()));
  slider_->setEnabled(position_.Seekable());
  // The user's hand on the slider wins over the clock until it lets go.
  if (slider_->isSliderDown()) return;
  const QSignalBlocker quiet(slider_);
  slider_->setRange(0, position_.SliderMaximum());
  slider_->setValue(position_.Elapsed());
}

void PlaybackBar::RequestSeek(int value) {
  if (const auto target = position_.SeekTarget(value)) emit SeekRequested(*target);
}
