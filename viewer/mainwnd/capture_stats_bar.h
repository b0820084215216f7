// The capture-statistics bar docked under the video area while a capture runs and while it
// is being finished: labelled fields, arranged in one or more rows by the bar's width.
#pragma once

#include <QFrame>
#include <array>

#include "capture_stats_fields.h"

class QLabel;

class CaptureStatsBar : public QFrame {
  Q_OBJECT

 public:
  explicit CaptureStatsBar(QWidget* parent = nullptr);

  void Show(const vd::StatisticsText& text);
  void Reset();
  const vd::CaptureStatsFields& Fields() const { return fields_; }
  QLabel* Value(vd::CaptureStatsFields::Field field) const { return values_[field]; }
  // The height the bar needs at `width`.
  static int HeightFor(int width) { return vd::CaptureStatsFields::HeightFor(width); }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void Place();

  vd::CaptureStatsFields fields_;
  std::array<QLabel*, vd::CaptureStatsFields::kFieldCount> labels_{};
  std::array<QLabel*, vd::CaptureStatsFields::kFieldCount> values_{};
};
