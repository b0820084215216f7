// The capture engine, the album, the mixer and the main window as the viewer wires them, on
// the virtual TV box: what one part does must leave the others in a state the user can see
// and trust.
#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QEventLoop>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <atomic>
#include <fstream>
#include <sstream>
#include <thread>

#include "album_prop_sheet.h"
#include "engine_fixture.h"
#include "vd/album/album_store.h"
#include "vd/albumui/album_frame.h"
#include "vd/layout/command_ids.h"
#include "vd/layout/panel_ids.h"
#include "vd/mainwnd/viewer_album_host.h"
#include "vd/mixer/panel_volume.h"
#include "vd/mixer/virtual_mixer_backend.h"
#include "vd/nested_loop.h"
#include "vd/panel/control_panel.h"
#include "vd/virtual_tv_box.h"
#include "video_area.h"
#include "view_state_strip.h"
#include "viewer_fixture.h"
#include "virtual_remote_wnd.h"

namespace vdtest {
namespace {

using namespace std::chrono_literals;
namespace pid = vd::panel_id;

// While it lives, answers the first modal window that opens: Yes (or OK) on a message box,
// Cancel on any other dialog. `seen` tells whether one came.
class ModalAnswer {
 public:
  explicit ModalAnswer(bool yes = true) {
    QObject::connect(&timer_, &QTimer::timeout, [this, yes] {
      QWidget* modal = QApplication::activeModalWidget();
      if (modal == nullptr) return;
      timer_.stop();
      seen = true;
      if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        QAbstractButton* button = box->button(yes ? QMessageBox::Yes : QMessageBox::No);
        if (button == nullptr) button = box->button(QMessageBox::Ok);
        if (button != nullptr) button->click();
      } else if (auto* dialog = qobject_cast<QDialog*>(modal)) {
        dialog->reject();
      }
    });
    timer_.start(20);
  }
  bool seen = false;

 private:
  QTimer timer_;
};

class EngineSeamsTest : public ViewerTest {
 protected:
  void SetUp() override {
    ViewerTest::SetUp();
    vd::VirtualTvBox::Shared()->SetFaults({});
    productId_ = vd::VirtualTvBox::Shared()->ProductId();
  }
  void TearDown() override {
    vd::ViewerAlbumHost::SetSavePathFunction({});
    vd::VirtualTvBox::Shared()->SetFaults({});
    ViewerTest::TearDown();
    vd::VirtualTvBox::Shared()->SetProductId(productId_);
  }

  void LaunchLive() {
    ASSERT_TRUE(LaunchQuiet());
    ASSERT_TRUE(PumpUntil([&] { return window_->Parts().Video()->FrameCount() > 2; }, 10s));
  }
  vd::AlbumStore& Album() { return window_->Parts().AlbumWindow()->Sheet()->Store(); }
  CaptureGraph& Engine() { return *window_->Parts().Engine(); }
  // Pictures keep arriving, and the sound preview runs.
  bool Live() {
    const int before = window_->Parts().Video()->FrameCount();
    return Engine().Lifecycle().IsPreviewing() && Engine().Preview().AudioRunning() &&
           PumpUntil([&] { return window_->Parts().Video()->FrameCount() > before + 3; }, 5s);
  }
  // Records for `time` through the strip and saves the film as `name` in the current album.
  std::filesystem::path Record(std::chrono::milliseconds time, const std::string& name) {
    std::filesystem::path saved;
    vd::ViewerAlbumHost::SetSavePathFunction([&](const vd::SaveDialogRequest& request) {
      saved = request.folder / name;
      return std::optional<std::filesystem::path>(saved);
    });
    window_->Parts().Strip()->Button(ViewStateStrip::kCapture)->click();
    EXPECT_EQ(window_->ViewState(), vd::ViewState::kCapturing);
    PumpFor(time);
    window_->Parts().Strip()->Button(ViewStateStrip::kCapture)->click();
    vd::ViewerAlbumHost::SetSavePathFunction({});
    return saved;
  }
  static std::string Slurp(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
  }
  // Holds a save's copy after its first piece until `go` (at most 10 s): the test then acts
  // while the copy is surely under way. `holding` says the copy has reached the hold.
  void HoldSaveCopy(std::atomic<bool>& holding, std::atomic<bool>& go) {
    Engine().File().WatchSaveCopy([&holding, &go](int64_t) {
      holding = true;
      for (int i = 0; i < 1000 && !go; ++i) std::this_thread::sleep_for(10ms);
    });
  }
  // The box's button as a user of the virtual box presses it: on the virtual remote.
  void PressStillButton() {
    const size_t before = AlbumFiles(".bmp").size();
    CVirtualRemoteWnd remote;
    auto* button = remote.findChild<QPushButton*>("boxStillButton");
    ASSERT_NE(button, nullptr);
    button->click();
    PumpUntil([&] { return AlbumFiles(".bmp").size() > before || !shown_.empty(); }, 5s);
  }

