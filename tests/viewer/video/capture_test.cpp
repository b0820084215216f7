// Recording: the file, its counts, the options and the faults that must not lose it.
#include <fcntl.h>
#include <gst/app/gstappsink.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <regex>
#include <thread>

#include "avi_mend.h"
#include "engine_fixture.h"
#include "read_only_folder.h"
#include "v4l2_fake_tree.h"
#include "vd/v4l2_backend.h"
#include "vd/v4l2_fake_kernel.h"
#include "vd/video/capture_pipeline.h"
#include "vd/video/disk_budget.h"
#include "vd/video/headless_session.h"

namespace vdtest {
namespace {

using namespace std::chrono_literals;

// The frames the bar's final counts say the film holds: the pictures captured and, repeated
// in their place, those lost.
int64_t FilmFramesSaid(const vd::StatisticsText& text) {
  return std::stoll(text.captured) + std::stoll(text.dropped);
}

bool HasMessage(const RecordingHost& host, const std::string& text) {
  return std::find(host.messages.begin(), host.messages.end(), text) != host.messages.end();
}

// A 32-bit word of an AVI's headers: `offset` bytes into the data of the first chunk `fourcc`
// whose data begins with `type` (empty: any). Nullopt when the file has no such chunk.
std::optional<uint32_t> AviHeaderWord(const std::string& path, const std::string& fourcc,
                                      const std::string& type, size_t offset) {
  std::ifstream in(path, std::ios::binary);
  std::string head(64 * 1024, '\0');
  in.read(head.data(), static_cast<std::streamsize>(head.size()));
  head.resize(static_cast<size_t>(in.gcount()));
  for (size_t at = head.find(fourcc); at != std::string::npos; at = head.find(fourcc, at + 1)) {
    const size_t data = at + 8;
    if (data + offset + 4 > head.size() || head.compare(data, type.size(), type) != 0) continue;
    uint32_t word = 0;
    std::memcpy(&word, head.data() + data + offset, 4);
    return word;
  }
  return std::nullopt;
}

// A card found in PAL and switched to NTSC by the country: the first recording runs at the
// card's 30000/1001, not refused for a rate remembered from PAL, and says so in its header.
TEST_F(EngineTest, AFirstRecordingAfterASwitchFromPalToNtscRunsAtTheCardsRate) {
  vd::test::FakeV4l2Tree tree;
  tree.AddUsb({.video = "video0", .alsaCard = 2});
  auto kernel = std::make_shared<vd::test::FakeV4l2Kernel>();
  vd::test::FakeV4l2Card card;
  card.video = tree.DevPath("video0");
  vd::test::MakeVivid(card);
  card.standard = 0x000000FF;  // PAL, as the card was left
  kernel->Add(card);
  devices = std::make_unique<vd::DeviceEnumerator>();
  devices->AddBackend(std::make_unique<vd::V4l2Backend>(tree.Options(kernel)));
  tuning.workMode = vd::WorkMode::kTv;
  tuning.country = 1;  // America: NTSC-M
  auto engine = StartEngine();
  ASSERT_EQ(engine->Devices().VideoDeviceNames(), std::vector<std::string>{"vivid"});
  EXPECT_DOUBLE_EQ(engine->GetCaptureOptions().maxFramesPerSecond, 29.97);
  Capture(*engine, 1200ms);
  EXPECT_TRUE(host.messages.empty()) << host.messages.front();
  const std::string path = engine->File().Path();
  EXPECT_EQ(AviHeaderWord(path, "strh", "vids", 20), 1001u) << "scale";
  EXPECT_EQ(AviHeaderWord(path, "strh", "vids", 24), 30000u) << "rate";
  EXPECT_GT(ReadAvi(path).videoFrames, 20);
  engine.reset();
  devices.reset();
}

TEST_F(EngineTest, CaptureWritesAnAviWhoseFrameCountIsTheCapturedCount) {
  auto engine = StartEngine();
  Capture(*engine, 1500ms);
  vd::StatisticsRecord stats;
  ASSERT_TRUE(engine->GetStatistics(true, &stats));
  EXPECT_GT(stats.captured, 20);
  EXPECT_EQ(stats.dropped, 0);
  AviContents avi = ReadAvi(engine->File().Path());
  ASSERT_TRUE(avi.opened);
  EXPECT_EQ(avi.videoFrames, stats.captured);
  EXPECT_GT(avi.audioBuffers, 0);
  // The bar's final texts.
  ASSERT_FALSE(host.statistics.empty());
  const vd::StatisticsText& last = host.statistics.back();
  EXPECT_EQ(last.captured, std::to_string(stats.captured));
  EXPECT_NE(last.fps.find(" fps"), std::string::npos);
  EXPECT_NE(last.rate.find(" mb\\sec"), std::string::npos);
  // Timer 1 ran at 33 ms while capturing and was killed at the end.
  ASSERT_FALSE(host.timers.empty());
  EXPECT_EQ(host.timers.back(), (std::pair<uint32_t, uint32_t>{1, 33}));
  EXPECT_FALSE(host.killed.empty());
  EXPECT_TRUE(host.messages.empty());

  engine->ReturnToLive();
  EXPECT_TRUE(engine->Lifecycle().IsPreviewing());
}

// The box loses every third picture; the file repeats pictures over the gaps, so it plays
// picture and sound together and still says how many pictures were lost.
TEST_F(EngineTest, DroppedFramesAreCountedAndTheFilmKeepsInStepWithItsSound) {
  constexpr GstClockTime kFramePeriod = GST_SECOND / 30;
  for (int32_t master : {0, 1}) {
    SCOPED_TRACE("master stream " + std::to_string(master));
    SetDword("MasterStream", master);
    auto engine = StartEngine();
    vd::VirtualBoxFaults faults;
    faults.dropEveryNth = 3;
    box->SetFaults(faults);
    Capture(*engine, 3000ms);
    box->SetFaults({});
    vd::StatisticsRecord stats;
    ASSERT_TRUE(engine->GetStatistics(true, &stats));
    EXPECT_GT(stats.dropped, 20);
    EXPECT_NEAR(static_cast<double>(stats.dropped), stats.captured / 2.0, 3.0);
    AviContents avi = ReadAvi(engine->File().Path());
    ASSERT_TRUE(avi.opened);
    EXPECT_EQ(avi.videoFrames, stats.captured + stats.dropped) << "the film's counts";
    EXPECT_GT(avi.audioSpan, 2 * GST_SECOND);
    EXPECT_LE(std::max(avi.videoSpan, avi.audioSpan) - std::min(avi.videoSpan, avi.audioSpan),
              kFramePeriod)
        << "video " << avi.videoStart << ".." << avi.videoEnd << " ns, audio " << avi.audioStart
        << ".." << avi.audioEnd << " ns";
  }
}

// The box loses its picture for the last moments before the stop and finds it again just
// after: the film still runs to the end of its sound, not to the last picture it was given.
TEST_F(EngineTest, PicturesLostJustBeforeTheStopStillLeaveTheFilmAsLongAsItsSound) {
  constexpr GstClockTime kFramePeriod = GST_SECOND / 30;
  auto engine = StartEngine();
  ASSERT_TRUE(engine->BeginCapture());
  auto pumpFor = [&](std::chrono::milliseconds time) {
    auto end = std::chrono::steady_clock::now() + time;
    PumpUntil([&] {
      engine->OnTimer(CaptureGraph::kCaptureTimer);
      return std::chrono::steady_clock::now() >= end;
    });
  };
  pumpFor(2000ms);
  vd::VirtualBoxFaults blind;
  blind.dropEveryNth = 1;
  box->SetFaults(blind);
  pumpFor(300ms);
  std::thread seeAgain([&] {
    std::this_thread::sleep_for(150ms);
    box->SetFaults({});
  });
  const bool stopped = engine->StopCapture();
  seeAgain.join();
  ASSERT_TRUE(stopped);
  AviContents avi = ReadAvi(engine->File().Path());
  ASSERT_TRUE(avi.opened);
  EXPECT_GT(avi.audioSpan, 2 * GST_SECOND);
  EXPECT_LE(std::max(avi.videoSpan, avi.audioSpan) - std::min(avi.videoSpan, avi.audioSpan),
            kFramePeriod)
      << "video " << avi.videoStart << ".." << avi.videoEnd << " ns, audio " << avi.audioStart
      << ".." << avi.audioEnd << " ns";
}

// With every other picture lost, the pictures at the film's two ends are often missing: the
// film must still begin with its sound and fill every period up to the end, recording after
// recording (the phase of the pictures against the sound and the end differs each time), and
// count as captured only the pictures it holds that are not repeats.
TEST_F(EngineTest, EveryOtherPictureLostStillGivesFilmsAsLongAsTheirSound) {
  constexpr GstClockTime kFramePeriod = GST_SECOND / 30;
  auto engine = StartEngine();
  for (int i = 0; i < 8; ++i) {
    SCOPED_TRACE(i);
    // A sound that begins a little after the pictures puts them before its frame periods,
    // each time by another share of a period.
    vd::VirtualBoxFaults halfBlind;
    halfBlind.dropEveryNth = 2;
    halfBlind.soundLateMs = 40 + 4 * i;
    box->SetFaults(halfBlind);
    Capture(*engine, 500ms);
    AviContents avi = ReadAvi(engine->File().Path());
    ASSERT_TRUE(avi.opened);
    const GstClockTime film = avi.videoFrames * kFramePeriod;
    EXPECT_LT(std::max(film, avi.audioSpan) - std::min(film, avi.audioSpan), kFramePeriod / 2)
        << avi.videoFrames << " pictures, sound " << avi.audioSpan << " ns";
    vd::StatisticsRecord stats;
    ASSERT_TRUE(engine->GetStatistics(true, &stats));
    // Every other period holds a repeat, the first one never: the repeats the filler makes
    // past the end and cuts away are no pictures of the film.
    EXPECT_GE(stats.captured, avi.videoFrames / 2);
    EXPECT_LE(stats.captured, avi.videoFrames / 2 + 1);
    engine->ReturnToLive();
  }
}

// A process stopped between the first buffer of one stream and the other's (or a device slow
// to send one of them) gives streams that begin far apart: the file's film and sound begin
// together all the same, the film holding its first picture or the sound silent until the
// late one comes, or the whole file plays out of step and one stream ends short.
TEST_F(EngineTest, StreamsBeginningFarApartStillGiveAFilmAsLongAsItsSound) {
  constexpr GstClockTime kFramePeriod = GST_SECOND / 30;
  auto engine = StartEngine();
  // The pictures late; the sound late; the sound beginning only after the stop (it must
  // still span the film, as silence).
  for (const auto& [pictures, sound] : {std::pair{1500u, 0u}, {0u, 1500u}, {0u, 4000u}}) {
    SCOPED_TRACE(std::to_string(pictures) + " ms, " + std::to_string(sound) + " ms late");
    vd::VirtualBoxFaults late;
    late.picturesLateMs = pictures;
    late.soundLateMs = sound;
    box->SetFaults(late);
    Capture(*engine, 2500ms);
    AviContents avi = ReadAvi(engine->File().Path());
    ASSERT_TRUE(avi.opened);
    const GstClockTime film = avi.videoFrames * kFramePeriod;
    EXPECT_GT(avi.audioSpan, GST_SECOND * 3 / 2);
    EXPECT_LT(std::max(film, avi.audioSpan) - std::min(film, avi.audioSpan), kFramePeriod)
        << avi.videoFrames << " pictures, sound " << avi.audioSpan << " ns";
    engine->ReturnToLive();
  }
}

TEST_F(EngineTest, CaptureWithoutSoundHasOnlyVideo) {
  SetDword("CaptureAudio", 0);
  auto engine = StartEngine();
  Capture(*engine, 800ms);
  AviContents avi = ReadAvi(engine->File().Path());
  ASSERT_TRUE(avi.opened);
  EXPECT_GT(avi.videoFrames, 0);
  EXPECT_EQ(avi.audioBuffers, 0);
}

// At a low rate a picture's period is long: the stop is put on the film's picture grid, so
// the sound ends with the film's last period rather than up to a period before or after.
// Three a second is recorded three times: its period is no whole number of nanoseconds, and
// the end can fall a few nanoseconds either side of a period's start.
TEST_F(EngineTest, ImposedFrameRateIsRecordedAndTheSoundEndsWithTheFilm) {
  for (int fps : {10, 3, 2, 1}) {
    SetDword("FrameRate", 10000000 / fps);
    auto engine = StartEngine();
    for (int take = 0; take < (fps == 3 ? 3 : 1); ++take) {
      SCOPED_TRACE(std::to_string(fps) + " frames a second, take " + std::to_string(take));
      Capture(*engine, std::chrono::milliseconds(2300 - 211 * take));
      vd::StatisticsRecord stats;
      ASSERT_TRUE(engine->GetStatistics(true, &stats));
      EXPECT_GE(stats.captured, 2 * fps - 1);
      EXPECT_LE(stats.captured, 4 * fps);
      AviContents avi = ReadAvi(engine->File().Path());
      ASSERT_TRUE(avi.opened);
      // Every picture in the film is a captured one, but for at most one repeat: at a low rate
      // one period can hold one (the first picture held back to the sound's start when the
      // sound began before it, or a picture that came late on a busy machine).
      EXPECT_GE(avi.videoFrames, stats.captured);
      EXPECT_LE(avi.videoFrames, stats.captured + 1);
      EXPECT_LE(std::max(avi.videoSpan, avi.audioSpan) - std::min(avi.videoSpan, avi.audioSpan),
                50 * GST_MSECOND)
          << "video " << avi.videoSpan << " ns, audio " << avi.audioSpan << " ns";
      engine->ReturnToLive();
    }
  }
}

TEST_F(EngineTest, TimeLimitEndsOnTheFirstTickWithTheWholeSecondsReached) {
  SetDword("UseTimeLimit", 1);
  SetDword("TimeLimit", 1);
  auto engine = StartEngine();
  // The engine takes its start time inside BeginCapture, so no earlier than this.
  const auto before = std::chrono::steady_clock::now();
  ASSERT_TRUE(engine->BeginCapture());
  PumpFor(800ms);
  const auto early = std::chrono::steady_clock::now() - before;
  engine->OnTimer(CaptureGraph::kCaptureTimer);
  // A loaded machine may have slept past the limit already; only a tick that surely came
  // before the whole second must leave the capture running.
  if (early < 1000ms) {
    EXPECT_EQ(host.captureCommands, 0);
  }
  ASSERT_TRUE(PumpUntil([&] {
    engine->OnTimer(CaptureGraph::kCaptureTimer);
    return host.captureCommands > 0;
  }));
  // The engine started no earlier than `before`: a whole second since then at least.
  EXPECT_GE(std::chrono::steady_clock::now() - before, 1000ms);
  EXPECT_EQ(host.captureCommands, 1);
  EXPECT_TRUE(engine->StopCapture());
}

TEST_F(EngineTest, FrameRateZeroReadsAsOneFramePerSecond) {
  SetDword("FrameRate", 0);
  auto engine = StartEngine();
  EXPECT_DOUBLE_EQ(engine->GetCaptureOptions().framesPerSecond, 1.0);
}

TEST_F(EngineTest, RateAboveTheStandardsMaximumIsLowered) {
  SetDword("FrameRate", 200000);        // 50 frames a second
  tuning.workMode = vd::WorkMode::kTv;  // Germany: PAL, 25 at most
  auto engine = StartEngine();
  vd::CaptureOptions options = engine->GetCaptureOptions();
  EXPECT_DOUBLE_EQ(options.maxFramesPerSecond, 25.0);
  EXPECT_DOUBLE_EQ(options.framesPerSecond, 25.0);
}

TEST_F(EngineTest, SettingsAreWrittenBackAtShutdown) {
  SetDword("FrameRate", 0);
  SetDword("AudioDevice", -3);
  {
    auto engine = StartEngine();
    vd::CaptureOptions o = engine->GetCaptureOptions();
    o.timeLimit = 42;
    o.useTimeLimit = true;
    engine->SetCaptureOptions(o);
  }
  EXPECT_EQ(store->ReadDword("AviCap", "FrameRate", -1), 10000000);
  EXPECT_EQ(store->ReadDword("AviCap", "TimeLimit", -1), 42);
  EXPECT_EQ(store->ReadDword("AviCap", "UseTimeLimit", -1), 1);
  EXPECT_EQ(store->ReadDword("AviCap", "AudioDevice", -1), 0);
}

TEST_F(EngineTest, PreallocatedCaptureFileStaysAfterSaving) {
  SetDword("AllocMem", 1);
  SetDword("PreAllocSizeKB", 2048);
  auto engine = StartEngine();
  ASSERT_TRUE(engine->GetFileOptions().allocate) << "the start-up allocation failed";
  EXPECT_EQ(engine->GetFileOptions().sizeKb, 2048);
  Capture(*engine, 600ms);
  std::string target = (dir / "film.avi").string();
  ASSERT_TRUE(engine->SaveCaptureAs(target));
  EXPECT_EQ(host.copies, 1) << "the copy did not run beside the window";
  EXPECT_TRUE(std::filesystem::exists(engine->File().Path()));
  AviContents saved = ReadAvi(target);
  ASSERT_TRUE(saved.opened);
  vd::StatisticsRecord stats;
  ASSERT_TRUE(engine->GetStatistics(true, &stats));
  EXPECT_EQ(saved.videoFrames, stats.captured);
  EXPECT_EQ(host.albumRefreshes, 1);
  EXPECT_EQ(engine->GetFileOptions().sizeKb, 2048);
}

// A rename is instant and needs no wait; only a move to another file system is a copy.
TEST_F(EngineTest, SavingWithoutPreallocationMovesTheFile) {
  auto engine = StartEngine();
  Capture(*engine, 500ms);
  std::string target = (dir / "moved.avi").string();
  ASSERT_TRUE(engine->SaveCaptureAs(target));
  EXPECT_EQ(host.copies, 0);
  EXPECT_FALSE(std::filesystem::exists(engine->File().Path()));
  EXPECT_TRUE(ReadAvi(target).opened);

  struct stat here {};
  struct stat shm {};
  if (::stat(dir.c_str(), &here) != 0 || ::stat("/dev/shm", &shm) != 0 ||
      here.st_dev == shm.st_dev || ::access("/dev/shm", W_OK) != 0)
    return;
  const std::filesystem::path other =
      std::filesystem::path("/dev/shm") / ("vd-film-" + std::to_string(::getpid()) + ".avi");
  engine->ReturnToLive();  // as the window does before the next recording
  Capture(*engine, 500ms);
  const bool saved = engine->SaveCaptureAs(other.string());
  EXPECT_TRUE(saved) << (host.boxes.empty() ? "" : host.boxes.back());
  EXPECT_EQ(host.copies, 1);
  EXPECT_FALSE(std::filesystem::exists(engine->File().Path()));
  EXPECT_TRUE(saved && ReadAvi(other.string()).opened);
  std::filesystem::remove(other);
}

std::vector<std::filesystem::path> DatedRecordings(const std::filesystem::path& folder) {
  std::vector<std::filesystem::path> found;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (entry.path().filename().string().rfind("Capture ", 0) == 0) found.push_back(entry.path());
  }
  std::sort(found.begin(), found.end());
  return found;
}

bool HasMessageWith(const RecordingHost& host, const std::string& part) {
  return std::any_of(host.messages.begin(), host.messages.end(),
                     [&](const std::string& text) { return text.find(part) != std::string::npos; });
}

// Saved onto itself, by its own name or another, the film would stay the scratch file that
// the viewer deletes at quit: refused, and the recording stays unsaved and is kept.
TEST_F(EngineTest, SavingOntoTheCaptureFileItselfIsRefusedAndLosesNothing) {
  const std::filesystem::path data = dir / "data";
  auto engine = StartEngine();
  Capture(*engine, 500ms);
  const int64_t frames = ReadAvi(engine->File().Path()).videoFrames;
  ASSERT_GT(frames, 0);
  std::filesystem::create_symlink(engine->File().Path(), dir / "link.avi");
  EXPECT_FALSE(engine->SaveCaptureAs(engine->File().Path()));
  EXPECT_FALSE(engine->SaveCaptureAs((data / ".." / "data" / "Temporary.AVI").string()));
  EXPECT_FALSE(engine->SaveCaptureAs((dir / "link.avi").string()));
  ASSERT_EQ(host.boxes.size(), 3u);
  EXPECT_NE(host.boxes[2].find("the capture file itself"), std::string::npos) << host.boxes[2];
  EXPECT_TRUE(engine->File().HasUnsavedCapture());
  // No album was named: the recording stays the unsaved capture for the next start.
  engine.reset();
  EXPECT_TRUE(DatedRecordings(data).empty());
  EXPECT_EQ(ReadAvi((data / "Temporary.AVI").string()).videoFrames, frames);
}

// A hand-edited capture name never reaches another file: one that leaves the data folder or
// names a channel list falls back to the usual name, and a file at the capture path that no
// recording wrote is neither taken, deleted nor recorded over.
TEST_F(EngineTest, TheCaptureFileNeverTakesAnotherFile) {
  const std::filesystem::path data = dir / "data";
  const std::string text(3496, 'c');
  std::ofstream(data / "TV.CFG") << text;
  for (const char* name : {"TV.CFG", "../outside.avi", "..", ""}) {
    store->WriteString("AviCap", "CaptureFile", name);
    auto engine = StartEngine();
    EXPECT_EQ(engine->File().Path(), (data / "Temporary.AVI").string()) << name;
    EXPECT_FALSE(engine->File().HasUnsavedCapture()) << name;
    engine.reset();
    EXPECT_TRUE(DatedRecordings(data).empty()) << name;
    EXPECT_TRUE(std::filesystem::exists(data / "TV.CFG")) << name;
  }

  std::ofstream(data / "notes.avi") << text;
  store->WriteString("AviCap", "CaptureFile", "notes.avi");
  auto engine = StartEngine();
  EXPECT_FALSE(engine->File().HasUnsavedCapture());
  EXPECT_FALSE(engine->BeginCapture());
  engine->ReturnToLive();
  EXPECT_TRUE(HasMessageWith(host, "not a recording of this program"));
  engine.reset();
  EXPECT_TRUE(DatedRecordings(data).empty());
  EXPECT_EQ(std::filesystem::file_size(data / "notes.avi"), text.size());
}

// An album folder gone from under the viewer: the recording is kept beside the capture file
// and the viewer says where, in a message while it runs and on standard error at quit.
TEST_F(EngineTest, AnUnsavedRecordingKeptOutsideTheAlbumIsAlwaysSaid) {
  const std::filesystem::path data = dir / "data";
  const std::filesystem::path album = data / "Gallery" / "Family";
  std::filesystem::create_directories(album);
  auto engine = StartEngine();
  engine->Stills().SetFolder(album.string() + "/");
  Capture(*engine, 300ms);
  engine->ReturnToLive();
  std::filesystem::remove(album);
  Capture(*engine, 300ms);
  engine->ReturnToLive();
  auto kept = DatedRecordings(data);
  ASSERT_EQ(kept.size(), 1u);
  const std::filesystem::path first = kept[0];
  EXPECT_TRUE(HasMessageWith(host, "It was kept as " + first.string() + "."));
  testing::internal::CaptureStderr();
  engine.reset();
  const std::string said = testing::internal::GetCapturedStderr();
  kept = DatedRecordings(data);
  ASSERT_EQ(kept.size(), 2u);
  const std::filesystem::path atQuit = kept[0] == first ? kept[1] : kept[0];
  EXPECT_NE(said.find(atQuit.string()), std::string::npos) << said;
}

// A recording nobody saved never stops the next one: when the album folder cannot take it,
// it stays beside the capture file under a dated name and the user is told where; when no
// folder can take it, the refusal says why and what to do, and the next try after that
// records.
TEST_F(EngineTest, AnUnsavedRecordingNeverBlocksTheNextOne) {
  const std::filesystem::path album = dir / "data" / "Gallery" / "General";
  const std::filesystem::path data = dir / "data";
  std::filesystem::create_directories(album);
  auto engine = StartEngine();
  engine->Stills().SetFolder(album.string());
  Capture(*engine, 500ms);
  engine->ReturnToLive();  // the save dialog cancelled
  const int64_t first = ReadAvi(engine->File().Path()).videoFrames;
  ASSERT_GT(first, 0);
  {
    ReadOnlyFolder readOnlyAlbum(album);
    if (!readOnlyAlbum.Done()) GTEST_SKIP() << "cannot make a folder read-only here";
    Capture(*engine, 300ms);
    engine->ReturnToLive();
    auto kept = DatedRecordings(data);
    ASSERT_EQ(kept.size(), 1u);
    const std::filesystem::path firstKept = kept[0];
    EXPECT_EQ(ReadAvi(firstKept.string()).videoFrames, first);
    EXPECT_TRUE(HasMessageWith(host, "It was kept as " + firstKept.string() + "."));

    // Neither folder can take the second one: refused, with the way out, and nothing lost.
    const int64_t second = ReadAvi(engine->File().Path()).videoFrames;
    ASSERT_GT(second, 0);
    {
      ReadOnlyFolder readOnlyData(data);
      ASSERT_TRUE(readOnlyData.Done());
      EXPECT_FALSE(engine->BeginCapture());
      engine->ReturnToLive();
    }
    EXPECT_FALSE(engine->Lifecycle().IsCapturing());
    EXPECT_TRUE(HasMessageWith(host, "It is still in " + engine->File().Path() + "."));
    EXPECT_FALSE(HasMessageWith(host, "Save command"));
    EXPECT_EQ(ReadAvi(engine->File().Path()).videoFrames, second);
    EXPECT_TRUE(engine->Lifecycle().IsPreviewing());
    Capture(*engine, 300ms);
    kept = DatedRecordings(data);
    ASSERT_EQ(kept.size(), 2u);
    EXPECT_EQ(ReadAvi((kept[0] == firstKept ? kept[1] : kept[0]).string()).videoFrames, second);
  }
  // Once the album can be written again the unsaved recording goes there.
  engine.reset();
  EXPECT_EQ(DatedRecordings(album).size(), 1u);
  EXPECT_EQ(DatedRecordings(data).size(), 2u);
}

// A pre-allocated capture file outlives its recordings: the next start takes up the one a
// killed viewer left unsaved, and never again one that was saved.
TEST_F(EngineTest, AKilledRecordingInAPreallocatedFileJoinsTheAlbum) {
  SetDword("AllocMem", 1);
  SetDword("PreAllocSizeKB", 2048);
  const std::filesystem::path album = dir / "data" / "Gallery" / "General";
  std::filesystem::create_directories(album);
  const std::filesystem::path snapshot = dir / "at-the-kill";
  std::filesystem::create_directories(snapshot);
  std::filesystem::path capture;
  ASSERT_NO_FATAL_FAILURE(RecordAndSave(album, snapshot, &capture));
  const std::filesystem::path data = capture.parent_path();
  // Nor when the file is no longer kept pre-allocated: the saved film is still in it.
  SetDword("AllocMem", 0);
  {
    auto engine = StartEngine();
    engine->Stills().SetFolder(album.string());
    EXPECT_FALSE(engine->File().HasUnsavedCapture());
  }
  EXPECT_TRUE(DatedRecordings(album).empty()) << "a saved recording was kept again";
  SetDword("AllocMem", 1);
  PutBack(snapshot, data);
  {
    auto engine = StartEngine();
    engine->Stills().SetFolder(album.string());
    EXPECT_TRUE(engine->File().HasUnsavedCapture());
  }
  const auto kept = DatedRecordings(album);
  ASSERT_EQ(kept.size(), 1u);
  const AviContents avi = ReadAvi(kept[0].string());
  ASSERT_TRUE(avi.opened);
  EXPECT_GT(avi.videoFrames, 5);
  EXPECT_TRUE(std::filesystem::exists(capture)) << "the pre-allocated file went";
}

// A start that finds no card learns no album: the killed viewer's recording waits, marked,
// for a start that does, and is named from when it was recorded, not from when it was kept.
TEST_F(EngineTest, AKilledRecordingWaitsForAStartThatKnowsTheAlbum) {
  const std::filesystem::path album = dir / "data" / "Gallery" / "General";
  std::filesystem::create_directories(album);
  const std::filesystem::path snapshot = dir / "at-the-kill";
  std::filesystem::create_directories(snapshot);
  const std::filesystem::path data = dir / "data";
  std::filesystem::path capture;
  ASSERT_NO_FATAL_FAILURE(RecordAndSave(album, snapshot, &capture));
  PutBack(snapshot, data);
  const std::string mark = (data / ("." + capture.filename().string() + ".unsaved")).string();
  ASSERT_TRUE(std::filesystem::exists(mark)) << "a recording under way has no mark";
  std::tm recorded{.tm_sec = 7,
                   .tm_min = 6,
                   .tm_hour = 5,
                   .tm_mday = 4,
                   .tm_mon = 2,
                   .tm_year = 2021 - 1900,
                   .tm_isdst = -1};
  const timespec times[2] = {{std::mktime(&recorded), 0}, {std::mktime(&recorded), 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, capture.c_str(), times, 0), 0);

  devices = std::make_unique<vd::DeviceEnumerator>();
  {
    auto engine = MakeEngine();
    EXPECT_FALSE(engine->Init(&sink));
  }
  EXPECT_TRUE(DatedRecordings(data).empty());
  EXPECT_TRUE(std::filesystem::exists(mark));

  MakeBox();
  {
    auto engine = StartEngine();
    engine->Stills().SetFolder(album.string());
    EXPECT_TRUE(engine->File().HasUnsavedCapture());
    EXPECT_FALSE(engine->KeepUnsavedCapture().empty());
  }
  const auto kept = DatedRecordings(album);
  ASSERT_EQ(kept.size(), 1u);
  EXPECT_EQ(kept[0].filename(), "Capture 2021-03-04 05.06.07.avi");
  EXPECT_GT(ReadAvi(kept[0].string()).videoFrames, 5);
  EXPECT_FALSE(std::filesystem::exists(mark));
}

TEST_F(EngineTest, NoSignalRefusesToCaptureAndKeepsTheLastRecording) {
  auto engine = StartEngine();
  Capture(*engine, 500ms);
  engine->ReturnToLive();
  int64_t frames = ReadAvi(engine->File().Path()).videoFrames;
  ASSERT_GT(frames, 0);
  ASSERT_TRUE(engine->ApplyWorkMode(vd::WorkMode::kTv));
  vd::VirtualBoxFaults faults;
  faults.signalLoss = true;
  box->SetFaults(faults);
  EXPECT_FALSE(engine->BeginCapture());
  EXPECT_TRUE(HasMessage(host, "Warning: You can not Capture while there is no Video signal"));
  EXPECT_FALSE(engine->Lifecycle().IsCapturing());
  EXPECT_EQ(ReadAvi(engine->File().Path()).videoFrames, frames);
}

TEST_F(EngineTest, ARefusedCaptureLeavesTheLivePictureAndSound) {
  tuning.workMode = vd::WorkMode::kTv;
  auto engine = StartEngine();
  ASSERT_TRUE(engine->Lifecycle().IsPreviewing());
  ASSERT_TRUE(engine->Preview().AudioRunning());
  auto live = [&] {
    int before = sink.Frames();
    return engine->Lifecycle().IsPreviewing() && engine->Preview().AudioRunning() &&
           PumpUntil([&] { return sink.Frames() > before + 3; }, 3s);
  };
  // Without a signal the engine refuses before it touches the preview.
  vd::VirtualBoxFaults faults;
  faults.signalLoss = true;
  box->SetFaults(faults);
  EXPECT_FALSE(engine->BeginCapture());
  EXPECT_TRUE(HasMessage(host, "Warning: You can not Capture while there is no Video signal"));
  EXPECT_TRUE(live()) << "refused for want of a signal";
  engine->ReturnToLive();
  EXPECT_TRUE(live()) << "back to live after the refusal";
  // A capture file that cannot be opened fails once the preview is down: live builds it again.
  box->SetFaults({});
  std::filesystem::remove(engine->File().Path());
  std::filesystem::create_directory(engine->File().Path());
  EXPECT_FALSE(engine->BeginCapture());
  EXPECT_FALSE(engine->Lifecycle().IsCapturing());
  engine->ReturnToLive();
  EXPECT_TRUE(live()) << "back to live after a failed start";
  std::filesystem::remove(engine->File().Path());
}

// Options change what the next recording does, never what the video area shows now.
TEST_F(EngineTest, CaptureOptionsLeaveAPlayingClipAndARunningCaptureAlone) {
  SilentPlayerHost playerHost;
  auto engine = MakeEngine();
  ASSERT_TRUE(engine->Init(&sink, &playerHost));
  Capture(*engine, 600ms);
  engine->ReturnToLive();
  std::string clip = (dir / "clip.avi").string();
  std::filesystem::copy_file(engine->File().Path(), clip);
  ASSERT_TRUE(engine->PlayFile(clip));
  vd::CaptureOptions options = engine->GetCaptureOptions();
  options.captureAudio = !options.captureAudio;
  engine->SetCaptureOptions(options);
  EXPECT_FALSE(engine->Lifecycle().IsPreviewing()) << "the live picture would paint over the clip";
  EXPECT_TRUE(engine->Player()->IsActive());
  engine->SetStillOnDisplay(true);
  engine->StopPlayer();
  engine->ReturnToLive();
  EXPECT_TRUE(engine->Lifecycle().IsPreviewing());

  // During a recording: it goes on, and the next one has no sound.
  options.captureAudio = true;
  engine->SetCaptureOptions(options);
  ASSERT_TRUE(engine->BeginCapture());
  options.captureAudio = false;
  engine->SetCaptureOptions(options);
  EXPECT_TRUE(engine->Lifecycle().IsCapturing()) << "the change ended the recording";
  PumpFor(400ms);
  ASSERT_TRUE(engine->StopCapture());
  EXPECT_GT(ReadAvi(engine->File().Path()).audioBuffers, 0);
  engine->ReturnToLive();
  Capture(*engine, 400ms);
  AviContents next = ReadAvi(engine->File().Path());
  EXPECT_GT(next.videoFrames, 0);
  EXPECT_EQ(next.audioBuffers, 0);
}

TEST_F(EngineTest, UnplugDuringCaptureLeavesAPlayableFile) {
  auto engine = StartEngine();
  ASSERT_TRUE(engine->BeginCapture());
  PumpFor(900ms);
  box->Unplug();
  ASSERT_TRUE(PumpUntil([&] { return !engine->Lifecycle().IsCapturing(); }));
  AviContents avi = ReadAvi(engine->File().Path());
  ASSERT_TRUE(avi.opened);
  EXPECT_GT(avi.videoFrames, 10);
  ASSERT_FALSE(host.statistics.empty());
  EXPECT_EQ(avi.videoFrames, FilmFramesSaid(host.statistics.back()));
  EXPECT_FALSE(HasMessage(host, "ERROR during capture - disk possibly full "));
  EXPECT_TRUE(engine->IsDeviceLost());
}

TEST_F(EngineTest, WriteFailureEndsTheCaptureWithAPlayableFile) {
  signal(SIGXFSZ, SIG_IGN);
  struct rlimit saved {};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  auto engine = StartEngine();
  struct rlimit small = saved;
  small.rlim_cur = 3 * 1024 * 1024;  // about 19 pictures of 320 x 240
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  bool began = engine->BeginCapture();
  bool ended = began && PumpUntil([&] {
                 engine->OnTimer(CaptureGraph::kCaptureTimer);
                 return !engine->Lifecycle().IsCapturing();
               });
  setrlimit(RLIMIT_FSIZE, &saved);
  ASSERT_TRUE(began);
  ASSERT_TRUE(ended);
  EXPECT_TRUE(HasMessage(host, "ERROR during capture - disk possibly full "));
  EXPECT_EQ(host.aborted, 1);
  EXPECT_TRUE(engine->Lifecycle().IsPreviewing())
      << engine->Lifecycle().HasPreviewGraph() << engine->Lifecycle().HasCaptureGraph()
      << engine->Lifecycle().CaptureEnded();  // back to the live picture
  ASSERT_FALSE(host.statistics.empty());
  AviContents avi = ReadAvi(engine->File().Path());
  ASSERT_TRUE(avi.opened);
  EXPECT_GT(avi.videoFrames, 5);
  EXPECT_EQ(avi.videoFrames, FilmFramesSaid(host.statistics.back()));
  EXPECT_LE(std::filesystem::file_size(engine->File().Path()), small.rlim_cur);
}

}  // namespace
}  // namespace vdtest

