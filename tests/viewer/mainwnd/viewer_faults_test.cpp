// The viewer under the ends that can lose a user's work: a stop signal (in a dialog's
// loop too), a kill during a recording, a save dialog cancelled, a clip that cannot play.
#include <sys/wait.h>
#include <unistd.h>
#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QProgressDialog>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstring>
#include <fstream>
#include <iterator>
#include <thread>

#include "read_only_folder.h"
#include "stop_signal_close.h"
#include "vd/layout/panel_ids.h"
#include "vd/mainwnd/viewer_album_host.h"
#include "vd/panel/control_panel.h"
#include "vd/stop_signals.h"
#include "vd/tuning/channel_table.h"
#include "vd/tuning/tuner_control.h"
#include "vd/virtual_tv_box.h"
#include "video_area.h"
#include "view_state_strip.h"
#include "viewer_fixture.h"

namespace vdtest {
namespace {

using namespace std::chrono_literals;

std::string Slurp(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A recording that plays: RIFF, an index, and a main header that counts its pictures.
void ExpectIndexedAvi(const std::filesystem::path& path) {
  const std::string data = Slurp(path);
  ASSERT_GT(data.size(), 1024u) << path;
  EXPECT_EQ(data.substr(0, 4), "RIFF") << path;
  EXPECT_NE(data.rfind("idx1"), std::string::npos) << path << " has no index";
  const size_t avih = data.find("avih");
  ASSERT_NE(avih, std::string::npos);
  uint32_t frames = 0;
  std::memcpy(&frames, data.data() + avih + 8 + 16, 4);
  EXPECT_GT(frames, 0u) << path << ": the header counts no picture";
}

class ViewerFaultTest : public ViewerTest {
 protected:
  void Record(std::chrono::milliseconds length) {
    window_->Parts().Strip()->Button(ViewStateStrip::kCapture)->click();
    ASSERT_EQ(window_->ViewState(), vd::ViewState::kCapturing);
    PumpFor(length);
  }
  // Answers every save dialog with Cancel.
  static void CancelSaves() {
    vd::ViewerAlbumHost::SetSavePathFunction(
        [](const vd::SaveDialogRequest&) { return std::optional<std::filesystem::path>(); });
  }
  void TearDown() override {
    vd::ViewerAlbumHost::SetSavePathFunction({});
    ViewerTest::TearDown();
  }
};

TEST_F(ViewerFaultTest, ARecordingNobodySavedJoinsTheAlbumInsteadOfBeingLost) {
  ASSERT_TRUE(Launch());
  ASSERT_TRUE(PumpUntil([&] { return window_->Parts().Video()->FrameCount() > 2; }, 10s));
  CancelSaves();
  // The save dialog cancelled: the clip waits in the capture file...
  Record(1200ms);
  window_->Parts().Strip()->Button(ViewStateStrip::kCapture)->click();
  EXPECT_EQ(window_->ViewState(), vd::ViewState::kLive);
  EXPECT_TRUE(window_->Parts().Engine()->File().HasUnsavedCapture());
  // ...until the next recording would overwrite it: then it moves to the album.
  Record(1200ms);
  ASSERT_EQ(AlbumFiles(".avi").size(), 1u);
  window_->Parts().Strip()->Button(ViewStateStrip::kCapture)->click();
  // The second one, cancelled too, goes to the album when the viewer ends.
  Close();
  const auto kept = AlbumFiles(".avi");
  ASSERT_EQ(kept.size(), 2u);
  for (const auto& file : kept) {
    EXPECT_EQ(file.filename().string().rfind("Capture ", 0), 0u) << file;
    ExpectIndexedAvi(file);
  }

  // A viewer killed during a recording leaves the capture file without its end: the next
  // start mends it and puts it in the album too.
  const std::filesystem::path capture = root_ / "cut.avi";
  std::filesystem::copy_file(kept.front(), capture);
  const std::string whole = Slurp(capture);
  const size_t index = whole.rfind("idx1");
  ASSERT_NE(index, std::string::npos);
  ASSERT_TRUE(Launch());
  const std::filesystem::path temporary = window_->Parts().Engine()->File().Path();
  Close();
  std::filesystem::resize_file(capture, index - 100);  // the last chunk torn as well
  std::filesystem::rename(capture, temporary);
  // The mark every recording sets before it starts, which only a save or a keep removes.
  std::ofstream(temporary.parent_path() / ("." + temporary.filename().string() + ".unsaved"));
  ASSERT_TRUE(Launch());
  const auto after = AlbumFiles(".avi");
  ASSERT_EQ(after.size(), 3u);
  for (const auto& file : after) ExpectIndexedAvi(file);
  EXPECT_FALSE(std::filesystem::exists(temporary));
}

// An album folder that cannot be written never stops the next recording: the one nobody
// saved stays beside the capture file under a name of its own, and the user is told where.
TEST_F(ViewerFaultTest, AnAlbumThatCannotBeWrittenNeverStopsTheNextRecording) {
  ASSERT_TRUE(Launch());
  ASSERT_TRUE(PumpUntil([&] { return window_->Parts().Video()->FrameCount() > 2; }, 10s));
  CancelSaves();
  Record(1200ms);
  window_->Parts().Strip()->Button(ViewStateStrip::kCapture)->click();
  ASSERT_EQ(window_->ViewState(), vd::ViewState::kLive);
  const std::filesystem::path data =
      std::filesystem::path(window_->Parts().Engine()->File().Path()).parent_path();
  {
    ReadOnlyFolder album(window_->Parts().Engine()->Stills().Folder());
    if (!album.Done()) GTEST_SKIP() << "cannot make a folder read-only here";
    Record(1200ms);
    window_->Parts().Strip()->Button(ViewStateStrip::kCapture)->click();
    EXPECT_EQ(window_->ViewState(), vd::ViewState::kLive);
  }
  std::vector<std::filesystem::path> kept;
  for (const auto& entry : std::filesystem::directory_iterator(data)) {
    if (entry.path().filename().string().rfind("Capture ", 0) == 0) kept.push_back(entry.path());
  }
  ASSERT_EQ(kept.size(), 1u);
  ExpectIndexedAvi(kept.front());
  const auto told = [&](const std::string& part) {
    return std::any_of(shown_.begin(), shown_.end(), [&](const std::string& text) {
      return text.find(part) != std::string::npos;
    });
  };
  EXPECT_TRUE(told("It was kept as " + kept.front().string() + "."));
  EXPECT_FALSE(told("Save command"));
  // The second one, cancelled too, joins the album once it can be written again.
  Close();
  EXPECT_EQ(AlbumFiles(".avi").size(), 1u);
}

TEST_F(ViewerFaultTest, AStopSignalClosesTheViewerLikeItsCloseButton) {
  ASSERT_TRUE(vd::StopSignals::Install());
  ASSERT_TRUE(Launch());
  ASSERT_TRUE(PumpUntil([&] { return window_->Parts().Video()->FrameCount() > 2; }, 10s));
  // The signal arrives while a dialog runs its own loop: the dialog is dismissed, and the
  // window closes only once that loop has returned.
  {
    StopSignalClose closer(*window_);
    bool dialogReturned = false;
    bool closedInsideDialog = false;
    QTimer::singleShot(0, window_.get(), [&] {
      QMessageBox box(QMessageBox::Question, "viewdeck", "Delete?",
                      QMessageBox::Yes | QMessageBox::No);
      QTimer::singleShot(50, &box, [] { std::raise(SIGTERM); });
      box.exec();
      closedInsideDialog = !window_->isVisible();
      dialogReturned = true;
    });
    Record(1500ms);
    ASSERT_TRUE(PumpUntil([&] { return dialogReturned && !window_->isVisible(); }, 20s));
    EXPECT_FALSE(closedInsideDialog) << "the window closed inside the dialog's loop";
  }
  // Closed the normal way: the recording stopped with its index and went to the album, the
  // settings were saved, WinHandle is 0.
  EXPECT_EQ(Stored("WinHandle", -1), 0);
  window_.reset();
  const auto kept = AlbumFiles(".avi");
  ASSERT_EQ(kept.size(), 1u);
  ExpectIndexedAvi(kept.front());
}

// A logout while a save copies the recording: the copy stops, the viewer ends the normal way,
// and the recording joins the album as one nobody saved.
TEST_F(ViewerFaultTest, AStopSignalDuringASaveCopyEndsTheViewerAndKeepsTheRecording) {
  Preset("AllocMem", 1);
  ASSERT_TRUE(vd::StopSignals::Install());
  ASSERT_TRUE(Launch());
  ASSERT_TRUE(PumpUntil([&] { return window_->Parts().Video()->FrameCount() > 2; }, 10s));
  std::filesystem::path film;
  vd::ViewerAlbumHost::SetSavePathFunction([&](const vd::SaveDialogRequest& request) {
    film = request.folder / "film.avi";
    return std::optional<std::filesystem::path>(film);
  });
  // The copy is held after its first piece until the signal has dismissed its dialog.
  std::atomic<bool> go{false};
  window_->Parts().Engine()->File().WatchSaveCopy([&go](int64_t) {
    for (int i = 0; i < 1000 && !go; ++i) std::this_thread::sleep_for(10ms);
  });
  {
    StopSignalClose closer(*window_);
    QPointer<QProgressDialog> dialog;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
      if (dialog == nullptr) {
        dialog = qobject_cast<QProgressDialog*>(QApplication::activeModalWidget());
        if (dialog != nullptr) std::raise(SIGTERM);
      } else if (!dialog->isVisible()) {
        go = true;
      }
    });
    watch.start(20);
    Record(1200ms);
    window_->Parts().Strip()->Button(ViewStateStrip::kCapture)->click();
    ASSERT_TRUE(PumpUntil([&] { return !window_->isVisible(); }, 20s));
    EXPECT_TRUE(go) << "the copy's dialog never showed";
  }
  window_.reset();
  EXPECT_FALSE(std::filesystem::exists(film)) << "the copy went on after the signal";
  const auto kept = AlbumFiles(".avi");
  ASSERT_EQ(kept.size(), 1u) << "the recording was lost";
  ExpectIndexedAvi(kept.front());
}

// The first start asks before anything is shown (the automatic scan): a logout then must
// still end the viewer, cleanly, not leave it waiting for an answer nobody gives.
TEST_F(ViewerFaultTest, AStopSignalDuringTheFirstStartsQuestionEndsTheViewer) {
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    execl(VIEWDECK_BINARY, VIEWDECK_BINARY, static_cast<char*>(nullptr));
    _exit(127);
  }
  // The viewer takes over stop signals before it builds its window, and writes the window's
  // handle as the window starts, before it loads the station list and asks: from then on
  // a signal must end it the normal way, also while the question waits (its loop is the
  // first to read the signal when it came sooner).
  int status = 0;
  bool started = false;
  for (int i = 0; i < 600 && !started; ++i) {
    ASSERT_EQ(waitpid(child, &status, WNOHANG), 0) << "the viewer ended before its window";
    started = Stored("WinHandle", -1) != -1;
    if (!started) std::this_thread::sleep_for(100ms);
  }
  if (!started) {
    kill(child, SIGKILL);
    waitpid(child, &status, 0);
    FAIL() << "the viewer wrote no window handle within 60 s";
  }
  ASSERT_EQ(kill(child, SIGTERM), 0);
  pid_t ended = 0;
  for (int i = 0; i < 200 && ended == 0; ++i) {
    ended = waitpid(child, &status, WNOHANG);
    if (ended == 0) std::this_thread::sleep_for(100ms);
  }
  if (ended == 0) {
    kill(child, SIGKILL);
    waitpid(child, &status, 0);
    FAIL() << "the viewer did not end within 20 s of SIGTERM";
  }
  ASSERT_TRUE(WIFEXITED(status)) << "killed by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(Stored("WinHandle", -1), 0);
  // The question was asked and answered (dismissed): the first start's scan is off.
  EXPECT_EQ(Stored("AutoScan", -1), 0);
}

