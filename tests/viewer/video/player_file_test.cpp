#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <iterator>
#include <string>
#include <utility>

#include "player_support.h"
#include "vd/video/file_player.h"
#include "vd/video/playback_clock.h"

namespace {

using playertest::CountingSink;
using playertest::RecordingHost;
using playertest::RunUntil;
using playertest::TestClips;

constexpr char kCannotPlay[] = "Sorry, I do not know how to play this file.";
constexpr char kNoPreview[] = "This graph cannot preview properly";

class FilePlayerTest : public testing::Test {
 protected:
  // What the host's timer does each second; a stopped timer does not tick.
  void Tick(int times = 1) {
    for (int i = 0; i < times; ++i) {
      if (host.timerRunning) player.OnPlaybackTimer(host.timerId);
    }
  }

  bool OpenFilm() { return player.OpenAndShow(TestClips().film); }

  RecordingHost host{true};
  CountingSink sink;
  FilePlayer player{&sink, &host};
};

TEST_F(FilePlayerTest, OpenAndShowLeavesTheClipStoppedWithItsLengthShown) {
  ASSERT_TRUE(OpenFilm());
  EXPECT_EQ(player.GetState(), FilePlayer::kStopped);
  EXPECT_TRUE(player.IsActive());
  EXPECT_EQ(player.LastFile(), TestClips().film);
  EXPECT_TRUE(host.messages.empty());
  ASSERT_FALSE(host.resizes.empty());
  EXPECT_EQ(host.resizes.back(), std::make_pair(176, 144));

  int32_t width = 0, height = 0, seconds = -1;
  ASSERT_TRUE(player.GetVideoSize(&width, &height));
  EXPECT_EQ(width, 176);
  EXPECT_EQ(height, 144);
  ASSERT_TRUE(player.GetDuration(&seconds));
  EXPECT_EQ(seconds, 2);

  EXPECT_EQ(host.Length(), "00:02");
  EXPECT_EQ(host.Elapsed(), "00:00");
  EXPECT_FALSE(host.timerRunning);
}

TEST_F(FilePlayerTest, OpenFileAloneDoesNotTakeTheVideoArea) {
  const std::string path = TestClips().film;
  ASSERT_TRUE(player.OpenFile(&path));
  EXPECT_EQ(player.GetState(), FilePlayer::kStopped);
  EXPECT_FALSE(player.IsActive());
}

TEST_F(FilePlayerTest, LengthOverAMinuteShowsMinutes) {
  ASSERT_TRUE(player.OpenAndShow(TestClips().longFilm));
  int32_t seconds = 0;
  ASSERT_TRUE(player.GetDuration(&seconds));
  EXPECT_EQ(seconds, 65);
  EXPECT_EQ(host.Length(), "01:05");
  EXPECT_EQ(host.resizes.back(), std::make_pair(32, 24));
}

TEST_F(FilePlayerTest, NothingOpenRefusesEverything) {
  EXPECT_EQ(player.GetState(), FilePlayer::kNoFile);
  EXPECT_FALSE(player.PauseFile());
  EXPECT_FALSE(player.StopFile());
  EXPECT_FALSE(player.PlayFile()) << "no file was ever given";
  int32_t a = 0, b = 0;
  EXPECT_FALSE(player.GetDuration(&a));
  EXPECT_FALSE(player.GetVideoSize(&a, &b));
  EXPECT_EQ(player.GetState(), FilePlayer::kNoFile);
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(FilePlayerTest, TransitionsFollowTheStates) {
  ASSERT_TRUE(OpenFilm());
  // Stopped: nothing to pause or stop.
  EXPECT_FALSE(player.PauseFile());
  EXPECT_FALSE(player.StopFile());
  EXPECT_EQ(player.GetState(), FilePlayer::kStopped);

  ASSERT_TRUE(player.PlayFile());
  EXPECT_EQ(player.GetState(), FilePlayer::kRunning);
  EXPECT_TRUE(host.timerRunning);
  EXPECT_EQ(host.timerId, vd::PlaybackClock::kTimerId);
  EXPECT_EQ(host.timerPeriod, 1000u);
  EXPECT_FALSE(player.PlayFile()) << "play is for a stopped or paused clip";
  EXPECT_EQ(player.GetState(), FilePlayer::kRunning);

  ASSERT_TRUE(player.PauseFile());
  EXPECT_EQ(player.GetState(), FilePlayer::kPaused);
  EXPECT_FALSE(host.timerRunning);
  EXPECT_TRUE(player.PauseFile());
  EXPECT_EQ(player.GetState(), FilePlayer::kPaused);

  ASSERT_TRUE(player.PlayFile());
  EXPECT_EQ(player.GetState(), FilePlayer::kRunning);
  ASSERT_TRUE(player.StopFile());
  EXPECT_EQ(player.GetState(), FilePlayer::kStopped);
  EXPECT_FALSE(host.timerRunning);
  EXPECT_FALSE(player.StopFile());
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(FilePlayerTest, PicturesArriveAtTheClipsSizeInBgrx) {
  ASSERT_TRUE(OpenFilm());
  ASSERT_TRUE(player.PlayFile());
  ASSERT_TRUE(RunUntil([&] { return sink.Count() >= 5; }));
  CountingSink::Picture picture = sink.Last();
  EXPECT_EQ(picture.width, 176);
  EXPECT_EQ(picture.height, 144);
  EXPECT_GE(picture.stride, 176 * 4);
  // The clip is blue: blue must land in the first byte of each pixel.
  EXPECT_GT(picture.blue, 200);
  EXPECT_LT(picture.green, 60);
  EXPECT_LT(picture.red, 60);
}

TEST_F(FilePlayerTest, SoundOnlyFilePlaysWithoutPicture) {
  ASSERT_TRUE(player.OpenAndShow(TestClips().sound));
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0], kNoPreview);
  EXPECT_TRUE(host.resizes.empty());
  int32_t width = 0, height = 0, seconds = 0;
  EXPECT_FALSE(player.GetVideoSize(&width, &height));
  ASSERT_TRUE(player.GetDuration(&seconds));
  EXPECT_EQ(seconds, 1);

  ASSERT_TRUE(player.PlayFile());
  EXPECT_EQ(player.GetState(), FilePlayer::kRunning);
  ASSERT_TRUE(RunUntil([&] { return host.clipsEnded > 0; }));
  EXPECT_EQ(player.GetState(), FilePlayer::kStopped);
  EXPECT_EQ(sink.Count(), 0);
  EXPECT_EQ(host.messages.size(), 1u);
}

// The message names the file and the reason after the usual words; a clip already open
// stays open.
TEST_F(FilePlayerTest, UnplayableFilesAreRefusedWithTheMessage) {
  const std::string missing = TestClips().folder + "/missing.avi";
  for (const std::string& file : {TestClips().notAFilm, missing}) {
    host.messages.clear();
    EXPECT_FALSE(player.OpenAndShow(file));
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].rfind(std::string(kCannotPlay) + "\n" + file + ": ", 0), 0u)
        << host.messages[0];
    EXPECT_GT(host.messages[0].size(), std::string(kCannotPlay).size() + file.size() + 3);
    EXPECT_EQ(player.GetState(), FilePlayer::kNoFile);
    EXPECT_FALSE(player.IsActive());
  }

  ASSERT_TRUE(OpenFilm());
  EXPECT_FALSE(player.OpenAndShow(TestClips().notAFilm));
  EXPECT_EQ(player.GetState(), FilePlayer::kStopped);
  EXPECT_TRUE(player.IsActive());
  EXPECT_EQ(player.LastFile(), TestClips().film);
  sink.Reset();
  ASSERT_TRUE(player.PlayFile());
  EXPECT_TRUE(RunUntil([&] { return sink.Count() > 0; }));

  // A FIFO in a film's place is refused at once, not waited on for a writer.
  host.messages.clear();
  const std::string fifo = TestClips().folder + "/fifo.avi";
  std::filesystem::remove(fifo);
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  auto open = std::async(std::launch::async, [&] { return player.OpenAndShow(fifo); });
  if (open.wait_for(std::chrono::seconds(3)) != std::future_status::ready) {
    ADD_FAILURE() << "the player waits for a writer";
    // Frees the reader each time it opens the FIFO again, so that the test ends.
    while (open.wait_for(std::chrono::milliseconds(100)) != std::future_status::ready) {
      const int writer = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
      if (writer >= 0) ::close(writer);
    }
  }
  EXPECT_FALSE(open.get());
  std::filesystem::remove(fifo);
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].rfind(kCannotPlay, 0), 0u) << host.messages[0];

  // A film whose headers claim pictures far larger than any film (30000 x 30000, or 16000 x
  // 4000) is refused before anything is made for pictures of that size (the converter would
  // take gigabytes).
  const std::string huge = TestClips().folder + "/huge.avi";
  for (const auto& [width, height] : {std::pair{30000, 30000}, std::pair{16000, 4000}}) {
    host.messages.clear();
    ASSERT_TRUE(playertest::RunPipeline(
        "videotestsrc num-buffers=2 ! video/x-raw,format=I420,width=64,height=48,framerate=10/1 "
        "! avimux ! filesink location=\"" +
        huge + "\""));
    {
      std::fstream file(huge, std::ios::in | std::ios::out | std::ios::binary);
      const std::string bytes{std::istreambuf_iterator<char>(file), {}};
      const size_t avih = bytes.find("avih");
      const size_t strf = bytes.find("strf");
      ASSERT_NE(avih, std::string::npos);
      ASSERT_NE(strf, std::string::npos);
      // The main header's width and height, then the picture format's, little-endian.
      for (const auto& [at, value] : {std::pair{avih + 8 + 32, width},
                                      {avih + 8 + 36, height},
                                      {strf + 8 + 4, width},
                                      {strf + 8 + 8, height}}) {
        const char size[4] = {static_cast<char>(value & 0xFF), static_cast<char>(value >> 8), 0, 0};
        file.seekp(static_cast<std::streamoff>(at));
        file.write(size, 4);
      }
    }
    EXPECT_FALSE(player.OpenAndShow(huge));
    ASSERT_EQ(host.messages.size(), 1u);
    const std::string size = std::to_string(width) + " x " + std::to_string(height);
    EXPECT_NE(host.messages[0].find(size), std::string::npos) << host.messages[0];
    EXPECT_EQ(player.LastFile(), TestClips().film);
  }
}