  // The viewer, without its parser, on one typical sound card that the test can take away
  // and give back; null when it did not start.
  vd::VirtualMixerBackend* LaunchWithOneCard() {
    vd::VirtualMixerBackend* cards = nullptr;
    CViewerDlg::Options options;
    options.startParser = false;
    options.mixerBackend = [&cards] {
      auto backend = std::make_unique<vd::VirtualMixerBackend>();
      backend->AddCard(vd::VirtualMixerBackend::TypicalCard("Onboard"));
      cards = backend.get();
      return backend;
    };
    return Launch(options) ? cards : nullptr;
  }

 private:
  uint32_t productId_ = 0;
};

TEST_F(EngineSeamsTest, ARefusedCaptureLeavesTheLivePictureAndSoundRunning) {
  Preset("WorkMode", vd::StoredNumber(vd::WorkMode::kTv));
  LaunchLive();
  vd::VirtualBoxFaults faults;
  faults.signalLoss = true;
  vd::VirtualTvBox::Shared()->SetFaults(faults);
  window_->Parts().Strip()->Button(ViewStateStrip::kCapture)->click();
  EXPECT_EQ(window_->ViewState(), vd::ViewState::kLive);
  ASSERT_FALSE(shown_.empty());
  EXPECT_EQ(shown_.back(), "Warning: You can not Capture while there is no Video signal");
  EXPECT_TRUE(Live());
}

TEST_F(EngineSeamsTest, AFilmRecordedWhileTheBoxDropsPicturesPlaysInStep) {
  LaunchLive();
  vd::VirtualBoxFaults faults;
  faults.dropEveryNth = 3;
  vd::VirtualTvBox::Shared()->SetFaults(faults);
  const std::filesystem::path film = Record(3s, "dropping.avi");
  vd::VirtualTvBox::Shared()->SetFaults({});
  ASSERT_TRUE(std::filesystem::exists(film));
  const AviContents avi = ReadAvi(film.string());
  ASSERT_TRUE(avi.opened);
  EXPECT_GT(avi.audioSpan, 2 * GST_SECOND);
  EXPECT_LE(std::max(avi.videoSpan, avi.audioSpan) - std::min(avi.videoSpan, avi.audioSpan),
            GST_SECOND / 30)
      << "video " << avi.videoSpan << " ns, audio " << avi.audioSpan << " ns";
}

TEST_F(EngineSeamsTest, TheSettingsSheetStaysShutWhileCapturing) {
  LaunchLive();
  window_->Parts().Strip()->Button(ViewStateStrip::kCapture)->click();
  ASSERT_EQ(window_->ViewState(), vd::ViewState::kCapturing);
  ModalAnswer opened(false);
  window_->OnCommand(32799);  // Ctrl+O
  PumpFor(200ms);
  EXPECT_FALSE(opened.seen);
  EXPECT_EQ(window_->ViewState(), vd::ViewState::kCapturing);
  EXPECT_TRUE(Engine().Lifecycle().IsCapturing());
  vd::ViewerAlbumHost::SetSavePathFunction(
      [](const vd::SaveDialogRequest&) { return std::optional<std::filesystem::path>(); });
  window_->Parts().Strip()->Button(ViewStateStrip::kCapture)->click();
  EXPECT_EQ(window_->ViewState(), vd::ViewState::kLive);
}

// A pre-allocated capture file is copied on save. The window goes on while the copy runs, and
// neither a recording nor a quit can start under it; the film is the whole recording.
TEST_F(EngineSeamsTest, ASaveCopyLeavesTheWindowRunningAndNoRecordingStartsUnderIt) {
  Preset("AllocMem", 1);
  LaunchLive();
  std::atomic<bool> holding{false};
  std::atomic<bool> go{false};
  HoldSaveCopy(holding, go);
  int ticks = 0;
  bool dialog = false;
  bool started = false;
  bool closed = false;
  QTimer probe;
  QObject::connect(&probe, &QTimer::timeout, [&] {
    if (!holding || go) return;
    if (++ticks < 5) return;
    dialog = qobject_cast<QProgressDialog*>(QApplication::activeModalWidget()) != nullptr;
    // The keyboard's record key, the strip's button and the engine itself.
    window_->OnCommand(vd::command_id::kCapture);
    window_->Parts().Strip()->Button(ViewStateStrip::kCapture)->click();
    started = Engine().BeginCapture() || Engine().Lifecycle().IsCapturing();
    // Quitting would free the album whose save waits below the dialog.
    closed = window_->close();
    go = true;
  });
  probe.start(20);
  const std::filesystem::path film = Record(800ms, "whole.avi");
  EXPECT_GE(ticks, 5) << "the window's timers stood still during the copy";
  EXPECT_TRUE(dialog) << "no progress dialog during the copy";
  EXPECT_FALSE(started) << "a recording started into the file being copied";
  EXPECT_FALSE(closed) << "the window closed under the save";
  ASSERT_EQ(window_->ViewState(), vd::ViewState::kClipOpen)
      << (shown_.empty() ? "" : shown_.back());
  EXPECT_FALSE(Engine().File().HasUnsavedCapture());
  const std::string recorded = Slurp(Engine().File().Path());
  EXPECT_GT(recorded.size(), 4096u);
  EXPECT_TRUE(Slurp(film) == recorded) << "the film is not the whole recording";
}

// ESC in the copy's dialog: the film it was to replace and the recording both stay as they
// were, and the recording is still the unsaved one.
TEST_F(EngineSeamsTest, EscapeAbortsASaveCopyAndTheRecordingStaysUnsaved) {
  Preset("AllocMem", 1);
  LaunchLive();
  const std::filesystem::path old = Album().AlbumFolder(Album().CurrentAlbum()) / "kept.avi";
  std::ofstream(old) << "the old film";
  std::atomic<bool> holding{false};
  std::atomic<bool> go{false};
  HoldSaveCopy(holding, go);
  std::string recorded;
  QTimer escape;
  QObject::connect(&escape, &QTimer::timeout, [&] {
    auto* dialog = qobject_cast<QProgressDialog*>(QApplication::activeModalWidget());
    if (!holding || go || dialog == nullptr) return;
    recorded = Slurp(Engine().File().Path());
    QTest::keyClick(dialog, Qt::Key_Escape);
    go = true;
  });
  escape.start(20);
  Record(800ms, "kept.avi");
  ASSERT_TRUE(go) << "no progress dialog to press ESC in";
  EXPECT_TRUE(Slurp(old) == "the old film") << "the film the save was to replace changed";
  EXPECT_GT(recorded.size(), 4096u);
  EXPECT_TRUE(Slurp(Engine().File().Path()) == recorded);
  ASSERT_FALSE(shown_.empty());
  EXPECT_EQ(shown_.back(), "Capture file save aborted");
  EXPECT_TRUE(Engine().File().HasUnsavedCapture());
  EXPECT_EQ(window_->ViewState(), vd::ViewState::kLive);
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(old.parent_path()))
    names.push_back(entry.path().filename().string());
  EXPECT_EQ(names, std::vector<std::string>{"kept.avi"}) << "something was left beside the film";
}