// A film that cannot open (damaged, or deleted behind the viewer's back) leaves the video
// area as it was: the live picture and its sound running, or the clip on show; one message
// names the file and the reason.
TEST_F(ViewerFaultTest, AFilmThatCannotOpenLeavesThePictureAsItWas) {
  ASSERT_TRUE(LaunchQuiet());
  ASSERT_TRUE(PumpUntil([&] { return window_->Parts().Video()->FrameCount() > 2; }, 10s));
  CaptureGraph& engine = *window_->Parts().Engine();
  const bool sound = engine.Preview().AudioRunning();
  const std::filesystem::path bogus = root_ / "data" / "not a film.avi";
  std::ofstream(bogus) << "RIFF\x04\0\0\0AVI garbage that no demuxer takes";
  const std::filesystem::path gone = root_ / "data" / "deleted.avi";
  for (const auto& file : {bogus, gone}) {
    shown_.clear();
    window_->OpenAlbumFile(file.string(), false);
    ASSERT_EQ(shown_.size(), 1u) << file;
    EXPECT_NE(shown_.front().find(file.string() + ": "), std::string::npos) << shown_.front();
    EXPECT_EQ(window_->ViewState(), vd::ViewState::kLive);
    EXPECT_TRUE(engine.Lifecycle().IsPreviewing()) << file;
    EXPECT_EQ(engine.Preview().AudioRunning(), sound);
    const int64_t frames = window_->Parts().Video()->FrameCount();
    EXPECT_TRUE(PumpUntil([&] { return window_->Parts().Video()->FrameCount() > frames + 2; }, 5s))
        << "the live picture froze after " << file;
  }

  // A clip on show stays open, with its name.
  vd::ViewerAlbumHost::SetSavePathFunction([](const vd::SaveDialogRequest& request) {
    return std::optional<std::filesystem::path>(request.folder / "clip.avi");
  });
  Record(1200ms);
  window_->Parts().Strip()->Button(ViewStateStrip::kCapture)->click();
  ASSERT_EQ(window_->ViewState(), vd::ViewState::kClipOpen);
  const std::string clip = engine.Player()->LastFile();
  shown_.clear();
  window_->OpenAlbumFile(bogus.string(), false);
  EXPECT_EQ(shown_.size(), 1u);
  EXPECT_EQ(window_->ViewState(), vd::ViewState::kClipOpen);
  EXPECT_TRUE(engine.Player()->IsActive());
  EXPECT_EQ(engine.Player()->GetState(), FilePlayer::kStopped);
  EXPECT_EQ(engine.Player()->LastFile(), clip);
  EXPECT_TRUE(engine.Player()->PlayFile());
}

