// The playback bar's elapsed-time counter. It owns no timer: the host starts and stops a
// 1000 ms timer on request and feeds each tick back through OnTimer, so the counting runs
// on the UI thread and tests drive it tick by tick.
#pragma once

#include <cstdint>
#include <string>

namespace vd {

class PlaybackClock {
 public:
  static constexpr uint32_t kTimerId = 0x21122112;
  static constexpr uint32_t kTickMs = 1000;

  class Host {
   public:
    virtual void StartClockTimer(uint32_t id, uint32_t periodMs) = 0;
    virtual void StopClockTimer(uint32_t id) = 0;
    // The elapsed field's new text, "mm:ss".
    virtual void ShowElapsed(const std::string& elapsed) = 0;
    // The count passed the clip length: the clip is over even if the pipeline has not said so.
    virtual void OnClockEnded() = 0;

   protected:
    ~Host() = default;
  };

  explicit PlaybackClock(Host* host);

  // Minutes and seconds as the playback bar shows them: "00:00", "01:05", "100:00".
  static std::string FormatTime(int32_t seconds);

  // A clip whose length the file does not tell: the count runs until the pipeline ends it.
  static constexpr int32_t kUnknownLength = -1;

  // The clip length in whole seconds (or kUnknownLength); ticks beyond it end the clip.
  void SetLength(int32_t seconds);
  int32_t Length() const { return length_; }

  // Resets the count to 0, shows "00:00" and starts the timer.
  void Start();
  // Stops the timer, resets the count and shows "00:00".
  void Stop();
  // Stops the timer but keeps the count, for a paused clip.
  void Hold();
  // Restarts the timer from the kept count; the same as Start when nothing was counted.
  void Resume();
  // The clip was moved to `seconds`: the count goes on from there (running or not).
  void Seek(int32_t seconds);
  // One timer tick; ticks of other timers and ticks after Stop or Hold are ignored.
  void OnTimer(uint32_t id);

  bool IsRunning() const { return running_; }
  int32_t Elapsed() const { return elapsed_; }

 private:
  void StartTimer();
  void StopTimer();

  Host* host_;
  int32_t length_ = 0;
  int32_t elapsed_ = 0;
  bool running_ = false;
};

}  // namespace vd
