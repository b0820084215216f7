// The device page: which capture device and which sound device the viewer uses, and the
// doors to their format dialogs.
#pragma once

#include <QWidget>
#include <vector>

#include "vd/pages/pages_engine.h"
#include "vd/sheet/sheet_page.h"

class QListWidget;
class QPushButton;

class CDevicePage : public QWidget, public vd::SheetPage {
  Q_OBJECT

 public:
  static constexpr int kTemplate = 152;
  static constexpr int kVideoList = 1030;
  static constexpr int kAudioList = 1040;
  static constexpr int kAudioSetting = 32801;
  static constexpr int kVideoSetting = 32833;
  static constexpr int kMaxDevices = 10;

  explicit CDevicePage(vd::DeviceChoicePort& engine, QWidget* parent = nullptr);

  void OnOk() override;

  QListWidget* VideoList() const { return videoList_; }
  QListWidget* AudioList() const { return audioList_; }
  QPushButton* AudioSetting() const { return audioSetting_; }
  QPushButton* VideoSetting() const { return videoSetting_; }

 private:
  void OnAudioSetting();
  void OnVideoSetting();

  vd::DeviceChoicePort& engine_;
  std::vector<int32_t> videoIndexes_;  // device index of each list entry
  QListWidget* videoList_;
  QListWidget* audioList_;
  QPushButton* audioSetting_;
  QPushButton* videoSetting_;
};
