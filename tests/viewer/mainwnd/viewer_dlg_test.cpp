// The main window on the virtual TV box: start-up, modes, capture and snapshot into the album,
// channels, the remote end to end, and the settings at shutdown.
#include <sys/wait.h>
#include <unistd.h>
#include <QTest>
#include <QToolButton>

#include "../settings/test_support.h"
#include "country_table.h"
#include "frequency_plans.h"
#include "vd/albumui/album_frame.h"
#include "vd/device_enumerator.h"
#include "vd/layout/command_ids.h"
#include "vd/layout/panel_ids.h"
#include "vd/mainwnd/viewer_album_host.h"
#include "vd/panel/control_panel.h"
#include "vd/remote/remote_code_table.h"
#include "vd/settings/instance_guard.h"
#include "vd/settings/settings_table.h"
#include "vd/tuning/channel_table.h"
#include "vd/tuning/tuner_control.h"
#include "vd/virtual_box_backend.h"
#include "vd/virtual_tv_box.h"
#include "video_area.h"
#include "view_state_strip.h"
#include "viewer_fixture.h"

// Rectangles in failure messages as x, y, width and height.
static void PrintTo(const QRect& r, std::ostream* out) {
  *out << "QRect(" << r.x() << ", " << r.y() << ", " << r.width() << ", " << r.height() << ")";
}