// Overwrites the data of every picture chunk of the AVI's first stream ("00db", "00dc")
// with noise.
void GarblePictures(const std::string& path) {
  std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
  std::string bytes{std::istreambuf_iterator<char>(file), {}};
  size_t at = bytes.find("movi");
  ASSERT_NE(at, std::string::npos);
  int garbled = 0;
  uint32_t noise = 12345;
  for (at += 4; at + 8 <= bytes.size();) {
    const auto byte = [&](size_t i) {
      return static_cast<uint32_t>(static_cast<uint8_t>(bytes[i]));
    };
    const uint32_t size =
        byte(at + 4) | byte(at + 5) << 8 | byte(at + 6) << 16 | byte(at + 7) << 24;
    const std::string chunk = bytes.substr(at, 4);
    if (chunk == "LIST") {
      at += 12;
      continue;
    }
    if (chunk == "idx1" || at + 8 + size > bytes.size()) break;
    if (chunk == "00db" || chunk == "00dc") {
      for (uint32_t i = 0; i < size; ++i) {
        noise = noise * 1103515245u + 12345u;
        bytes[at + 8 + i] = static_cast<char>(noise >> 16);
      }
      ++garbled;
    }
    at += 8 + size + (size & 1);
  }
  ASSERT_GT(garbled, 0);
  file.seekp(0);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// A film whose pictures are noise never shows its first one: with more sound than the
// demuxer's queues hold ahead of the picture, it stops and reports nothing. The window waits
// on the open, so it must give up soon, and leave what was on show as it was.
TEST_F(FilePlayerTest, FilmThatNeverStartsIsRefusedSoon) {
  const std::string damaged = TestClips().folder + "/noise.avi";
  ASSERT_TRUE(playertest::RunPipeline(
      "videotestsrc num-buffers=60 ! video/x-raw,width=32,height=24,framerate=1/1 ! jpegenc ! "
      "mux. audiotestsrc num-buffers=600 samplesperbuffer=4410 ! "
      "audio/x-raw,rate=44100,channels=2,format=S16LE ! mux. avimux name=mux ! "
      "filesink location=\"" +
      damaged + "\""));
  ASSERT_NO_FATAL_FAILURE(GarblePictures(damaged));

  ASSERT_TRUE(OpenFilm());
  host.messages.clear();
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(player.OpenAndShow(damaged));
  // A frozen window is borne for moments, not for the 10 s this once waited.
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].rfind(std::string(kCannotPlay) + "\n" + damaged + ": ", 0), 0u)
      << host.messages[0];
  EXPECT_EQ(player.GetState(), FilePlayer::kStopped);
  EXPECT_EQ(player.LastFile(), TestClips().film);
  sink.Reset();
  ASSERT_TRUE(player.PlayFile());
  EXPECT_TRUE(RunUntil([&] { return sink.Count() > 0; }));
}

