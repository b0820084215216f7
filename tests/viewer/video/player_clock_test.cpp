#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "vd/video/playback_clock.h"

namespace {

using vd::PlaybackClock;

class ClockHost : public PlaybackClock::Host {
 public:
  void StartClockTimer(uint32_t id, uint32_t periodMs) override {
    ++activeTimers;
    ++starts;
    lastId = id;
    lastPeriod = periodMs;
  }
  void StopClockTimer(uint32_t id) override {
    --activeTimers;
    ++stops;
    lastId = id;
  }
  void ShowElapsed(const std::string& elapsed) override { shown.push_back(elapsed); }
  void OnClockEnded() override {
    ++ended;
    if (onEnded) onEnded();
  }

  int activeTimers = 0;
  int starts = 0;
  int stops = 0;
  uint32_t lastId = 0;
  uint32_t lastPeriod = 0;
  int ended = 0;
  std::vector<std::string> shown;
  std::function<void()> onEnded;
};

TEST(PlaybackClockFormat, MinutesAndSecondsWithTwoDigits) {
  EXPECT_EQ(PlaybackClock::FormatTime(0), "00:00");
  EXPECT_EQ(PlaybackClock::FormatTime(7), "00:07");
  EXPECT_EQ(PlaybackClock::FormatTime(59), "00:59");
  EXPECT_EQ(PlaybackClock::FormatTime(60), "01:00");
  EXPECT_EQ(PlaybackClock::FormatTime(65), "01:05");
  EXPECT_EQ(PlaybackClock::FormatTime(3599), "59:59");
  // Long films widen the minutes rather than wrapping them.
  EXPECT_EQ(PlaybackClock::FormatTime(6000), "100:00");
  EXPECT_EQ(PlaybackClock::FormatTime(-5), "00:00");
}

TEST(PlaybackClock, StartShowsZeroAndAsksForTheOneSecondTimer) {
  ClockHost host;
  PlaybackClock clock(&host);
  clock.SetLength(10);
  clock.Start();
  EXPECT_EQ(host.shown, std::vector<std::string>{"00:00"});
  EXPECT_EQ(host.lastId, 0x21122112u);
  EXPECT_EQ(host.lastPeriod, 1000u);
  EXPECT_EQ(host.activeTimers, 1);
  EXPECT_TRUE(clock.IsRunning());
  EXPECT_EQ(clock.Elapsed(), 0);
}

TEST(PlaybackClock, CountsUpToTheLengthThenEndsOnce) {
  ClockHost host;
  PlaybackClock clock(&host);
  clock.SetLength(3);
  clock.Start();
  for (int i = 0; i < 3; ++i) clock.OnTimer(PlaybackClock::kTimerId);
  EXPECT_EQ(host.shown, (std::vector<std::string>{"00:00", "00:01", "00:02", "00:03"}));
  EXPECT_EQ(host.ended, 0);
  EXPECT_EQ(host.activeTimers, 1);

  clock.OnTimer(PlaybackClock::kTimerId);
  EXPECT_EQ(host.ended, 1);
  EXPECT_EQ(host.activeTimers, 0);
  EXPECT_FALSE(clock.IsRunning());
  EXPECT_EQ(clock.Elapsed(), 3) << "the count never passes the length";
  EXPECT_EQ(host.shown.back(), "00:03");

  // Ticks the host had queued before the timer stopped change nothing.
  clock.OnTimer(PlaybackClock::kTimerId);
  clock.OnTimer(PlaybackClock::kTimerId);
  EXPECT_EQ(host.ended, 1);
  EXPECT_EQ(host.shown.size(), 4u);
}

TEST(PlaybackClock, ZeroLengthEndsAtTheFirstTick) {
  ClockHost host;
  PlaybackClock clock(&host);
  clock.SetLength(0);
  clock.Start();
  clock.OnTimer(PlaybackClock::kTimerId);
  EXPECT_EQ(host.ended, 1);
  EXPECT_EQ(host.shown, std::vector<std::string>{"00:00"});
}

TEST(PlaybackClock, UnknownLengthNeverEndsTheClip) {
  ClockHost host;
  PlaybackClock clock(&host);
  clock.SetLength(PlaybackClock::kUnknownLength);
  clock.Start();
  for (int i = 0; i < 125; ++i) clock.OnTimer(PlaybackClock::kTimerId);
  EXPECT_EQ(host.ended, 0);
  EXPECT_EQ(host.shown.back(), "02:05");
  EXPECT_TRUE(clock.IsRunning());
}

TEST(PlaybackClock, TicksOfOtherTimersAreIgnored) {
  ClockHost host;
  PlaybackClock clock(&host);
  clock.SetLength(5);
  clock.Start();
  clock.OnTimer(214);
  clock.OnTimer(0);
  EXPECT_EQ(clock.Elapsed(), 0);
  EXPECT_EQ(host.shown.size(), 1u);
}

TEST(PlaybackClock, StopResetsAndShowsZero) {
  ClockHost host;
  PlaybackClock clock(&host);
  clock.SetLength(90);
  clock.Start();
  for (int i = 0; i < 70; ++i) clock.OnTimer(PlaybackClock::kTimerId);
  EXPECT_EQ(host.shown.back(), "01:10");
  clock.Stop();
  EXPECT_EQ(host.shown.back(), "00:00");
  EXPECT_EQ(clock.Elapsed(), 0);
  EXPECT_EQ(host.activeTimers, 0);
  EXPECT_EQ(host.lastId, PlaybackClock::kTimerId);

  // Stopping a stopped clock still shows "00:00" but leaves the host's timers alone.
  int stops = host.stops;
  clock.Stop();
  EXPECT_EQ(host.stops, stops);
  EXPECT_EQ(host.shown.back(), "00:00");
  EXPECT_EQ(host.activeTimers, 0);
}

TEST(PlaybackClock, HoldKeepsTheCountAndResumeGoesOn) {
  ClockHost host;
  PlaybackClock clock(&host);
  clock.SetLength(10);
  clock.Start();
  clock.OnTimer(PlaybackClock::kTimerId);
  clock.OnTimer(PlaybackClock::kTimerId);
  clock.Hold();
  EXPECT_EQ(host.activeTimers, 0);
  clock.OnTimer(PlaybackClock::kTimerId);
  EXPECT_EQ(clock.Elapsed(), 2) << "a held clock does not count";

  size_t shownBefore = host.shown.size();
  clock.Resume();
  EXPECT_EQ(host.activeTimers, 1);
  EXPECT_EQ(host.shown.size(), shownBefore) << "resuming does not reset the display";
  clock.OnTimer(PlaybackClock::kTimerId);
  EXPECT_EQ(host.shown.back(), "00:03");
}

TEST(PlaybackClock, ResumeWithNothingCountedStartsAfresh) {
  ClockHost host;
  PlaybackClock clock(&host);
  clock.SetLength(10);
  clock.Resume();
  EXPECT_EQ(host.shown, std::vector<std::string>{"00:00"});
  EXPECT_EQ(host.activeTimers, 1);
}

TEST(PlaybackClock, StartingTwiceKeepsOneTimer) {
  ClockHost host;
  PlaybackClock clock(&host);
  clock.SetLength(10);
  clock.Start();
  clock.OnTimer(PlaybackClock::kTimerId);
  clock.Start();
  EXPECT_EQ(host.activeTimers, 1);
  EXPECT_EQ(clock.Elapsed(), 0);
  EXPECT_EQ(host.shown.back(), "00:00");
}

TEST(PlaybackClock, EndHandlerMayRestartTheClock) {
  // What a looping player does: the end of the count starts the next round at once.
  ClockHost host;
  PlaybackClock clock(&host);
  host.onEnded = [&clock] { clock.Start(); };
  clock.SetLength(1);
  clock.Start();
  clock.OnTimer(PlaybackClock::kTimerId);
  clock.OnTimer(PlaybackClock::kTimerId);
  EXPECT_EQ(host.ended, 1);
  EXPECT_TRUE(clock.IsRunning());
  EXPECT_EQ(host.activeTimers, 1);
  EXPECT_EQ(clock.Elapsed(), 0);
  EXPECT_EQ(host.shown, (std::vector<std::string>{"00:00", "00:01", "00:00"}));
  clock.OnTimer(PlaybackClock::kTimerId);
  EXPECT_EQ(host.shown.back(), "00:01");
}

TEST(PlaybackClock, SeekMovesTheCountWithinTheLengthAndTicksGoOnFromThere) {
  ClockHost host;
  PlaybackClock clock(&host);
  clock.SetLength(65);
  clock.Start();
  clock.Seek(30);
  EXPECT_EQ(clock.Elapsed(), 30);
  EXPECT_EQ(host.shown.back(), "00:30");
  EXPECT_TRUE(clock.IsRunning());
  clock.OnTimer(PlaybackClock::kTimerId);
  EXPECT_EQ(host.shown.back(), "00:31");
  clock.Seek(500);
  EXPECT_EQ(host.shown.back(), "01:05");
  clock.Seek(-4);
  EXPECT_EQ(host.shown.back(), "00:00");
  // Seeking must not start or stop the timer.
  EXPECT_EQ(host.activeTimers, 1);
}

TEST(PlaybackClock, SeekOfAHeldClockResumesFromTheNewPlace) {
  ClockHost host;
  PlaybackClock clock(&host);
  clock.SetLength(PlaybackClock::kUnknownLength);
  clock.Start();
  clock.Hold();
  clock.Seek(125);
  EXPECT_FALSE(clock.IsRunning());
  EXPECT_EQ(host.shown.back(), "02:05");
  clock.Resume();
  clock.OnTimer(PlaybackClock::kTimerId);
  EXPECT_EQ(host.shown.back(), "02:06");
}

}  // namespace