namespace vdtest {
namespace {

uint32_t Le32At(const std::vector<char>& b, size_t at) {
  auto u = [&](size_t i) { return static_cast<uint32_t>(static_cast<uint8_t>(b[at + i])); };
  return u(0) | u(1) << 8 | u(2) << 16 | u(3) << 24;
}

std::vector<char> FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// The last "idx1" chunk ends where the file ends: the index was written last, nothing after it.
bool IndexEndsTheFile(const std::vector<char>& bytes) {
  std::string text(bytes.begin(), bytes.end());
  size_t idx1 = text.rfind("idx1");
  return idx1 != std::string::npos && idx1 + 8 <= bytes.size() &&
         idx1 + 8 + Le32At(bytes, idx1 + 4) == bytes.size();
}

TEST_F(EngineTest, AFileCutOffByItsWriterIsMendedWithAnIndex) {
  auto engine = StartEngine();
  Capture(*engine, 800ms);
  std::string cut = (dir / "cut.avi").string();
  std::filesystem::copy_file(engine->File().Path(), cut);
  EXPECT_TRUE(vd::AviMend::IsWhole(cut));
  // As a writer that stopped mid-picture leaves it: no index, a torn last chunk, the main
  // header as written at the start (no flags).
  auto size = std::filesystem::file_size(cut);
  std::filesystem::resize_file(cut, size * 6 / 10 + 3);
  {
    std::fstream header(cut, std::ios::in | std::ios::out | std::ios::binary);
    std::string head(4096, '\0');
    header.read(head.data(), static_cast<std::streamsize>(head.size()));
    const size_t flags = head.find("avih") + 8 + 12;
    ASSERT_NE(Le32At(std::vector<char>(head.begin(), head.end()), flags) & 0x10u, 0u)
        << "a finished recording says it has an index";
    header.clear();
    header.seekp(static_cast<std::streamoff>(flags));
    header.write("\0\0\0\0", 4);
  }
  EXPECT_FALSE(vd::AviMend::IsWhole(cut));
  std::string why;
  ASSERT_TRUE(vd::AviMend::Mend(cut, &why)) << why;
  EXPECT_TRUE(vd::AviMend::IsWhole(cut));
  std::ifstream in(cut, std::ios::binary);
  std::vector<char> bytes{std::istreambuf_iterator<char>(in), {}};
  std::string text(bytes.begin(), bytes.end());
  size_t idx1 = text.rfind("idx1");
  ASSERT_NE(idx1, std::string::npos);
  EXPECT_EQ(Le32At(bytes, 4), bytes.size() - 8);  // RIFF size
  EXPECT_EQ(idx1 + 8 + Le32At(bytes, idx1 + 4), bytes.size());
  AviContents avi = ReadAvi(cut);
  ASSERT_TRUE(avi.opened);
  EXPECT_GT(avi.videoFrames, 5);
  // The main header counts the pictures the file now holds.
  size_t avih = text.find("avih");
  ASSERT_NE(avih, std::string::npos);
  EXPECT_EQ(Le32At(bytes, avih + 8 + 16), avi.videoFrames);
  EXPECT_NE(Le32At(bytes, avih + 8 + 12) & 0x10u, 0u) << "AVIF_HASINDEX not set";
  // Not an AVI: refused, untouched.
  std::string other = (dir / "other.avi").string();
  std::ofstream(other) << "not a film";
  EXPECT_FALSE(vd::AviMend::Mend(other, &why));
  EXPECT_EQ(std::filesystem::file_size(other), 10u);
}

}  // namespace
}  // namespace vdtest

