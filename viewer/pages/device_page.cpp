#include "device_page.h"

#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <algorithm>

#include "vd/pages/audio_format_dialog.h"
#include "vd/pages/property_dialog.h"

CDevicePage::CDevicePage(vd::DeviceChoicePort& engine, QWidget* parent)
    : QWidget(parent), engine_(engine) {
  videoList_ = new QListWidget(this);
  audioList_ = new QListWidget(this);
  audioSetting_ = new QPushButton(tr("Audio Setting"), this);
  videoSetting_ = new QPushButton(tr("Video Setting"), this);
  auto* grid = new QGridLayout(this);
  grid->addWidget(new QLabel(tr("Video device"), this), 0, 0);
  grid->addWidget(videoList_, 1, 0);
  grid->addWidget(videoSetting_, 2, 0);
  grid->addWidget(new QLabel(tr("Audio device"), this), 0, 1);
  grid->addWidget(audioList_, 1, 1);
  grid->addWidget(audioSetting_, 2, 1);

  const auto videoNames = engine_.VideoDeviceNames();
  const auto usable = engine_.VideoDeviceUsable();
  const int32_t selectedVideo = engine_.VideoIndex();
  const size_t videoCount = std::min<size_t>(videoNames.size(), kMaxDevices);
  for (size_t i = 0; i < videoCount; ++i) {
    if (i >= usable.size() || !usable[i]) continue;
    videoIndexes_.push_back(static_cast<int32_t>(i));
    videoList_->addItem(QString::fromStdString(videoNames[i]));
    if (static_cast<int32_t>(i) == selectedVideo)
      videoList_->setCurrentRow(videoList_->count() - 1);
  }
  const auto audioNames = engine_.AudioDeviceNames();
  const size_t audioCount = std::min<size_t>(audioNames.size(), kMaxDevices);
  for (size_t i = 0; i < audioCount; ++i) {
    audioList_->addItem(QString::fromStdString(audioNames[i]));
  }
  if (engine_.AudioIndex() >= 0 && engine_.AudioIndex() < audioList_->count()) {
    audioList_->setCurrentRow(engine_.AudioIndex());
  }

  // The format dialogs resize the picture, which a full-screen picture cannot follow; the
  // radio has no picture to disturb.
  videoSetting_->setEnabled(engine_.WorkMode() == vd::WorkMode::kRadio || !engine_.FullScreen());
  audioSetting_->setEnabled(engine_.HasSeparateAudio());
  connect(audioSetting_, &QPushButton::clicked, this, &CDevicePage::OnAudioSetting);
  connect(videoSetting_, &QPushButton::clicked, this, &CDevicePage::OnVideoSetting);
}

void CDevicePage::OnOk() {
  const int row = videoList_->currentRow();
  // No usable device listed: keep the one in use rather than choosing a missing one.
  const int32_t video = row >= 0 && static_cast<size_t>(row) < videoIndexes_.size()
                            ? videoIndexes_[static_cast<size_t>(row)]
                            : engine_.VideoIndex();
  const int32_t audio =
      audioList_->currentRow() >= 0 ? audioList_->currentRow() : engine_.AudioIndex();
  engine_.ChooseDevices(video, audio, true);
  if (!engine_.FullScreen()) engine_.RefreshDeviceStatus();
}

void CDevicePage::OnAudioSetting() {
  vd::AudioFormatDialog::Choose(engine_.Formats(), this);
  engine_.RedrawAll();
}

void CDevicePage::OnVideoSetting() {
  vd::PropertyDialog::Show(engine_.Formats(), vd::PropertyDialog::Kind::kVideoFormat, this);
  engine_.RedrawAll();
}
