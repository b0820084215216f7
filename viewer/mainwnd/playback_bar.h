// The playback bar docked under the video area while a clip is open: the elapsed time, a
// position slider the user can drag to seek, and the clip length. It owns the player's
// one-second timer, so the elapsed field counts on the bar's own clock.
#pragma once

#include <QFrame>
#include <QTimer>

#include "playback_position.h"

class QLabel;
class QSlider;

class PlaybackBar : public QFrame {
  Q_OBJECT

 public:
  static constexpr int kHeight = 22;

  explicit PlaybackBar(QWidget* parent = nullptr);

  // A clip of `seconds` is open (negative: length unknown, no seeking).
  void Open(int32_t seconds);
  void Close();
  void ShowTimes(const std::string& length, const std::string& elapsed);
  void StartTimer(uint32_t id, uint32_t periodMs);
  void StopTimer(uint32_t id);

  bool TimerRunning() const { return timer_.isActive(); }
  const vd::PlaybackPosition& Position() const { return position_; }
  QSlider* Slider() const { return slider_; }
  QLabel* ElapsedLabel() const { return elapsed_; }
  QLabel* LengthLabel() const { return length_; }

 signals:
  // One tick of the timer started through StartTimer.
  void Tick(uint32_t id);
  void SeekRequested(int32_t seconds);

 private:
  void Refresh();
  void RequestSeek(int value);

  vd::PlaybackPosition position_;
  QTimer timer_;
  uint32_t timerId_ = 0;
  QLabel* elapsed_ = nullptr;
  QLabel* length_ = nullptr;
  QSlider* slider_ = nullptr;
};
