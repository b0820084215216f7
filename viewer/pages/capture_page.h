// The capture options page: sound on or off, the frame rate, the time limit, the stream
// the recording's clock follows, how the picture is compressed and deinterlaced, whether
// the live picture is deinterlaced, and whether the picture keeps its shape on the screen.
#pragma once

#include <QWidget>

#include "vd/pages/pages_engine.h"
#include "vd/sheet/sheet_page.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QSpinBox;
class QLineEdit;
class QRadioButton;

class CCapturePage : public QWidget, public vd::SheetPage {
  Q_OBJECT

 public:
  static constexpr int kTemplate = 154;
  static constexpr double kMaxTimeLimit = 99999;
  static constexpr double kDefaultTimeLimit = 5;

  explicit CCapturePage(vd::CaptureOptionsPort& engine, QWidget* parent = nullptr);

  void OnOk() override;

  QCheckBox* CaptureAudio() const { return captureAudio_; }
  QCheckBox* UseFrameRate() const { return useFrameRate_; }
  QLineEdit* FrameRate() const { return frameRate_; }
  QCheckBox* UseTimeLimit() const { return useTimeLimit_; }
  QLineEdit* TimeLimit() const { return timeLimit_; }
  // -1 none, 0 video, 1 audio.
  int32_t MasterStream() const;
  void SetMasterStream(int32_t stream);
  // Index = vd::VideoCodec; a codec whose encoder is not installed is disabled.
  QComboBox* Codec() const { return codec_; }
  QSpinBox* Quality() const { return quality_; }
  QSpinBox* BitRate() const { return bitRate_; }
  QCheckBox* DeinterlaceRecording() const { return deinterlace_; }
  QCheckBox* DeinterlaceLive() const { return deinterlaceLive_; }
  QCheckBox* KeepPictureAspect() const { return keepAspect_; }

 private:
  // The constructor's group boxes, made in the page's focus order.
  QGroupBox* BuildMasterBox();
  QGroupBox* BuildCompressionBox();
  void Load();
  void ShowCodecSettings();

  vd::CaptureOptionsPort& engine_;
  vd::CaptureOptions shown_;
  QCheckBox* captureAudio_;
  QCheckBox* useFrameRate_;
  QLineEdit* frameRate_;
  QCheckBox* useTimeLimit_;
  QLineEdit* timeLimit_;
  QRadioButton* masterNone_;
  QRadioButton* masterVideo_;
  QRadioButton* masterAudio_;
  QComboBox* codec_;
  QSpinBox* quality_;
  QSpinBox* bitRate_;
  QCheckBox* deinterlace_;
  QCheckBox* deinterlaceLive_;
  QCheckBox* keepAspect_;
};