namespace vdtest {
namespace {

using namespace std::chrono_literals;
namespace pid = vd::panel_id;

int CurrentStation(CViewerDlg& window) {
  TunerControl* tuner = window.Parts().Engine()->Tuner();
  if (tuner == nullptr || tuner->Table() == nullptr) return -100;
  return tuner->Table()->Current();
}

TEST_F(ViewerTest, SecondStartEndsQuietlyWhileTheFirstHoldsTheGuard) {
  auto first = vd::InstanceGuard::Acquire();
  ASSERT_NE(first, nullptr);
  ASSERT_TRUE(first->Holds());
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    execl(VIEWDECK_BINARY, VIEWDECK_BINARY, static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  // Nothing was started: the second process never wrote a window handle.
  EXPECT_EQ(Stored("WinHandle", -1), -1);
}

TEST_F(ViewerTest, WinHandleHoldsTheWindowWhileRunningAndZeroAfter) {
  ASSERT_TRUE(Launch());
  const int32_t handle = Stored("WinHandle", -1);
  EXPECT_NE(handle, 0);
  EXPECT_EQ(handle, static_cast<int32_t>(window_->winId()));
  Close();
  EXPECT_EQ(Stored("WinHandle", -1), 0);
}

TEST_F(ViewerTest, DisplayWarningComesBackUntilItsBoxIsTicked) {
  int asked = 0;
  bool tick = false;
  CViewerDlg::Options options;
  options.screenDepth = 24;
  options.startParser = false;
  options.displayWarning = [&](QWidget*) {
    ++asked;
    return tick;
  };
  ASSERT_TRUE(Launch(options));
  EXPECT_TRUE(window_->DisplayWarningShown());
  Close();
  ASSERT_TRUE(Launch(options));
  EXPECT_EQ(asked, 2);
  tick = true;
  Close();
  ASSERT_TRUE(Launch(options));
  EXPECT_EQ(asked, 3);
  Close();
  EXPECT_EQ(Stored("bNotShowAgain"), 1);
  ASSERT_TRUE(Launch(options));
  EXPECT_EQ(asked, 3);
  EXPECT_FALSE(window_->DisplayWarningShown());
}

TEST_F(ViewerTest, SixteenBitScreenNeverShowsTheDisplayWarning) {
  CViewerDlg::Options options;
  options.screenDepth = 16;
  options.startParser = false;
  options.displayWarning = [](QWidget*) {
    ADD_FAILURE() << "warning shown on a 16-bit screen";
    return false;
  };
  ASSERT_TRUE(Launch(options));
  EXPECT_FALSE(window_->DisplayWarningShown());
}

TEST_F(ViewerTest, RadioHidesTheMainWindowAndTheAlbumAndTvBringsThemBack) {
  ASSERT_TRUE(Launch());
  ASSERT_TRUE(window_->isVisible());
  window_->ShowAlbumWindow();
  ASSERT_TRUE(window_->Parts().AlbumWindow()->isVisible());
  window_->Parts().Panel()->Command(pid::kModeRadio);
  EXPECT_EQ(window_->WorkModeValue(), vd::WorkMode::kRadio);
  EXPECT_FALSE(window_->isVisible());
  EXPECT_FALSE(window_->Parts().AlbumWindow()->isVisible());
  EXPECT_TRUE(window_->Parts().Panel()->isVisible());
  EXPECT_EQ(window_->Parts().Panel()->input(), 1);
  // The strip's picture commands have no meaning in radio.
  EXPECT_FALSE(window_->Parts().Strip()->Button(ViewStateStrip::kSnapshot)->isEnabled());
  window_->Parts().Panel()->Command(pid::kModeComposite);
  EXPECT_EQ(window_->WorkModeValue(), vd::WorkMode::kComposite);
  EXPECT_TRUE(window_->isVisible());
  EXPECT_TRUE(window_->Parts().Strip()->Button(ViewStateStrip::kSnapshot)->isEnabled());
}

// Where a grabbed picture is not black: the rectangle the picture was painted in.
QRect PaintedPicture(const QImage& grabbed) {
  QRect painted;
  for (int y = 0; y < grabbed.height(); ++y) {
    for (int x = 0; x < grabbed.width(); ++x) {
      if (grabbed.pixelColor(x, y).value() > 40) painted |= QRect(x, y, 1, 1);
    }
  }
  return painted;
}

// One grey frame of `width` x `height` (with a stated pixel aspect ratio, or none) painted
// into a video area of `area`: the rectangle the picture took.
QRect PaintFrame(VideoArea& video, QSize area, int width, int height, int parN = 0, int parD = 0) {
  std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 4, 0xC0);
  vd::VideoFrame frame;
  frame.width = width;
  frame.height = height;
  frame.stride = width * 4;
  frame.data = pixels.data();
  frame.parN = parN;
  frame.parD = parD;
  video.resize(area);
  video.OnVideoFrame(frame);
  return PaintedPicture(video.grab().toImage());
}

// Full screen, or a window whose video area is not 4:3: the picture keeps its own shape,
// centred between black bars, unless "Keep picture aspect" is off.
TEST_F(ViewerTest, ThePictureKeepsItsShapeBetweenBlackBars) {
  VideoArea video;
  EXPECT_TRUE(video.KeepsPictureAspect());
  // A PAL capture stating no pixel ratio on a 16:10 area is 4:3 TV: 267 x 200, bars beside.
  EXPECT_EQ(PaintFrame(video, {320, 200}, 720, 576), QRect(26, 0, 267, 200));
  // NTSC's digitising size too, on a 5:4 area: bars above and below.
  EXPECT_EQ(PaintFrame(video, {250, 200}, 720, 480), QRect(0, 6, 250, 188));
  // A stated ratio rules: 720 x 576 in 64:45 pixels is a 16:9 picture.
  EXPECT_EQ(PaintFrame(video, {320, 200}, 720, 576, 64, 45), QRect(0, 10, 320, 180));
  // Square pixels of any other size keep the frame's own shape.
  EXPECT_EQ(PaintFrame(video, {320, 200}, 400, 400, 1, 1), QRect(60, 0, 200, 200));
  video.SetKeepPictureAspect(false);
  EXPECT_EQ(PaintFrame(video, {320, 200}, 720, 576), QRect(0, 0, 320, 200));

  // The setting reaches the main window's area at start and from the capture options, and
  // is stored.
  Preset("Keep picture aspect", 0);
  ASSERT_TRUE(Launch());
  EXPECT_FALSE(window_->Parts().Video()->KeepsPictureAspect());
  vd::CaptureOptions options = window_->Parts().Engine()->GetCaptureOptions();
  options.keepPictureAspect = true;
  window_->Parts().Engine()->SetCaptureOptions(options);
  EXPECT_TRUE(window_->Parts().Video()->KeepsPictureAspect());
  Close();
  EXPECT_EQ(Stored("Keep picture aspect"), 1);
}

TEST_F(ViewerTest, FKeyDoesNothingInRadioOrWhileCapturing) {
  ASSERT_TRUE(Launch());
  window_->Parts().Panel()->Command(pid::kModeRadio);
  window_->OnCommand(32824);
  EXPECT_FALSE(window_->FullScreen());
  window_->Parts().Panel()->Command(pid::kModeTv);
  window_->OnCommand(ViewStateStrip::kCapture);
  ASSERT_EQ(window_->ViewState(), vd::ViewState::kCapturing);
  window_->OnCommand(32824);
  EXPECT_FALSE(window_->FullScreen());
  vd::ViewerAlbumHost::SetSavePathFunction(
      [](const vd::SaveDialogRequest&) { return std::optional<std::filesystem::path>(); });
  window_->OnCommand(ViewStateStrip::kCapture);
  vd::ViewerAlbumHost::SetSavePathFunction({});
  EXPECT_EQ(window_->ViewState(), vd::ViewState::kLive);
}

// A change the view-state table refuses leaves the window, its panel and its strip in the
// state they were in; the changes a recording makes go through.
TEST_F(ViewerTest, AViewStateChangeTheTableRefusesLeavesTheWindowAsItWas) {
  ASSERT_TRUE(Launch());
  ASSERT_EQ(window_->ViewState(), vd::ViewState::kLive);
  window_->SetViewState(vd::ViewState::kFinishing);  // no recording to finish
  EXPECT_EQ(window_->ViewState(), vd::ViewState::kLive);
  EXPECT_EQ(window_->Parts().Panel()->state().viewState, vd::ViewState::kLive);
  EXPECT_EQ(window_->RefusedViewStateChanges(), 1);
  window_->OnCommand(ViewStateStrip::kCapture);
  ASSERT_EQ(window_->ViewState(), vd::ViewState::kCapturing);
  window_->SetViewState(vd::ViewState::kClipOpen);  // a clip over a running recording
  EXPECT_EQ(window_->ViewState(), vd::ViewState::kCapturing);
  EXPECT_EQ(window_->Parts().Panel()->state().viewState, vd::ViewState::kCapturing);
  EXPECT_EQ(window_->Parts().Strip()->Button(ViewStateStrip::kCapture)->toolTip(), "Stop");
  vd::ViewerAlbumHost::SetSavePathFunction(
      [](const vd::SaveDialogRequest&) { return std::optional<std::filesystem::path>(); });
  window_->OnCommand(ViewStateStrip::kCapture);
  vd::ViewerAlbumHost::SetSavePathFunction({});
  EXPECT_EQ(window_->ViewState(), vd::ViewState::kLive);
  EXPECT_EQ(window_->RefusedViewStateChanges(), 2);
}

// What a recording and a film refuse, whichever path the command takes (menu, key, panel
// button): the screen, the picture's shape and the station stay; the buttons that cannot act
// now beep. The film a recording ends in refuses full screen too, by menu and by Esc, and
// Record leaves it for the live picture.
TEST_F(ViewerTest, CommandsARecordingOrAFilmRefusesLeaveTheWindowAsItWas) {
  namespace cid = vd::command_id;
  int beeps = 0;
  CViewerDlg::Options options;
  options.startParser = false;
  options.beep = [&beeps] { ++beeps; };
  ASSERT_TRUE(Launch(options));
  ASSERT_TRUE(PumpUntil([&] { return window_->Parts().Video()->FrameCount() > 2; }, 10s));
  const int32_t ratio = window_->Settings().forceRatio43;
  const int station = CurrentStation(*window_);
  window_->OnPanelCommand(pid::kRecord);
  ASSERT_EQ(window_->ViewState(), vd::ViewState::kCapturing);
  for (const int id : {cid::kFullScreen, cid::kFullScreenKey, cid::kForceRatio}) {
    window_->OnCommand(id);
  }
  window_->OnPanelCommand(pid::kMaximize);
  EXPECT_FALSE(window_->FullScreen());
  EXPECT_EQ(window_->Settings().forceRatio43, ratio);
  EXPECT_EQ(beeps, 0);
  window_->OnCommand(cid::kSettings);
  window_->OnPanelCommand(pid::kTools);
  window_->OnPanelCommand(pid::kChannelDown);
  // Choosing a device rebuilds the graphs, which would cut the recording.
  window_->OnCommand(cid::kDevice0);
  // Another input, as the remote's mode keys ask, would end it without the save question.
  const vd::WorkMode mode = window_->Settings().workMode;
  window_->OnPanelCommand(pid::kModeComposite);
  // The remote's keys run later on the window's thread, after a capture may have begun.
  const uint32_t hz = window_->Parts().Engine()->Tuner()->GetFrequency();
  // The window is the bridge's owner privately; a C-style cast reaches a private base.
  auto& remote = (vd::RemoteBridge::Owner&)(*window_);
  remote.RemoteVideoSourceCycle();
  remote.RemoteTvRadioFlip();
  remote.RemoteFineTune(62500);
  EXPECT_EQ(window_->Parts().Engine()->Tuner()->GetFrequency(), hz);
  EXPECT_EQ(window_->Settings().workMode, mode);
  EXPECT_EQ(beeps, 7);
  EXPECT_EQ(CurrentStation(*window_), station);
  EXPECT_EQ(window_->ViewState(), vd::ViewState::kCapturing);

  PumpFor(1500ms);
  vd::ViewerAlbumHost::SetSavePathFunction([](const vd::SaveDialogRequest& request) {
    return std::optional<std::filesystem::path>(request.folder / "refused.avi");
  });
  window_->OnPanelCommand(pid::kStop);
  vd::ViewerAlbumHost::SetSavePathFunction({});
  ASSERT_EQ(window_->ViewState(), vd::ViewState::kClipOpen)
      << (shown_.empty() ? "" : shown_.back());
  // One at a time: two toggles let through would cancel out.
  for (const int id : {cid::kFullScreen, cid::kEscape}) {
    window_->OnCommand(id);
    EXPECT_FALSE(window_->FullScreen()) << id;
  }
  window_->OnPanelCommand(pid::kRestore);
  EXPECT_FALSE(window_->FullScreen());
  window_->OnCommand(cid::kForceRatio);
  EXPECT_EQ(window_->Settings().forceRatio43, ratio);
  EXPECT_EQ(window_->ViewState(), vd::ViewState::kClipOpen);
  EXPECT_EQ(beeps, 7);
  window_->OnPanelCommand(pid::kRecord);
  EXPECT_EQ(window_->ViewState(), vd::ViewState::kLive);
  // A device the list does not hold is refused, and the live picture keeps its card.
  window_->OnCommand(cid::kDevice9);
  EXPECT_EQ(beeps, 8);
  ASSERT_NE(window_->Parts().Engine()->Devices().Video(), nullptr);
  window_->OnCommand(cid::kFullScreen);
  EXPECT_TRUE(window_->FullScreen());
  EXPECT_EQ(window_->RefusedViewStateChanges(), 0);
}

TEST_F(ViewerTest, InputWithFmDisabledRestsOnRadioThenGoesToComposite) {
  DisableFm();
  ASSERT_TRUE(Launch());
  ASSERT_EQ(window_->WorkModeValue(), vd::WorkMode::kTv);
  QTest::mouseClick(window_->Parts().Panel()->Controls().Control(pid::kInput), Qt::LeftButton);
  EXPECT_EQ(window_->WorkModeValue(), vd::WorkMode::kTv);
  EXPECT_TRUE(window_->isVisible());
  QTest::mouseClick(window_->Parts().Panel()->Controls().Control(pid::kInput), Qt::LeftButton);
  EXPECT_EQ(window_->WorkModeValue(), vd::WorkMode::kComposite);
}

TEST_F(ViewerTest, CaptureAndSnapshotThroughTheStripLandInTheAlbum) {
  ASSERT_TRUE(Launch());
  ASSERT_TRUE(PumpUntil([&] { return window_->Parts().Video()->FrameCount() > 2; }, 10s));
  std::vector<std::string> titles;
  vd::ViewerAlbumHost::SetSavePathFunction([&](const vd::SaveDialogRequest& request) {
    titles.push_back(request.title);
    return std::optional<std::filesystem::path>(
        request.folder /
        (request.defaultExtension == "bmp" ? "still.bmp" : "clip." + request.defaultExtension));
  });
  window_->Parts().Strip()->Button(ViewStateStrip::kSnapshot)->click();
  EXPECT_EQ(AlbumFiles(".bmp").size(), 1u);
  EXPECT_TRUE(window_->Parts().AlbumWindow()->isVisible());

  window_->Parts().Strip()->Button(ViewStateStrip::kCapture)->click();
  ASSERT_EQ(window_->ViewState(), vd::ViewState::kCapturing);
  PumpFor(1500ms);
  window_->Parts().Strip()->Button(ViewStateStrip::kCapture)->click();
  vd::ViewerAlbumHost::SetSavePathFunction({});
  EXPECT_EQ(AlbumFiles(".avi").size(), 1u);
  EXPECT_EQ(window_->ViewState(), vd::ViewState::kClipOpen)
      << (shown_.empty() ? "" : shown_.back());
  EXPECT_EQ(titles.size(), 2u);
  window_->Parts().Strip()->Button(ViewStateStrip::kCapture)->click();
  EXPECT_EQ(window_->ViewState(), vd::ViewState::kLive);
}

TEST_F(ViewerTest, ChannelUpIsRefusedWhileCapturingAndMovesToTheNextStationAfter) {
  ASSERT_TRUE(Launch());
  const int before = CurrentStation(*window_);
  ASSERT_GE(before, 0);
  window_->OnCommand(ViewStateStrip::kCapture);
  ASSERT_EQ(window_->ViewState(), vd::ViewState::kCapturing);
  window_->Parts().Panel()->Command(pid::kChannelUp);
  EXPECT_EQ(CurrentStation(*window_), before);
  vd::ViewerAlbumHost::SetSavePathFunction(
      [](const vd::SaveDialogRequest&) { return std::optional<std::filesystem::path>(); });
  window_->OnCommand(ViewStateStrip::kCapture);
  vd::ViewerAlbumHost::SetSavePathFunction({});
  ASSERT_EQ(window_->ViewState(), vd::ViewState::kLive);

  window_->Parts().Panel()->Command(pid::kChannelUp);
  const int after = CurrentStation(*window_);
  EXPECT_NE(after, before);
  EXPECT_EQ(window_->Parts().Panel()->Display().Number().trimmed(), QString("# %1").arg(after + 1));
  window_->Parts().Panel()->Command(pid::kChannelDown);
  EXPECT_EQ(CurrentStation(*window_), before);
}

TEST_F(ViewerTest, RemoteChannelUpTravelsThroughTheBulkStreamAndTheParser) {
  ASSERT_TRUE(Launch());
  ASSERT_TRUE(window_->Parts().HasParser());
  const int before = CurrentStation(*window_);
  ASSERT_GE(before, 0);
  uint32_t code = 0;
  for (const auto& entry : vd::RemoteCodeTable::Entries()) {
    if (entry.key == vd::remote_key::kChannelUp) code = entry.code;
  }
  ASSERT_NE(code, 0u);
  vd::VirtualTvBox::Shared()->PressRemoteKey(code);
  EXPECT_TRUE(PumpUntil([&] { return CurrentStation(*window_) != before; }, 10s));
}

// The parser's bulk source belongs to the device that went away: after the box comes back,
// the remote must reach the window again, through a parser on the returned device.
TEST_F(ViewerTest, TheRemoteWorksAgainAfterTheBoxIsPluggedBackIn) {
  ASSERT_TRUE(Launch());
  auto box = vd::VirtualTvBox::Shared();
  uint32_t code = 0;
  for (const auto& entry : vd::RemoteCodeTable::Entries()) {
    if (entry.key == vd::remote_key::kChannelUp) code = entry.code;
  }
  box->Unplug();
  ASSERT_TRUE(PumpUntil([&] { return window_->Parts().Engine()->IsDeviceLost(); }, 10s));
  box->Plug();
  ASSERT_TRUE(PumpUntil([&] { return !window_->Parts().Engine()->IsDeviceLost(); }, 10s));
  ASSERT_TRUE(window_->Parts().HasParser());
  const int before = CurrentStation(*window_);
  ASSERT_GE(before, 0);
  box->PressRemoteKey(code);
  EXPECT_TRUE(PumpUntil([&] { return CurrentStation(*window_) != before; }, 10s));
}

TEST_F(ViewerTest, ShutdownSavesTheSettingsWithRadioStoredAsTv) {
  ASSERT_TRUE(Launch());
  window_->OnCommand(32820);  // TV frame on
  window_->Parts().Panel()->Command(pid::kModeRadio);
  ASSERT_EQ(window_->WorkModeValue(), vd::WorkMode::kRadio);
  Close();
  EXPECT_EQ(Stored("WorkMode"), 3);
  EXPECT_EQ(Stored("Video Border"), 1);
  EXPECT_EQ(Stored("WinHandle", -1), 0);
}

// A fresh profile takes the country the box stands in, whether the locale or the box's file
// puts it there, and the box's stations lie on that country's plans. The sound system
// follows the product id of the model sold there.
TEST_F(ViewerTest, AFreshStartTakesTheCountryTheBoxStandsIn) {
  using Env = vd::test::ScopedEnv;
  Env carriers("VIEWDECK_VIRTUAL_BOX_TEST_CARRIERS", std::nullopt), all("LC_ALL", std::nullopt),
      messages("LC_MESSAGES", std::nullopt), lang("LANG", std::nullopt),
      sysfs("VIEWDECK_SYSFS_ROOT", (root_ / "run").string());
  struct Place {
    const char* iso;
    const char* locale;
    const char* countryName;
    int32_t isMts;
  };
  const Place places[] = {
      {"US", "en_US.UTF-8", "U.S.A.", 1},       {"CA", "en_CA.UTF-8", "Canada", 1},
      {"DE", "de_DE.UTF-8", "Germany", -1},     {"AT", "de_AT.UTF-8", "Austria", -1},
      {"CH", "de_CH.UTF-8", "Switzerland", -1}, {"FR", "fr_FR.UTF-8", "France", -1},
      {"GB", "en_GB.UTF-8", "U.K.", -1},
  };
  for (const Place& place : places) {
    // The file's location wins over a locale whose own rules would give another country.
    for (const bool byFile : {false, true}) {
      const std::string where = std::string(place.iso) + (byFile ? " by file" : " by locale");
      ::setenv("LANG", byFile ? "ja_JP.UTF-8" : place.locale, 1);
      auto box = std::make_shared<vd::VirtualTvBox>(vd::VirtualBoxConfig::Parse(
          byFile ? "location = " + std::string(place.iso) + "\n" : "", "test"));
      vd::DeviceEnumerator devices;
      devices.AddBackend(std::make_unique<vd::VirtualBoxBackend>(box));
      vd::MainSettings settings;
      settings.Load(*store_, CViewerDlg::FirstRunContext(devices));
      const int shown = CountryTable::LastIndexOfCode(settings.country);
      ASSERT_GE(shown, 0) << where;
      EXPECT_STREQ(CountryTable::EnglishName(shown), place.countryName) << where;
      EXPECT_EQ(settings.isMts, place.isMts) << where;
      ASSERT_FALSE(box->Sky().ExplicitTvStations().empty()) << where;
      for (const uint32_t source : {0u, 1u}) {
        const ChannelBand* band = CountryTable::TunerBand(settings.country, source);
        ASSERT_NE(band, nullptr) << where;
        for (const vd::Station& station : box->Sky().ExplicitTvStations())
          EXPECT_TRUE(band->ChannelOf(station.frequencyHz)) << where << " " << station.name;
      }
    }
  }
  // A stored country stays whatever the box says.
  Preset("Country", 33);
  vd::MainSettings settings;
  settings.Load(*store_, CViewerDlg::FirstRunContext(vd::DeviceEnumerator::Default()));
  EXPECT_EQ(settings.country, 33);
}

TEST_F(ViewerTest, TypedChannelNumberSelectsItsStationAndRecallGoesBack) {
  ASSERT_TRUE(Launch());
  TunerControl* tuner = window_->Parts().Engine()->Tuner();
  ASSERT_NE(tuner, nullptr);
  ASSERT_NE(tuner->ActiveBand(), nullptr);
  CChannelTable* table = tuner->Table();
  const int before = table->Current();
  ASSERT_GE(table->Count(), 3);
  const int target = before == 0 ? 2 : 0;
  int number = -1;
  for (uint32_t n = 1; n < 200 && number < 0; ++n) {
    if (tuner->ActiveBand()->FrequencyOf(n) == table->Get(target)->frequency) number = n;
  }
  ASSERT_GT(number, 0);
  for (char digit : std::to_string(number)) window_->OnCommand(376 + (digit - '0'));
  window_->OnCommand(386);
  EXPECT_EQ(CurrentStation(*window_), target);
  window_->OnPanelCommand(pid::kKeyRecall);
  EXPECT_EQ(CurrentStation(*window_), before);
}

}  // namespace
}  // namespace vdtest