// Register 6 takes 2, 1, 0 for the MTS modes 0..2 and 0, 1 for the PAL modes; the virtual
// box's decoder takes what the strobe latches.
TEST_F(EngineSeamsTest, TheSoundModeReachesTheDeviceFromEveryCaller) {
  auto box = vd::VirtualTvBox::Shared();
  LaunchLive();
  vd::MainSettings& settings = window_->Settings();
  settings.isMts = 0;
  settings.mtsPalMode = 0;
  window_->OnPanelCommand(pid::kSoundMode);  // PAL-I
  EXPECT_EQ(box->SoundDecoderMode(), 1);
  window_->OnPanelCommand(pid::kSoundMode);  // PAL-DK
  EXPECT_EQ(box->SoundDecoderMode(), 0);
  settings.isMts = 1;
  settings.mtsMode = 0;
  window_->OnPanelCommand(pid::kSoundMode);  // SAP
  EXPECT_EQ(box->SoundDecoderMode(), 1);
  window_->OnPanelCommand(pid::kSoundMode);  // mono
  EXPECT_EQ(box->SoundDecoderMode(), 0);
  Close();

  // The next start sets the stored mode before anything else does: the PAL family stored,
  // on a box whose model is a PAL one.
  ASSERT_EQ(box->SoundDecoderMode(), 0);
  box->SetProductId(0x1318);
  Preset("isMTS", 0);
  Preset("MTS_PALmode", 1);
  LaunchLive();
  ASSERT_EQ(window_->Settings().isMts, 0);
  EXPECT_EQ(box->SoundDecoderMode(), 1);
}

