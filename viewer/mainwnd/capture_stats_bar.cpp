#include "capture_stats_bar.h"

#include <QLabel>
#include <algorithm>

namespace {

using Fields = vd::CaptureStatsFields;

constexpr int kGap = 4;

}  // namespace

CaptureStatsBar::CaptureStatsBar(QWidget* parent) : QFrame(parent) {
  setObjectName("captureStatistics");
  setFrameShape(QFrame::NoFrame);
  setAutoFillBackground(true);
  QPalette bar = palette();
  bar.setColor(QPalette::Window, QColor(34, 38, 48));
  bar.setColor(QPalette::WindowText, QColor(150, 158, 172));
  setPalette(bar);
  QPalette value = bar;
  value.setColor(QPalette::WindowText, QColor(236, 238, 242));
  QFont small = font();
  small.setPointSizeF(std::max(7.0, small.pointSizeF() - 1.0));
  for (int i = 0; i < Fields::kFieldCount; ++i) {
    const auto field = static_cast<Fields::Field>(i);
    labels_[i] = new QLabel(QString::fromLatin1(Fields::Label(field)), this);
    labels_[i]->setFont(small);
    labels_[i]->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    values_[i] = new QLabel(this);
    values_[i]->setObjectName(QStringLiteral("statistic%1").arg(i));
    values_[i]->setFont(small);
    values_[i]->setPalette(value);
    values_[i]->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  }
}

void CaptureStatsBar::Show(const vd::StatisticsText& text) {
  fields_.Show(text);
  for (int i = 0; i < Fields::kFieldCount; ++i) {
    values_[i]->setText(QString::fromStdString(fields_.Text(static_cast<Fields::Field>(i))));
  }
}

void CaptureStatsBar::Reset() {
  Show(vd::StatisticsText{});
}

void CaptureStatsBar::resizeEvent(QResizeEvent* event) {
  QFrame::resizeEvent(event);
  Place();
}

void CaptureStatsBar::Place() {
  for (int i = 0; i < Fields::kFieldCount; ++i) {
    const Fields::Cell cell = Fields::CellOf(static_cast<Fields::Field>(i), width());
    // The label takes what its text needs; the value gets the rest of the cell.
    const int labelWidth = std::min(labels_[i]->sizeHint().width(), cell.width * 3 / 5);
    labels_[i]->setGeometry(cell.x, cell.y, labelWidth, cell.height);
    values_[i]->setGeometry(cell.x + labelWidth + kGap, cell.y,
                            std::max(cell.width - labelWidth - kGap, 0), cell.height);
  }
}