// While a clip is open the live picture waits, whichever way the device is rebuilt (the box
// unplugged and plugged in again, other devices chosen on the Device page): nothing paints
// between the clip's pictures, and closing the clip brings the new device's picture.
TEST_F(ViewerFaultTest, ADeviceRebuiltWhileAClipIsOpenWaitsUntilTheClipIsClosed) {
  ASSERT_TRUE(Launch());
  ASSERT_TRUE(PumpUntil([&] { return window_->Parts().Video()->FrameCount() > 2; }, 10s));
  vd::ViewerAlbumHost::SetSavePathFunction([](const vd::SaveDialogRequest& request) {
    return std::optional<std::filesystem::path>(request.folder / "clip.avi");
  });
  Record(1200ms);
  window_->Parts().Strip()->Button(ViewStateStrip::kCapture)->click();
  ASSERT_EQ(window_->ViewState(), vd::ViewState::kClipOpen);
  CaptureGraph& engine = *window_->Parts().Engine();
  const auto clipAlone = [&](const char* after) {
    EXPECT_EQ(window_->ViewState(), vd::ViewState::kClipOpen) << after;
    EXPECT_TRUE(engine.Player()->IsActive()) << after;
    EXPECT_FALSE(engine.Lifecycle().IsPreviewing()) << after;
    EXPECT_FALSE(engine.Preview().AudioRunning()) << after;
    const int64_t frames = window_->Parts().Video()->FrameCount();
    PumpFor(500ms);
    EXPECT_EQ(window_->Parts().Video()->FrameCount(), frames) << "live pictures after " << after;
  };
  auto box = vd::VirtualTvBox::Shared();
  box->Unplug();
  ASSERT_TRUE(PumpUntil([&] { return engine.IsDeviceLost(); }, 10s));
  box->Plug();
  ASSERT_TRUE(PumpUntil([&] { return !engine.IsDeviceLost(); }, 10s));
  clipAlone("a replug");
  const int32_t audio = engine.Devices().AudioIndex();
  ASSERT_TRUE(engine.ChooseDevices(engine.Devices().VideoIndex(), audio == 0 ? -1 : 0, true));
  clipAlone("a device choice");

  window_->Parts().Strip()->Button(ViewStateStrip::kCapture)->click();
  EXPECT_EQ(window_->ViewState(), vd::ViewState::kLive);
  EXPECT_TRUE(engine.Lifecycle().IsPreviewing());
  const int64_t frames = window_->Parts().Video()->FrameCount();
  EXPECT_TRUE(PumpUntil([&] { return window_->Parts().Video()->FrameCount() > frames + 2; }, 5s));
}