// Stills from the box's button go into the current album, follow it when it is renamed or
// deleted, and never go missing without a word.
TEST_F(EngineSeamsTest, DeviceStillsFollowTheCurrentAlbum) {
  LaunchLive();
  const std::string first = Album().CurrentAlbum();
  PressStillButton();
  ASSERT_EQ(AlbumFiles(".bmp").size(), 1u) << (shown_.empty() ? "" : shown_.back());
  EXPECT_EQ(AlbumFiles(".bmp")[0].parent_path(), Album().AlbumFolder(first));

  Album().RenameAlbum(first, "Renamed");
  ASSERT_EQ(Album().CurrentAlbum(), "Renamed");
  PressStillButton();
  EXPECT_TRUE(std::filesystem::exists(Album().AlbumFolder("Renamed") / "Image2.bmp"));
  EXPECT_TRUE(shown_.empty()) << shown_.back();

  {
    ModalAnswer yes;
    Album().DeleteAlbum("Renamed");
    ASSERT_TRUE(yes.seen);
  }
  ASSERT_FALSE(Album().IndexOf("Renamed"));
  PressStillButton();
  EXPECT_TRUE(std::filesystem::exists(Album().AlbumFolder(Album().CurrentAlbum()) / "Image3.bmp"));
  EXPECT_TRUE(shown_.empty()) << shown_.back();
}

// The album's page, the film it plays, its messages and the status display.
TEST_F(EngineSeamsTest, TheAlbumAndTheMainWindowAgreeOnTheFileInUse) {
  LaunchLive();
  // A saved snapshot resets the status display.
  window_->Parts().StatusLabel()->setText("stale");
  vd::ViewerAlbumHost::SetSavePathFunction([](const vd::SaveDialogRequest& request) {
    return std::optional<std::filesystem::path>(request.folder / "shot.bmp");
  });
  window_->Parts().Strip()->Button(ViewStateStrip::kSnapshot)->click();
  ASSERT_EQ(AlbumFiles(".bmp").size(), 1u);
  EXPECT_TRUE(window_->Parts().StatusLabel()->text().isEmpty());

  // A film saved at the end of a capture plays.
  const std::filesystem::path film = Record(800ms, "first.avi");
  ASSERT_EQ(window_->ViewState(), vd::ViewState::kClipOpen)
      << (shown_.empty() ? "" : shown_.back());

  // Deleting the film that plays stops it and brings the live picture back.
  const std::string album = Album().CurrentAlbum();
  const std::string names[] = {"first.avi"};
  {
    ModalAnswer yes;
    Album().DeleteFiles(album, names);
    ASSERT_TRUE(yes.seen);
  }
  EXPECT_FALSE(std::filesystem::exists(film));
  EXPECT_EQ(window_->ViewState(), vd::ViewState::kLive);
  EXPECT_FALSE(Engine().Player()->IsActive());
  EXPECT_TRUE(Live());

  // A film played and left for live is no longer in use: it may move.
  const std::filesystem::path second = Record(500ms, "second.avi");
  ASSERT_EQ(window_->ViewState(), vd::ViewState::kClipOpen);
  window_->Parts().Strip()->Button(ViewStateStrip::kCapture)->click();
  ASSERT_EQ(window_->ViewState(), vd::ViewState::kLive);
  std::string other;
  for (const std::string& a : Album().Albums()) {
    if (a != album) other = a;
  }
  ASSERT_FALSE(other.empty());
  shown_.clear();
  EXPECT_TRUE(Album().MoveFileToAlbum(second, other)) << (shown_.empty() ? "" : shown_.back());
  EXPECT_TRUE(std::filesystem::exists(Album().AlbumFolder(other) / "second.avi"));

  // An error of the album shows the error icon.
  EXPECT_FALSE(Album().RenameFile(other, "missing.avi", "other.avi"));
  ASSERT_FALSE(window_->MessageIcons().empty());
  EXPECT_EQ(window_->MessageIcons().back(), vd::MessageIcon::kError);

  // The album reopens on the page the user left.
  const int page = static_cast<int>(*Album().IndexOf(other));
  ASSERT_GT(page, 0);
  window_->Parts().AlbumWindow()->Sheet()->setCurrentIndex(page);
  Close();
  EXPECT_EQ(Stored("AlbumPageNum"), page);
}

