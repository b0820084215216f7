// The capture device's property dialogs: the capture and preview formats, the video source
// (input and standard) and the driver's source, format and display dialogs. Each stops and
// tears down the preview around its change and rebuilds and restarts it afterwards.
#pragma once

#include <QDialog>
#include <vector>

#include "pages_engine.h"

class QComboBox;

namespace vd {

class PropertyDialog : public QDialog {
  Q_OBJECT

 public:
  enum class Kind {
    kVideoFormat,    // "Video Format": the capture pin
    kPreviewFormat,  // "Video Preview Format": the preview pin
    kVideoSource,    // "Video Source": input and standard
    kDriverSource,   // the driver's source dialog
    kDriverFormat,   // the driver's format dialog
    kDriverDisplay,  // the driver's display dialog
  };

  PropertyDialog(FormatPort& engine, Kind kind, QWidget* parent = nullptr);

  static QString Caption(Kind kind);
  // A format's name in the list: its FourCC and depth ("YUY2, 16 bit"), or "RGB 24".
  static QString FormatName(uint32_t fourcc, uint32_t bitCount);
  // Runs the dialog with the stop / rebuild / restart sequence around it; true when a change
  // was accepted and applied.
  static bool Show(FormatPort& engine, Kind kind, QWidget* parent);

  QComboBox* Formats() const { return formats_; }
  QComboBox* Inputs() const { return inputs_; }
  QComboBox* Standards() const { return standards_; }

 private:
  bool Apply();
  PinKind Pin() const;

  FormatPort& engine_;
  Kind kind_;
  std::vector<VideoFormat> formatList_;
  QComboBox* formats_ = nullptr;
  QComboBox* inputs_ = nullptr;
  QComboBox* standards_ = nullptr;
};

}  // namespace vd