// A recording the box's removal ends takes the window out of its capture state at once,
// whichever of the recording and the device list hears of it first: no blinking lamp, no
// save dialog for Stop, the sheet open again; what was recorded is kept.
TEST_F(ViewerFaultTest, ARecordingTheUnplugEndsLeavesTheCaptureStateAndIsKept) {
  ASSERT_TRUE(Launch());
  ASSERT_TRUE(PumpUntil([&] { return window_->Parts().Video()->FrameCount() > 2; }, 10s));
  int asked = 0;
  vd::ViewerAlbumHost::SetSavePathFunction([&](const vd::SaveDialogRequest&) {
    ++asked;
    return std::optional<std::filesystem::path>();
  });
  CaptureGraph& engine = *window_->Parts().Engine();
  QWidget* lamp = window_->Parts().Panel()->Controls().Control(vd::panel_id::kIndicatorRecord);
  ASSERT_NE(lamp, nullptr);
  const auto outOfCapture = [&](const char* how) {
    ASSERT_TRUE(PumpUntil([&] { return !engine.Lifecycle().IsCapturing(); }, 10s)) << how;
    EXPECT_EQ(window_->ViewState(), vd::ViewState::kLive) << how;
    PumpFor(1200ms);  // a blinking lamp would have shown by now
    EXPECT_FALSE(lamp->isVisible()) << how;
    window_->OnPanelCommand(vd::panel_id::kStop);
    window_->OnCommand(158);  // Esc
    EXPECT_EQ(asked, 0) << how;
    EXPECT_EQ(window_->ViewState(), vd::ViewState::kLive) << how;
    EXPECT_TRUE(engine.File().HasUnsavedCapture()) << how;
  };
  auto box = vd::VirtualTvBox::Shared();
  Record(1200ms);
  box->Unplug();
  outOfCapture("an unplug");
  box->Plug();
  ASSERT_TRUE(PumpUntil([&] { return engine.Lifecycle().IsPreviewing(); }, 10s));

  // The device list's word first, before the recording's source fails.
  Record(1200ms);
  ASSERT_EQ(AlbumFiles(".avi").size(), 1u) << "the first one went to the album";
  engine.OnDeviceChange(CaptureGraph::kDeviceNodesChanged);
  outOfCapture("the device list");
  engine.OnDeviceChange(CaptureGraph::kDeviceArrival);
  ASSERT_TRUE(PumpUntil([&] { return engine.Lifecycle().IsPreviewing(); }, 10s));
  Close();
  EXPECT_EQ(AlbumFiles(".avi").size(), 2u);
}