// A sound card that goes away is let go at once, said once, and taken back when it returns.
TEST_F(EngineSeamsTest, ASoundCardThatGoesAwayIsLetGoAndTakenBackWhenItReturns) {
  vd::VirtualMixerBackend* cards = LaunchWithOneCard();
  ASSERT_NE(cards, nullptr);
  ASSERT_EQ(cards->OpenCard(), 0u);
  const std::string gone = "The sound card has gone: volume and mute do nothing until it is back.";

  cards->RemoveCard(0);
  ASSERT_TRUE(PumpUntil([&] { return !cards->OpenCard(); }, 3s)) << "the lost card stays open";
  PumpFor(500ms);
  EXPECT_EQ(std::count(shown_.begin(), shown_.end(), gone), 1);

  cards->RemoveCard(0, false);
  ASSERT_TRUE(PumpUntil([&] { return cards->OpenCard() == 0u; }, 5s)) << "not reopened";
  // Watched again: a change made by another program reaches the panel.
  for (const char* line : {"Volume Control", "Wave", "Line In"}) {
    ASSERT_TRUE(cards->ChangeFromOutside(0, line, vd::MixerControlKind::kVolume, {0x2000, 0x2000}));
  }
  EXPECT_TRUE(PumpUntil([&] { return window_->Parts().Volume()->Volume() == 0x2000; }, 3s));
  EXPECT_EQ(std::count(shown_.begin(), shown_.end(), gone), 1);
}

