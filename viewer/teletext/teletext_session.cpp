#include "vd/teletext/teletext_session.h"

namespace vd {

TeletextSession::TeletextSession(QObject* parent) : QObject(parent) {
  timer_.setInterval(kDrainPeriod);
  connect(&timer_, &QTimer::timeout, this, &TeletextSession::Drain);
  timer_.start();
}

void TeletextSession::RecordCallback(void* context, const uint8_t* record) {
  static_cast<TeletextSession*>(context)->queue_.Push(record);
}

void TeletextSession::StationChanged() {
  queue_.Take();
  decoder_.Reset();
  navigator_.Reset();
  settledAt_ = std::chrono::steady_clock::now() + kSettle;
  if (!name_.isEmpty()) {
    name_.clear();
    emit NetworkNameChanged(name_);
  }
  emit StationReset();
}

void TeletextSession::Drain() {
  const auto packets = queue_.Take();
  if (packets.empty() || std::chrono::steady_clock::now() < settledAt_) return;
  for (const auto& packet : packets) decoder_.Feed(packet.data());
  const QString name = QString::fromStdString(decoder_.NetworkName());
  if (name != name_) {
    name_ = name;
    emit NetworkNameChanged(name_);
  }
  emit PacketsArrived();
}

}  // namespace vd
