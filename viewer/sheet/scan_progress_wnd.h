// The modeless progress window of a full scan: the bar over the tuner's range, the
// percentage, the "Found n Channels" text and Cancel. It keeps the UI responsive by running
// the event loop whenever the scan asks whether it was cancelled.
#pragma once

#include <QDialog>
#include <cstdint>
#include <string>

#include "vd/tuning/scan_progress.h"

class QLabel;
class QProgressBar;
class QPushButton;

class CScanProgressWnd : public QDialog, public vd::ScanProgress {
  Q_OBJECT

 public:
  explicit CScanProgressWnd(QWidget* owner);

  void Open(int32_t first, int32_t last) override;
  void Close() override;
  bool Cancelled() override;
  int32_t Position() const override { return position_; }
  void SetPosition(int32_t position) override;
  void SetText(const std::string& text) override;

  // Cancel, as the button does.
  void Cancel() { cancelled_ = true; }
  QString PercentText() const;
  QString FoundText() const;
  QPushButton* CancelButton() const { return cancel_; }

 protected:
  // Closing the window by its frame is taken as Cancel.
  void reject() override;

 private:
  QProgressBar* bar_ = nullptr;
  QLabel* percent_ = nullptr;
  QLabel* text_ = nullptr;
  QPushButton* cancel_ = nullptr;
  int32_t first_ = 0;
  int32_t last_ = 0;
  int32_t position_ = 0;
  bool cancelled_ = false;
};