// A copy of `from` at `to` whose `nth` chunk tagged `tag` holds `value` (4 bytes, as stored)
// at `offset` into its data.
void CopyWithField(const std::string& from, const std::string& to, const std::string& tag, int nth,
                   size_t offset, const std::string& value) {
  if (from != to)
    std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing);
  std::fstream file(to, std::ios::in | std::ios::out | std::ios::binary);
  const std::string bytes{std::istreambuf_iterator<char>(file), {}};
  size_t at = bytes.find(tag);
  for (int i = 0; i < nth && at != std::string::npos; ++i) at = bytes.find(tag, at + 1);
  ASSERT_NE(at, std::string::npos) << tag << " " << nth;
  file.seekp(static_cast<std::streamoff>(at + 8 + offset));
  file.write(value.data(), 4);
}

// A film whose picture stream nothing here decodes is refused, naming the format, rather
// than played as sound with no word of the pictures. A sound header that misstates its
// byte rate (avidemux times the sound by it) must not make a 2 s film hours long.
TEST_F(FilePlayerTest, LostPicturesAreRefusedAndLengthsComeFromTheStreamThatPlays) {
  const std::string folder = TestClips().folder;
  const std::string unknown = folder + "/unknown codec.avi";
  // The picture stream's handler and compression.
  ASSERT_NO_FATAL_FAILURE(CopyWithField(TestClips().film, unknown, "strh", 0, 4, "ZZZZ"));
  ASSERT_NO_FATAL_FAILURE(CopyWithField(unknown, unknown, "strf", 0, 16, "ZZZZ"));
  EXPECT_FALSE(player.OpenAndShow(unknown));
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].rfind(std::string(kCannotPlay) + "\n" + unknown + ": ", 0), 0u)
      << host.messages[0];
  EXPECT_NE(host.messages[0].find("ZZZZ"), std::string::npos) << host.messages[0];
  EXPECT_EQ(player.GetState(), FilePlayer::kNoFile);

  // One byte a second: 64000 s for the film's 2 s of 16 kHz sound.
  const std::string slowSound = std::string("\x01\0\0\0", 4);
  const std::string film = folder + "/misstated sound.avi";
  ASSERT_NO_FATAL_FAILURE(CopyWithField(TestClips().film, film, "strf", 1, 8, slowSound));
  host.messages.clear();
  ASSERT_TRUE(player.OpenAndShow(film));
  EXPECT_TRUE(host.messages.empty());
  int32_t seconds = 0;
  ASSERT_TRUE(player.GetDuration(&seconds));
  EXPECT_EQ(seconds, 2);
  EXPECT_EQ(host.Length(), "00:02");

  // Sound alone, as PCM, lasts no longer than its file's bytes take to play.
  const std::string sound = folder + "/misstated sound only.avi";
  ASSERT_NO_FATAL_FAILURE(CopyWithField(TestClips().sound, sound, "strf", 0, 8, slowSound));
  ASSERT_TRUE(player.OpenAndShow(sound));
  ASSERT_TRUE(player.GetDuration(&seconds));
  EXPECT_EQ(seconds, 1);
  EXPECT_EQ(host.Length(), "00:01");
}