namespace vdtest {
namespace {

// The index entries of a file's old-style index: (chunk id, flags).
std::vector<std::pair<uint32_t, uint32_t>> IndexEntries(const std::vector<char>& bytes) {
  std::vector<std::pair<uint32_t, uint32_t>> entries;
  std::string text(bytes.begin(), bytes.end());
  size_t idx1 = text.rfind("idx1");
  if (idx1 == std::string::npos) return entries;
  for (size_t e = idx1 + 8; e + 16 <= idx1 + 8 + Le32At(bytes, idx1 + 4); e += 16)
    entries.emplace_back(Le32At(bytes, e), Le32At(bytes, e + 4));
  return entries;
}

// Seeking and cutting start at key frames: a mended H.264 recording flags the same pictures
// as key frames that the muxer flagged from the encoder, no more.
TEST_F(EngineTest, AMendedH264FileFlagsOnlyItsKeyFrames) {
  auto engine = StartEngine();
  vd::CaptureOptions options = engine->GetCaptureOptions();
  options.recording.codec = vd::VideoCodec::kH264;
  engine->SetCaptureOptions(options);
  Capture(*engine, 2500ms);  // a key frame every two seconds
  const auto whole = IndexEntries(FileBytes(engine->File().Path()));
  std::string cut = (dir / "cut.avi").string();
  std::filesystem::copy_file(engine->File().Path(), cut);
  std::filesystem::resize_file(cut, std::filesystem::file_size(cut) * 9 / 10);
  std::string why;
  ASSERT_TRUE(vd::AviMend::Mend(cut, &why)) << why;
  auto pictures = [](std::vector<std::pair<uint32_t, uint32_t>> entries) {
    std::erase_if(entries, [](const auto& e) { return (e.first & 0xFFFF) != ('0' | '0' << 8); });
    return entries;
  };
  const auto mended = pictures(IndexEntries(FileBytes(cut)));
  const auto wholePictures = pictures(whole);
  ASSERT_GT(mended.size(), 30u);
  ASSERT_LE(mended.size(), wholePictures.size());
  int keys = 0;
  int others = 0;
  for (size_t i = 0; i < mended.size(); ++i) {
    EXPECT_EQ(mended[i].second & 0x10, wholePictures[i].second & 0x10) << "picture " << i;
    ++((mended[i].second & 0x10) != 0 ? keys : others);
  }
  EXPECT_GE(keys, 1);
  EXPECT_GT(others, keys);
  // The encoder held pictures back while the sound went on: what was cut short keeps no
  // sound past its last picture.
  // (The demuxer times only the key frames of H.264: the film is its count of periods.)
  const AviContents avi = ReadAvi(cut);
  ASSERT_TRUE(avi.opened);
  const GstClockTime film = static_cast<GstClockTime>(avi.videoFrames) * GST_SECOND / 30;
  EXPECT_LE(avi.audioSpan, film + 50 * GST_MSECOND)
      << "video " << film << " ns, audio " << avi.audioSpan << " ns";
}

// Past 1 GiB the muxer goes on in a second RIFF part ("AVIX"): a recording killed there
// keeps its pictures up to the kill, in every part. The pictures are black, so the file is
// written sparse and costs little disk.
TEST(AviMendTest, AKilledRecordingPastOneGibKeepsEveryPart) {
  if (!gst_is_initialized()) gst_init(nullptr, nullptr);
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("vd-mend-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  const std::string path = (folder / "big.avi").string();
  GstElement* pipeline = gst_parse_launch(
      "videotestsrc pattern=black ! video/x-raw,format=BGR,width=4096,height=2048,framerate=25/1"
      " ! mux.  audiotestsrc wave=silence samplesperbuffer=1920"
      " ! audio/x-raw,format=S16LE,rate=48000,channels=2 ! mux.  avimux name=mux"
      " ! appsink name=out sync=false",
      nullptr);
  ASSERT_NE(pipeline, nullptr);
  GstElement* out = gst_bin_get_by_name(GST_BIN(pipeline), "out");
  gst_element_set_state(pipeline, GST_STATE_PLAYING);
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  ASSERT_GE(fd, 0);
  constexpr uint64_t kKillAt = (1ull << 30) + (150ull << 20);
  uint64_t position = 0;
  int pictures = 0;
  bool picture = false;  // the buffer that follows is a picture chunk's data
  while (position < kKillAt || !picture) {
    GstSample* sample = gst_app_sink_pull_sample(GST_APP_SINK(out));
    ASSERT_NE(sample, nullptr);
    GstMapInfo map;
    GstBuffer* buffer = gst_sample_get_buffer(sample);
    ASSERT_TRUE(gst_buffer_map(buffer, &map, GST_MAP_READ));
    const bool zeros = std::all_of(map.data, map.data + map.size, [](uint8_t b) { return b == 0; });
    if (!zeros) {
      ASSERT_EQ(::pwrite(fd, map.data, map.size, static_cast<off_t>(position)),
                static_cast<ssize_t>(map.size));
    }
    position += map.size;
    const bool header = map.size == 8 && std::memcmp(map.data, "00db", 4) == 0;
    if (picture && !header) ++pictures;
    picture = header;
    gst_buffer_unmap(buffer, &map);
    gst_sample_unref(sample);
    if (position >= kKillAt && pictures > 0 && !header) {
      // Killed in the middle of the next picture.
      GstSample* next = gst_app_sink_pull_sample(GST_APP_SINK(out));
      ASSERT_NE(next, nullptr);
      position += gst_buffer_get_size(gst_sample_get_buffer(next)) / 2;
      gst_sample_unref(next);
      break;
    }
  }
  gst_element_set_state(pipeline, GST_STATE_NULL);
  gst_object_unref(out);
  gst_object_unref(pipeline);
  ASSERT_EQ(::ftruncate(fd, static_cast<off_t>(position)), 0);
  ::close(fd);
  EXPECT_FALSE(vd::AviMend::IsWhole(path));
  std::string why;
  uint32_t frames = 0;
  {
    // First with room for one part only in the picture's index: the mend must leave the file
    // as it is rather than end it at the first part, over the second.
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    std::vector<char> head(64 * 1024);
    file.read(head.data(), static_cast<std::streamsize>(head.size()));
    size_t at = 0;
    for (size_t i = 0; i + 12 < head.size() && at == 0; ++i) {
      if (std::memcmp(&head[i], "LIST", 4) != 0 || std::memcmp(&head[i + 8], "strl", 4) != 0)
        continue;
      for (size_t c = i + 12; c + 8 < i + 8 + Le32At(head, i + 4); c += 8 + Le32At(head, c + 4)) {
        if (std::memcmp(&head[c], "JUNK", 4) == 0 || std::memcmp(&head[c], "indx", 4) == 0) {
          at = c;
          break;
        }
      }
    }
    ASSERT_NE(at, 0u) << "no index placeholder in the first stream's header";
    const uint32_t size = Le32At(head, at + 4);
    ASSERT_GE(size, 24u + 16u + 8u);
    auto put = [&](size_t where, const char* id, uint32_t value) {
      char bytes[8];
      std::memcpy(bytes, id, 4);
      for (int b = 0; b < 4; ++b) bytes[4 + b] = static_cast<char>(value >> (8 * b));
      file.seekp(static_cast<std::streamoff>(where));
      file.write(bytes, 8);
    };
    put(at, &head[at], 24 + 16);
    put(at + 8 + 24 + 16, "JUNK", size - (24 + 16) - 8);
    file.flush();
    EXPECT_FALSE(vd::AviMend::Mend(path, &why, &frames));
    EXPECT_EQ(std::filesystem::file_size(path), position) << "the parts past the index's room";
    // A damaged placeholder claiming megabytes past its header: nothing is written there.
    auto region = [&] {
      std::vector<char> bytes(4 << 20);
      std::ifstream in(path, std::ios::binary);
      in.seekg(static_cast<std::streamoff>(at));
      in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
      return bytes;
    };
    const std::vector<char> before = region();
    put(at, &head[at], 3 << 20);
    file.flush();
    EXPECT_FALSE(vd::AviMend::Mend(path, &why, &frames));
    std::vector<char> after = region();
    const uint32_t claimed = Le32At(after, 4);
    EXPECT_EQ(claimed, 3u << 20);
    std::memcpy(after.data() + 4, before.data() + 4, 4);  // the size patched above
    EXPECT_TRUE(after == before) << "the mend wrote over the film after a damaged header";
    put(at, &head[at], size);
    file.flush();
  }
  ASSERT_TRUE(vd::AviMend::Mend(path, &why, &frames)) << why;
  EXPECT_TRUE(vd::AviMend::IsWhole(path)) << "both parts, the first with its index";
  EXPECT_EQ(frames, static_cast<uint32_t>(pictures));
  EXPECT_GT(std::filesystem::file_size(path), 1ull << 30);
  AviContents avi = ReadAvi(path, 300 * GST_SECOND);
  std::filesystem::remove_all(folder);
  ASSERT_TRUE(avi.opened);
  EXPECT_EQ(avi.videoFrames, pictures);
  EXPECT_GE(avi.audioSpan + GST_SECOND / 10, static_cast<GstClockTime>(pictures) * GST_SECOND / 25);
}

// An AVI's index holds so many parts, so a long recording is ended whole before it writes
// past them; here the largest file is lowered to a few megabytes.
TEST_F(EngineTest, ARecordingEndsWholeAtTheLargestFileAnAviHolds) {
  constexpr int64_t kLargest = 3 * 1024 * 1024;
  auto engine = StartEngine();
  engine->File().SetLargestCaptureFile(kLargest);
  ASSERT_TRUE(engine->BeginCapture());
  ASSERT_TRUE(PumpUntil([&] {
    engine->OnTimer(CaptureGraph::kCaptureTimer);
    return !engine->Lifecycle().IsCapturing();
  }));
  EXPECT_EQ(host.aborted, 1);
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_NE(host.messages[0].find("ended at 3 MB, the most one AVI file can hold"),
            std::string::npos)
      << host.messages[0];
  EXPECT_TRUE(engine->Lifecycle().IsPreviewing());
  std::vector<char> bytes = FileBytes(engine->File().Path());
  EXPECT_LE(bytes.size(), size_t{kLargest});
  EXPECT_GT(bytes.size(), size_t{kLargest} / 2);
  EXPECT_TRUE(IndexEndsTheFile(bytes));
  AviContents avi = ReadAvi(engine->File().Path());
  ASSERT_TRUE(avi.opened);
  EXPECT_GT(avi.videoFrames, 5);
  EXPECT_EQ(avi.videoFrames, FilmFramesSaid(host.statistics.back()));
  EXPECT_LE(avi.audioSpan, avi.videoSpan + 50 * GST_MSECOND)
      << "video " << avi.videoSpan << " ns, audio " << avi.audioSpan << " ns";
}

// The limit comes after the start, so the engine cannot see it coming: the writer itself
// fails, and the file is mended afterwards.
TEST_F(EngineTest, UnforeseenWriteErrorStillLeavesAnIndexedFile) {
  signal(SIGXFSZ, SIG_IGN);
  struct rlimit saved {};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  auto engine = StartEngine();
  ASSERT_TRUE(engine->BeginCapture());
  struct rlimit small = saved;
  small.rlim_cur = 2 * 1024 * 1024;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  bool ended = PumpUntil([&] {
    engine->OnTimer(CaptureGraph::kCaptureTimer);
    return !engine->Lifecycle().IsCapturing();
  });
  setrlimit(RLIMIT_FSIZE, &saved);
  ASSERT_TRUE(ended);
  EXPECT_TRUE(HasMessage(host, "ERROR during capture - disk possibly full "));
  std::vector<char> bytes = FileBytes(engine->File().Path());
  ASSERT_LE(bytes.size(), small.rlim_cur);
  EXPECT_TRUE(IndexEndsTheFile(bytes));
  AviContents avi = ReadAvi(engine->File().Path());
  ASSERT_TRUE(avi.opened);
  EXPECT_GT(avi.videoFrames, 3);
}

}  // namespace
}  // namespace vdtest

namespace vdtest {
namespace {

// A tmpfs of its own over the engine's data folder, where the capture file lives; gone again
// with the guard. Needs the right to mount (root); the test is skipped elsewhere.
struct SmallDisk {
  explicit SmallDisk(const std::filesystem::path& at, int64_t bytes) : path(at) {
    const std::string options = "size=" + std::to_string(bytes);
    mounted = ::mount("tmpfs", path.c_str(), "tmpfs", 0, options.c_str()) == 0;
  }
  ~SmallDisk() {
    if (mounted) ::umount2(path.c_str(), MNT_DETACH);
  }
  std::filesystem::path path;
  bool mounted = false;
};

TEST_F(EngineTest, ARecordingEndsIndexedWhenTheDiskComesDownToItsMargin) {
  constexpr int64_t kRoom = 6 * 1024 * 1024;  // about a second of 320 x 240 raw with sound
  SmallDisk disk(dir / "data", vd::DiskBudget::kMarginBytes + kRoom);
  if (!disk.mounted) GTEST_SKIP() << "cannot mount a tmpfs here";
  auto engine = StartEngine();
  ASSERT_TRUE(engine->BeginCapture());
  // Before any picture: the time left at what the raw format needs.
  ASSERT_FALSE(host.statistics.empty());
  EXPECT_TRUE(std::regex_match(host.statistics.front().disk, std::regex("[0-9] sec")))
      << host.statistics.front().disk;
  ASSERT_TRUE(PumpUntil([&] {
    engine->OnTimer(CaptureGraph::kCaptureTimer);
    return !engine->Lifecycle().IsCapturing();
  }));
  EXPECT_EQ(host.aborted, 1);
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_NE(host.messages[0].find("disk is nearly full"), std::string::npos) << host.messages[0];
  EXPECT_TRUE(engine->Lifecycle().IsPreviewing());
  // The margin stayed free, and the file is whole: headers, every picture, its index.
  EXPECT_GE(CaptureGraph::FreeDiskSpaceKB(engine->File().Path()) * 1024,
            vd::DiskBudget::kMarginBytes);
  std::vector<char> bytes = FileBytes(engine->File().Path());
  EXPECT_GT(bytes.size(), size_t{kRoom} / 2);
  EXPECT_TRUE(IndexEndsTheFile(bytes));
  AviContents avi = ReadAvi(engine->File().Path());
  ASSERT_TRUE(avi.opened);
  EXPECT_GT(avi.videoFrames, 5);
  EXPECT_EQ(avi.videoFrames, FilmFramesSaid(host.statistics.back()));
  EXPECT_EQ(host.statistics.back().disk, "0 sec");
  // The sound stops with the film, not where the guard found it, ahead of the pictures.
  EXPECT_LE(avi.audioSpan, avi.videoSpan + 50 * GST_MSECOND)
      << "video " << avi.videoSpan << " ns, audio " << avi.audioSpan << " ns";
}

// A disk already at its margin ends the recording before its first picture: the save must
// not put that empty film in place of the file the user chose.
TEST_F(EngineTest, ARecordingWithoutAPictureNeverReplacesTheSavesTarget) {
  SmallDisk disk(dir / "data", vd::DiskBudget::kMarginBytes + 64 * 1024);
  if (!disk.mounted) GTEST_SKIP() << "cannot mount a tmpfs here";
  auto engine = StartEngine();
  // The guard's error can come before the pipeline reaches its start, or just after it.
  if (engine->BeginCapture()) {
    ASSERT_TRUE(PumpUntil([&] {
      engine->OnTimer(CaptureGraph::kCaptureTimer);
      return !engine->Lifecycle().IsCapturing();
    }));
  }
  EXPECT_EQ(engine->File().FramesRecorded(), 0);
  const std::string target = (dir / "film.avi").string();
  { std::ofstream(target) << "an older film"; }
  EXPECT_FALSE(engine->SaveCaptureAs(target));
  EXPECT_EQ(std::string(FileBytes(target).data(), FileBytes(target).size()), "an older film");
  ASSERT_FALSE(host.boxes.empty());
  EXPECT_NE(host.boxes.back().find("holds no picture"), std::string::npos) << host.boxes.back();
}

}  // namespace
}  // namespace vdtest

namespace vdtest {
namespace {

using namespace std::chrono_literals;

// vdtool's session without a window, on the fixture's box.
class HeadlessRecordingTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    // The session's scratch folders, and the dead runs it looks for, stay in the test's own.
    const char* tmpdir = std::getenv("TMPDIR");
    savedTmpdir_ = tmpdir != nullptr ? tmpdir : "";
    setenv("TMPDIR", dir.c_str(), 1);
  }
  void TearDown() override {
    if (savedTmpdir_.empty()) {
      unsetenv("TMPDIR");
    } else {
      setenv("TMPDIR", savedTmpdir_.c_str(), 1);
    }
    EngineTest::TearDown();
  }
  std::string savedTmpdir_;
};

size_t Occurrences(const std::string& text, const std::string& part) {
  size_t count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

// The recording's source and the enumerator both notice the removal: the user is told once,
// and what was recorded is a whole, indexed file.
TEST_F(HeadlessRecordingTest, AnUnplugIsSaidOnce) {
  vd::HeadlessSession session(vd::WorkMode::kComposite, 49);
  ASSERT_TRUE(session.Start(nullptr, devices.get()));
  CaptureGraph& engine = session.Engine();
  ASSERT_TRUE(engine.BeginCapture());
  session.RunUntil([] { return false; }, 900ms);
  testing::internal::CaptureStderr();
  box->Unplug();
  const bool ended = session.RunUntil([&] { return !engine.Lifecycle().IsCapturing(); }, 10s);
  session.RunUntil([] { return false; }, 500ms);  // the enumerator's removal, after the source's
  const std::string said = testing::internal::GetCapturedStderr();
  ASSERT_TRUE(ended);
  EXPECT_EQ(Occurrences(said, "The capture device was unplugged."), 1u) << said;
  EXPECT_TRUE(session.Aborted());
  const std::string kept = (dir / "cut.avi").string();
  ASSERT_TRUE(engine.SaveCaptureAs(kept));
  std::ifstream in(kept, std::ios::binary);
  std::vector<char> bytes{std::istreambuf_iterator<char>(in), {}};
  EXPECT_TRUE(IndexEndsTheFile(bytes));
  AviContents avi = ReadAvi(kept);
  ASSERT_TRUE(avi.opened);
  EXPECT_GT(avi.videoFrames, 10);
}

}  // namespace
}  // namespace vdtest