// A logout while the data folder cannot be written: the viewer ends, and what it could not
// save goes to standard error, not into a box nobody answers. The close button still asks.
TEST_F(ViewerFaultTest, AStopSignalWritesWhatCouldNotBeSavedInsteadOfAsking) {
  ASSERT_TRUE(vd::StopSignals::Install());
  ASSERT_TRUE(Launch());
  ASSERT_TRUE(Table()->Rename(0, "Renamed"));
  const std::filesystem::path data =
      std::filesystem::path(window_->Parts().Engine()->File().Path()).parent_path();
  ReadOnlyFolder readOnly(data);
  if (!readOnly.Done()) GTEST_SKIP() << "cannot make a folder read-only here";
  testing::internal::CaptureStderr();
  {
    StopSignalClose closer(*window_);
    std::raise(SIGTERM);
    ASSERT_TRUE(PumpUntil([&] { return !window_->isVisible(); }, 20s));
  }
  window_.reset();
  const std::string written = testing::internal::GetCapturedStderr();
  EXPECT_NE(written.find("The station list could not be saved in " + data.string()),
            std::string::npos)
      << written;
  EXPECT_TRUE(std::none_of(shown_.begin(), shown_.end(), [](const std::string& text) {
    return text.find("could not be saved") != std::string::npos;
  }));
}

TEST_F(ViewerFaultTest, TheCloseButtonSaysWhatCouldNotBeSaved) {
  ASSERT_TRUE(Launch());
  ASSERT_TRUE(Table()->Rename(0, "Renamed"));
  ReadOnlyFolder readOnly(
      std::filesystem::path(window_->Parts().Engine()->File().Path()).parent_path());
  if (!readOnly.Done()) GTEST_SKIP() << "cannot make a folder read-only here";
  Close();
  EXPECT_TRUE(std::any_of(shown_.begin(), shown_.end(), [](const std::string& text) {
    return text.find("The station list could not be saved") != std::string::npos;
  }));
}

}  // namespace
}  // namespace vdtest
