// The tuned station's teletext while the viewer runs: packets from the stream parser's worker
// are queued, fed to the decoder on the UI thread a few times a second, and the reader's
// place is kept. The window shows what this holds; the status strip shows its name.
#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <chrono>
#include <cstdint>

#include "vd/packet_queue.h"
#include "vd/teletext_decoder.h"
#include "vd/teletext_navigator.h"

namespace vd {

class TeletextSession : public QObject {
  Q_OBJECT

 public:
  // Packets that were on their way when the station changed are the old station's.
  static constexpr std::chrono::milliseconds kSettle{300};
  static constexpr std::chrono::milliseconds kDrainPeriod{100};

  explicit TeletextSession(QObject* parent = nullptr);

  // The stream parser's record callback (its worker thread); `context` is the session.
  static void RecordCallback(void* context, const uint8_t* record);

  // UI thread from here on.
  // Another station (or none): every page and the name are forgotten, the reader goes back
  // to the front page.
  void StationChanged();
  // Feeds what has arrived; the timer calls it, tests may call it directly.
  void Drain();

  TeletextDecoder& Decoder() { return decoder_; }
  TeletextNavigator& Navigator() { return navigator_; }
  QString NetworkName() const { return name_; }

 signals:
  // New packets reached the decoder (a waiting page may have arrived).
  void PacketsArrived();
  void NetworkNameChanged(const QString& name);
  // The decoder was emptied for another station.
  void StationReset();

 private:
  TeletextPacketQueue queue_;
  TeletextDecoder decoder_;
  TeletextNavigator navigator_;
  QTimer timer_;
  QString name_;
  std::chrono::steady_clock::time_point settledAt_{};
};

}  // namespace vd