TEST_F(FilePlayerTest, RelativeNamesAreFilesEvenWithAColon) {
  const std::filesystem::path folder = TestClips().folder;
  std::filesystem::copy_file(TestClips().film, folder / "take:2.avi",
                             std::filesystem::copy_options::overwrite_existing);
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(folder);
  const bool opened = player.OpenAndShow("take:2.avi");
  std::filesystem::current_path(before);
  EXPECT_TRUE(opened);
  EXPECT_TRUE(host.messages.empty());
  EXPECT_EQ(player.GetState(), FilePlayer::kStopped);
}

TEST_F(FilePlayerTest, PlayReopensTheLastFileAfterAReset) {
  ASSERT_TRUE(OpenFilm());
  ASSERT_TRUE(player.PlayFile());
  player.ResetPlayer();
  EXPECT_EQ(player.GetState(), FilePlayer::kNoFile);
  EXPECT_FALSE(player.IsActive());
  EXPECT_FALSE(host.timerRunning);
  int32_t seconds = 0;
  EXPECT_FALSE(player.GetDuration(&seconds));

  sink.Reset();
  ASSERT_TRUE(player.PlayFile());
  EXPECT_EQ(player.GetState(), FilePlayer::kRunning);
  EXPECT_TRUE(player.IsActive());
  EXPECT_TRUE(RunUntil([&] { return sink.Count() > 0; }));
}

