// The slim strip at the right of the video area with the Gallery, Capture and Snapshot
// buttons (commands 1020, 1022, 1024).
#pragma once

#include <QWidget>
#include <map>
#include "vd/layout/command_ids.h"

class QToolButton;

class ViewStateStrip : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kGallery = vd::command_id::kGallery;
  static constexpr int kCapture = vd::command_id::kCapture;
  static constexpr int kSnapshot = vd::command_id::kSnapshot;
  static constexpr int kWidth = 34;

  explicit ViewStateStrip(QWidget* parent = nullptr);

  void SetCommandEnabled(int id, bool enabled);
  // The Capture button reads "Stop" while a capture runs or a file is open.
  void SetCaptureLabel(bool stop);
  QToolButton* Button(int id) const;

 signals:
  void Command(int id);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  std::map<int, QToolButton*> buttons_;
};
