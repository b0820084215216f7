#include "scan_progress_wnd.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "vd/nested_loop.h"
#include "vd/tuning/scan_engine.h"

CScanProgressWnd::CScanProgressWnd(QWidget* owner) : QDialog(owner) {
  setWindowTitle(QStringLiteral("Scanning"));
  setModal(false);
  bar_ = new QProgressBar(this);
  bar_->setTextVisible(false);
  bar_->setMinimumWidth(260);
  percent_ = new QLabel(this);
  percent_->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("100%")) + 4);
  percent_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  text_ = new QLabel(this);
  cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
  connect(cancel_, &QPushButton::clicked, this, &CScanProgressWnd::Cancel);

  auto* barRow = new QHBoxLayout;
  barRow->addWidget(bar_, 1);
  barRow->addWidget(percent_);
  auto* buttonRow = new QHBoxLayout;
  buttonRow->addWidget(text_, 1);
  buttonRow->addWidget(cancel_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(barRow);
  layout->addLayout(buttonRow);
}

void CScanProgressWnd::Open(int32_t first, int32_t last) {
  first_ = first;
  last_ = last;
  cancelled_ = false;
  text_->clear();
  bar_->setRange(first, last > first ? last : first + 1);
  SetPosition(first);
  show();
  raise();
}

void CScanProgressWnd::Close() {
  hide();
}

bool CScanProgressWnd::Cancelled() {
  vd::NestedLoop modal(vd::NestedLoop::Kind::kModal);
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  return cancelled_;
}

void CScanProgressWnd::SetPosition(int32_t position) {
  position_ = position;
  bar_->setValue(std::clamp(position, bar_->minimum(), bar_->maximum()));
  percent_->setText(QString::fromStdString(vd::ScanEngine::PercentText(position, first_, last_)));
}

void CScanProgressWnd::SetText(const std::string& text) {
  text_->setText(QString::fromStdString(text));
}

QString CScanProgressWnd::PercentText() const {
  return percent_->text();
}

QString CScanProgressWnd::FoundText() const {
  return text_->text();
}

void CScanProgressWnd::reject() {
  Cancel();
}