TEST_F(FilePlayerTest, PlayOfAFileThatWentBadShowsTheMessage) {
  // The last file is broken: reopening it for Play fails the same way opening did.
  EXPECT_FALSE(player.OpenAndShow(TestClips().notAFilm));
  EXPECT_FALSE(player.PlayFile());
  ASSERT_EQ(host.messages.size(), 2u);
  // The reason after the file's name is GStreamer's, which may differ from one try to the next.
  const std::string said = std::string(kCannotPlay) + "\n" + TestClips().notAFilm + ": ";
  EXPECT_EQ(host.messages[0].rfind(said, 0), 0u) << host.messages[0];
  EXPECT_EQ(host.messages[1].rfind(said, 0), 0u) << host.messages[1];
  EXPECT_EQ(player.GetState(), FilePlayer::kNoFile);
}

TEST_F(FilePlayerTest, EndWithoutLoopStopsAndTellsTheHost) {
  ASSERT_TRUE(OpenFilm());
  ASSERT_TRUE(player.PlayFile());
  Tick();
  EXPECT_EQ(host.Elapsed(), "00:01");
  ASSERT_TRUE(RunUntil([&] { return host.clipsEnded > 0; }));
  EXPECT_EQ(host.clipsEnded, 1);
  EXPECT_EQ(player.GetState(), FilePlayer::kStopped);
  EXPECT_FALSE(host.timerRunning);
  EXPECT_EQ(host.Elapsed(), "00:00");
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(FilePlayerTest, StopRewindsToTheStart) {
  ASSERT_TRUE(OpenFilm());
  ASSERT_TRUE(player.PlayFile());
  ASSERT_TRUE(RunUntil([&] { return sink.Count() >= 12; }));
  ASSERT_TRUE(player.StopFile());
  sink.Reset();
  ASSERT_TRUE(player.PlayFile());
  ASSERT_TRUE(RunUntil([&] { return host.clipsEnded > 0; }));
  // Twenty pictures in the clip; without the rewind only the last few would play again.
  EXPECT_GE(sink.Count(), 18);
}

TEST_F(FilePlayerTest, LoopRestartsTheClipAndTheElapsedDisplay) {
  player.ToggleLoop();
  EXPECT_TRUE(player.IsLooping());
  ASSERT_TRUE(OpenFilm());
  ASSERT_TRUE(player.PlayFile());
  Tick();
  EXPECT_EQ(host.Elapsed(), "00:01");
  // More pictures than the clip holds can only come from a second round.
  ASSERT_TRUE(RunUntil([&] { return sink.Count() > 30; }));
  EXPECT_EQ(host.clipsEnded, 0);
  EXPECT_EQ(player.GetState(), FilePlayer::kRunning);
  EXPECT_TRUE(host.timerRunning);
  EXPECT_EQ(host.Elapsed(), "00:00");
  Tick();
  EXPECT_EQ(host.Elapsed(), "00:01");

  player.ToggleLoop();
  EXPECT_FALSE(player.IsLooping());
  ASSERT_TRUE(RunUntil([&] { return host.clipsEnded > 0; }));
  EXPECT_EQ(player.GetState(), FilePlayer::kStopped);
}

TEST_F(FilePlayerTest, ElapsedTimeHoldsWhilePaused) {
  ASSERT_TRUE(OpenFilm());
  ASSERT_TRUE(player.PlayFile());
  Tick();
  ASSERT_TRUE(player.PauseFile());
  Tick(3);
  EXPECT_EQ(host.Elapsed(), "00:01");
  // A tick the host had already queued when the timer stopped is ignored too.
  player.OnPlaybackTimer(vd::PlaybackClock::kTimerId);
  EXPECT_EQ(host.Elapsed(), "00:01");
  ASSERT_TRUE(player.PlayFile());
  Tick();
  EXPECT_EQ(host.Elapsed(), "00:02");
  EXPECT_EQ(host.Length(), "00:02");
}

TEST_F(FilePlayerTest, ClockPassingTheLengthEndsTheClip) {
  ASSERT_TRUE(OpenFilm());
  ASSERT_TRUE(player.PlayFile());
  Tick(2);
  EXPECT_EQ(host.Elapsed(), "00:02");
  EXPECT_EQ(host.clipsEnded, 0);
  Tick();
  EXPECT_EQ(host.clipsEnded, 1);
  EXPECT_EQ(player.GetState(), FilePlayer::kStopped);
  // The pipeline's own end, if it was already queued, must not report the end again.
  player.OnPlayerEvent(FilePlayer::kComplete);
  player.EndOfClip();
  EXPECT_EQ(host.clipsEnded, 1);
  EXPECT_EQ(player.GetState(), FilePlayer::kStopped);
}

TEST_F(FilePlayerTest, StaleEndDoesNotRestartALoopingClipTheUserStopped) {
  player.ToggleLoop();
  ASSERT_TRUE(OpenFilm());
  ASSERT_TRUE(player.PlayFile());
  ASSERT_TRUE(player.StopFile());
  player.OnPlayerEvent(FilePlayer::kComplete);
  EXPECT_EQ(player.GetState(), FilePlayer::kStopped);
  EXPECT_FALSE(host.timerRunning);
}

TEST_F(FilePlayerTest, AbortEventsStopThePlayback) {
  ASSERT_TRUE(OpenFilm());
  ASSERT_TRUE(player.PlayFile());
  player.OnPlayerEvent(FilePlayer::kErrorAbort);
  EXPECT_EQ(player.GetState(), FilePlayer::kStopped);
  EXPECT_FALSE(host.timerRunning);

  ASSERT_TRUE(player.PlayFile());
  ASSERT_TRUE(player.PauseFile());
  player.OnPlayerEvent(FilePlayer::kUserAbort);
  EXPECT_EQ(player.GetState(), FilePlayer::kStopped);

  ASSERT_TRUE(player.PlayFile());
  player.OnPlayerEvent(0x0D);  // an event the player has no use for
  EXPECT_EQ(player.GetState(), FilePlayer::kRunning);
  EXPECT_EQ(host.clipsEnded, 0);
}

TEST_F(FilePlayerTest, StopAndRewindWithAndWithoutClose) {
  ASSERT_TRUE(OpenFilm());
  ASSERT_TRUE(player.PlayFile());
  Tick();
  ASSERT_TRUE(player.StopAndRewind(false));
  EXPECT_EQ(player.GetState(), FilePlayer::kStopped);
  EXPECT_FALSE(host.timerRunning);
  EXPECT_EQ(host.Elapsed(), "00:00");
  EXPECT_TRUE(player.IsActive());

  // Stopped already: only the close part has anything to do.
  EXPECT_TRUE(player.StopAndRewind(false));
  EXPECT_EQ(player.GetState(), FilePlayer::kStopped);
  ASSERT_TRUE(player.PlayFile());
  ASSERT_TRUE(player.StopAndRewind(true));
  EXPECT_EQ(player.GetState(), FilePlayer::kNoFile);
  EXPECT_FALSE(player.IsActive());
  EXPECT_EQ(player.LastFile(), TestClips().film);
}

TEST_F(FilePlayerTest, ResetKeepsTheLoopChoice) {
  player.ToggleLoop();
  ASSERT_TRUE(OpenFilm());
  player.ResetPlayer();
  EXPECT_EQ(player.GetState(), FilePlayer::kNoFile);
  EXPECT_TRUE(player.IsLooping());
}

TEST_F(FilePlayerTest, HostMayCloseThePlayerWhenTheClipEnds) {
  // The window returns to live view from inside the end notice, which runs in the bus watch
  // of the very pipeline it releases.
  host.onClipEnded = [this] { player.ResetPlayer(); };
  ASSERT_TRUE(player.OpenAndShow(TestClips().sound));
  ASSERT_TRUE(player.PlayFile());
  ASSERT_TRUE(RunUntil([&] { return host.clipsEnded > 0; }));
  EXPECT_EQ(player.GetState(), FilePlayer::kNoFile);
  ASSERT_TRUE(player.OpenAndShow(TestClips().film));
  EXPECT_EQ(player.GetState(), FilePlayer::kStopped);
}

TEST(FilePlayerOwnTimer, RunsTheClockOnTheMainContextWhenTheHostHasNoTimer) {
  RecordingHost host{false};
  CountingSink sink;
  FilePlayer player(&sink, &host);
  // The long clip, so that its end cannot come between the ticks this test waits for.
  ASSERT_TRUE(player.OpenAndShow(TestClips().longFilm));
  ASSERT_TRUE(player.PlayFile());
  EXPECT_FALSE(host.timerRunning);
  ASSERT_TRUE(RunUntil([&] { return host.Elapsed() == "00:01"; }));
  ASSERT_TRUE(player.PauseFile());
  const size_t shown = host.times.size();
  ASSERT_TRUE(player.PlayFile());
  ASSERT_TRUE(RunUntil([&] { return host.times.size() > shown; }));
  EXPECT_EQ(host.Elapsed(), "00:02") << "the count goes on after the pause";
  EXPECT_EQ(host.Length(), "01:05");
}

TEST_F(FilePlayerTest, SeekMovesTheClipAndTheElapsedCountAndClampsToTheLength) {
  EXPECT_FALSE(player.Seek(10)) << "nothing open";
  ASSERT_TRUE(player.OpenAndShow(TestClips().longFilm));
  ASSERT_TRUE(player.Seek(30));
  EXPECT_EQ(host.Elapsed(), "00:30");
  // A stopped clip moved away from its start is paused there: Play goes on from it.
  EXPECT_EQ(player.GetState(), FilePlayer::kPaused);
  ASSERT_TRUE(player.PlayFile());
  Tick();
  EXPECT_EQ(host.Elapsed(), "00:31");
  ASSERT_TRUE(player.Seek(600));
  EXPECT_EQ(host.Elapsed(), "01:05");
  EXPECT_EQ(player.GetState(), FilePlayer::kRunning);
  ASSERT_TRUE(player.StopFile());
  EXPECT_EQ(host.Elapsed(), "00:00");
  ASSERT_TRUE(player.Seek(0));
  EXPECT_EQ(player.GetState(), FilePlayer::kStopped);
}

TEST_F(FilePlayerTest, PlaybackGoesOnToTheEndAfterASeek) {
  ASSERT_TRUE(OpenFilm());
  ASSERT_TRUE(player.PlayFile());
  ASSERT_TRUE(RunUntil([&] { return sink.Count() > 0; }));
  ASSERT_TRUE(player.Seek(1));
  sink.Reset();
  // The second half of the clip is still there to play after the flush.
  ASSERT_TRUE(RunUntil([&] { return sink.Count() > 0; }));
  EXPECT_EQ(sink.Last().width, 176);
  ASSERT_TRUE(RunUntil([&] { return host.clipsEnded > 0; }));
}

}  // namespace