// The card goes while a station change lets the tuner settle: the box saying so waits for the
// settle to end. What the user sets while the card is away is what the panel holds and shows
// through every retry, and what the card gets when it is back.
TEST_F(EngineSeamsTest, WhatTheUserSetsWhileTheCardIsAwayStaysAndGoesToTheCard) {
  vd::VirtualMixerBackend* cards = LaunchWithOneCard();
  ASSERT_NE(cards, nullptr);
  ASSERT_EQ(cards->OpenCard(), 0u);
  // The box's sound comes over USB and plays through the wave output, else by cable.
  const char* line = Engine().GetCapabilities().audio               ? "Wave"
                     : window_->Settings().controlMasterVolume != 0 ? "Volume Control"
                                                                    : "Line In";
  const std::string gone = "The sound card has gone: volume and mute do nothing until it is back.";
  const auto lamp = [&] { return window_->Parts().Panel()->state().muted; };
  // The button a user sees: Unmute while the lamp is lit.
  const auto pressMute = [&] {
    window_->Parts().Panel()->Press(lamp() ? pid::kUnmute : pid::kMute);
  };
  const auto retryTick = [] { PumpFor(2500ms); };
  ASSERT_FALSE(lamp());

  cards->RemoveCard(0);
  {
    vd::NestedLoop settle(vd::NestedLoop::Kind::kSettle);
    ASSERT_TRUE(PumpUntil([&] { return !cards->OpenCard(); }, 3s)) << "the lost card stays open";
    PumpFor(300ms);
    EXPECT_EQ(std::count(shown_.begin(), shown_.end(), gone), 0) << "a box inside the settle";
  }
  PumpFor(300ms);
  EXPECT_EQ(std::count(shown_.begin(), shown_.end(), gone), 1);

  pressMute();
  EXPECT_TRUE(lamp());
  retryTick();
  EXPECT_TRUE(window_->Parts().Volume()->Muted()) << "the retry undid the mute";
  EXPECT_TRUE(lamp());
  window_->RemoteMuteToggle();
  EXPECT_FALSE(window_->Parts().Volume()->Muted());
  EXPECT_FALSE(lamp());
  window_->OnPanelCommand(pid::kVolumeDown);
  const int32_t chosen = window_->Parts().Volume()->Volume();
  pressMute();
  retryTick();
  EXPECT_TRUE(lamp());
  EXPECT_EQ(window_->Parts().Volume()->Volume(), chosen);

  cards->RemoveCard(0, false);
  ASSERT_TRUE(PumpUntil([&] { return cards->OpenCard() == 0u; }, 5s)) << "not reopened";
  EXPECT_EQ(cards->Peek(0, line, vd::MixerControlKind::kMute), std::vector<int32_t>{1});
  EXPECT_EQ(cards->Peek(0, line, vd::MixerControlKind::kVolume),
            (std::vector<int32_t>{chosen, chosen}));
  EXPECT_TRUE(lamp());
  EXPECT_EQ(window_->Parts().Volume()->Volume(), chosen);
  pressMute();
  EXPECT_EQ(cards->Peek(0, line, vd::MixerControlKind::kMute), std::vector<int32_t>{0});
  EXPECT_FALSE(lamp());
}

// The only card unplugged leaves the machine's list. The retry must not reach for the mixer
// from inside the box that says the card has gone, where it would pile a box of its own on
// top; once that box is closed it says there is no mixer left, once.
TEST_F(EngineSeamsTest, TheMixerRetryWaitsUntilTheMessageBoxIsClosed) {
  class UnlistedCards : public vd::VirtualMixerBackend {
   public:
    unsigned DeviceCount() override {
      if (vd::NestedLoop::ModalActive()) ++askedInModalLoop;
      return unlisted ? 0 : VirtualMixerBackend::DeviceCount();
    }
    bool unlisted = false;
    int askedInModalLoop = 0;
  };
  UnlistedCards* cards = nullptr;
  CViewerDlg::Options options;
  options.startParser = false;
  options.mixerBackend = [&cards] {
    auto backend = std::make_unique<UnlistedCards>();
    backend->AddCard(vd::VirtualMixerBackend::TypicalCard("USB Headset"));
    cards = backend.get();
    return backend;
  };
  ASSERT_TRUE(Launch(options));
  ASSERT_EQ(cards->OpenCard(), 0u);
  std::vector<std::string> told;
  // As a message box does: a modal loop, open past the retry's next tick.
  window_->SetMessageSink([&told](const std::string&, const std::string& text) {
    told.push_back(text);
    vd::NestedLoop modal(vd::NestedLoop::Kind::kModal);
    QEventLoop loop;
    QTimer::singleShot(3s, &loop, &QEventLoop::quit);
    loop.exec();
  });

  cards->unlisted = true;
  cards->RemoveCard(0);
  const std::string none = "There are no mixer devices installed. Sound control is useless!";
  ASSERT_TRUE(PumpUntil([&] { return std::count(told.begin(), told.end(), none) > 0; }, 10s));
  PumpFor(500ms);
  EXPECT_EQ(cards->askedInModalLoop, 0);
  ASSERT_EQ(told.size(), 2u);
  EXPECT_EQ(told[0], "The sound card has gone: volume and mute do nothing until it is back.");
  EXPECT_EQ(told[1], none);
}

}  // namespace
}  // namespace vdtest
