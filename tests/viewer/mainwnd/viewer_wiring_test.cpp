// The main window's wiring to its companions: the re-tune after a scan and a country change,
// the station list on disk after a scan and the settings sheet, the plan a restart numbers
// by, the panel as the only window in radio, full screen and back, the size after start, and
// the mixer's change notifications.
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDialog>
#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <map>

#include "country_table.h"
#include "panel_window.h"
#include "scan_page.h"
#include "vd/albumui/album_frame.h"
#include "vd/layout/panel_ids.h"
#include "vd/mainwnd/viewer_sheet_host.h"
#include "vd/mainwnd/viewer_tuning_context.h"
#include "vd/mixer/panel_volume.h"
#include "vd/mixer/virtual_mixer_backend.h"
#include "vd/panel/control_panel.h"
#include "vd/sheet/channel_list_ctrl.h"
#include "vd/skin/bmp_slider.h"
#include "vd/tuning/channel_file.h"
#include "vd/tuning/channel_files.h"
#include "vd/tuning/channel_table.h"
#include "vd/tuning/tuner_control.h"
#include "vd/virtual_tv_box.h"
#include "video_area.h"
#include "view_state_strip.h"
#include "viewer_fixture.h"

namespace vdtest {
namespace {

using namespace std::chrono_literals;
namespace pid = vd::panel_id;

class ViewerWiringTest : public ViewerTest {
 protected:
  bool Closed() const { return Stored("WinHandle", -1) == 0; }
  // A right-click on the picture; the context menu it opens is closed as soon as it is up.
  void RightClick() {
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [] {
      if (QWidget* menu = QApplication::activePopupWidget()) menu->close();
    });
    closer.start(10);
    const QPoint at(40, 40);
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, window_->mapToGlobal(at));
    QApplication::sendEvent(window_.get(), &event);
  }
};

// Counts the requests to bring a window above the others.
class Raises : public QObject {
 public:
  explicit Raises(QWidget* window) : window_(window) { window_->installEventFilter(this); }
  ~Raises() override { window_->removeEventFilter(this); }
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::ZOrderChange) ++count;
    return false;
  }
  int count = 0;

 private:
  QWidget* window_;
};

// Where each window stood when it was shown for the first time.
class FirstShows : public QObject {
 public:
  FirstShows() { qApp->installEventFilter(this); }
  ~FirstShows() override { qApp->removeEventFilter(this); }
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Show && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->isWindow()) {
      at.try_emplace(watched, static_cast<QWidget*>(watched)->pos());
    }
    return false;
  }
  std::map<const QObject*, QPoint> at;
};

TEST_F(ViewerWiringTest, AfterAPageScanTheTunerGoesBackToTheStoredStation) {
  ASSERT_TRUE(LaunchQuiet());
  ASSERT_GE(Table()->Count(), 3);
  Preset("TV_Station", 0);
  CScanPage page(*window_->Parts().SheetHost());
  ASSERT_GT(page.RunFullScan(), 0);
  // The page leaves its second station current; the posted re-tune has not run yet.
  ASSERT_NE(Table()->Current(), window_->Parts().Tuning().TvStation());
  const int32_t stored = window_->Parts().Tuning().TvStation();
  EXPECT_TRUE(PumpUntil([&] { return Table()->Current() == stored; }, 5s));
  EXPECT_EQ(window_->Parts().Panel()->Display().Number().trimmed(),
            QString("# %1").arg(stored + 1));
  EXPECT_EQ(page.List()->SelectedRow(), stored);  // the list shows the panel's station
}

TEST_F(ViewerWiringTest, ACountryChangeOnThePageRetunesAndTheSameCountryDoesNot) {
  ASSERT_TRUE(LaunchQuiet());
  ASSERT_GE(Table()->Count(), 3);
  CScanPage page(*window_->Parts().SheetHost());
  QComboBox* countries = page.CountryBox();
  ASSERT_NE(countries, nullptr);
  window_->OnPanelCommand(pid::kChannelUp);
  window_->OnPanelCommand(pid::kChannelUp);
  const int moved = Table()->Current();
  Preset("TV_Station", moved == 0 ? 1 : 0);
  const int32_t stored = window_->Parts().Tuning().TvStation();
  // Picking the country already set is no change.
  emit countries->activated(countries->currentIndex());
  PumpFor(100ms);
  EXPECT_EQ(Table()->Current(), moved);
  int other = -1;
  for (int row = 0; row < countries->count() && other < 0; ++row) {
    if (static_cast<int32_t>(CountryTable::Record(row).code) != window_->Parts().Tuning().Country())
      other = row;
  }
  ASSERT_GE(other, 0);
  countries->setCurrentIndex(other);
  emit countries->activated(other);
  EXPECT_EQ(Table()->Current(), moved);  // queued, not at once
  // The remote's sound-mode key asks for the new country at once.
  EXPECT_EQ(window_->Parts().Remote().Country(),
            static_cast<int32_t>(CountryTable::Record(other).code));
  EXPECT_TRUE(PumpUntil([&] { return Table()->Current() == stored; }, 5s));
}

// A scan on the page is on disk at once, and so are the sheet's changes when it closes: a
// crash keeps them. The stations are numbered by the row scanned, and after a restart typing
// 5 tunes "U.S.A. (HRC)" channel 5 (78 MHz), not the 77.25 MHz of Bahamas, which code 1
// finds first.
TEST_F(ViewerWiringTest, AnHrcScanIsOnDiskAtOnceAndTheNextStartKeepsItsPlan) {
  Preset("Country", 1);
  Preset("AutoScan", 1);  // the offer of a scan is answered No: the list starts empty
  ASSERT_TRUE(LaunchQuiet());
  ASSERT_EQ(Table()->Count(), 0);
  const std::filesystem::path data = window_->Settings().path;
  const auto stationsOnDisk = [&](const char* name) {
    auto bytes = vd::ChannelFiles::ReadFile((data / name).string(), vd::ChannelFile::kMaxBytes);
    EXPECT_TRUE(bytes) << name;
    vd::ChannelFileContents contents =
        vd::ChannelFile::Decode(bytes ? *bytes : std::vector<uint8_t>{}, false);
    EXPECT_FALSE(contents.damage) << name;
    return contents.stations;
  };
  {
    CScanPage page(*window_->Parts().SheetHost());
    page.OnCountryChosen(54);
    ASSERT_GT(page.RunFullScan(), 0);
  }
  for (const char* name : {"TV.CFG", "ChList.CFG"}) {
    const std::vector<CChannel> stations = stationsOnDisk(name);
    EXPECT_EQ(static_cast<int32_t>(stations.size()), Table()->Count()) << name;
    const auto one = std::find_if(stations.begin(), stations.end(),
                                  [](const CChannel& c) { return c.frequency == 72'000'000u; });
    ASSERT_NE(one, stations.end()) << name;
    EXPECT_EQ(one->number, 1u) << name;
    EXPECT_EQ(one->Name(), "  1    ") << name;
  }

  // OK on the sheet after a deletion on its page.
  QTimer::singleShot(0, [&] {
    Table()->Remove(0);
    if (auto* sheet = qobject_cast<QDialog*>(QApplication::activeModalWidget())) sheet->accept();
  });
  window_->OnCommand(32799);
  ASSERT_GT(Table()->Count(), 0);
  EXPECT_EQ(static_cast<int32_t>(stationsOnDisk("TV.CFG").size()), Table()->Count());

  Close();
  ASSERT_TRUE(LaunchQuiet());
  for (int command : {381, 386}) window_->OnCommand(command);  // 5, Enter
  EXPECT_EQ(window_->Parts().Engine()->Tuner()->GetFrequency(), 78'000'000u);
}

TEST_F(ViewerWiringTest, RetuneIsOnlyForTv) {
  ASSERT_TRUE(LaunchQuiet());
  window_->Parts().Panel()->Command(pid::kModeRadio);
  ASSERT_EQ(window_->WorkModeValue(), vd::WorkMode::kRadio);
  CChannelTable* radio = Table();
  const int before = radio != nullptr ? radio->Current() : -1;
  window_->Parts().SheetHost()->ScanRunning(true);
  window_->Parts().SheetHost()->ScanRunning(false);
  PumpFor(100ms);
  EXPECT_EQ(Table(), radio);
  if (radio != nullptr) {
    EXPECT_EQ(radio->Current(), before);
  }
}

TEST_F(ViewerWiringTest, ThePanelHasItsOwnTaskbarEntryOnlyInRadio) {
  ASSERT_TRUE(LaunchQuiet());
  CControlPanel* panel = window_->Parts().Panel();
  EXPECT_EQ(panel->windowFlags() & Qt::WindowType_Mask, Qt::Tool);
  EXPECT_FALSE(window_->Parts().PanelFrame()->HasTab());
  panel->Command(pid::kModeRadio);
  EXPECT_EQ(panel->windowFlags() & Qt::WindowType_Mask, Qt::Window);
  EXPECT_TRUE(window_->Parts().PanelFrame()->HasTab());
  EXPECT_EQ(panel->windowTitle(), "Brevant TV USB Radio");
  EXPECT_TRUE(panel->isVisible());
  EXPECT_FALSE(window_->isVisible());
  const QPoint where = panel->pos();
  panel->Command(pid::kModeComposite);
  EXPECT_EQ(panel->windowFlags() & Qt::WindowType_Mask, Qt::Tool);
  EXPECT_FALSE(window_->Parts().PanelFrame()->HasTab());
  EXPECT_EQ(panel->windowTitle(), "Brevant TV USB");
  EXPECT_TRUE(panel->isVisible());
  EXPECT_TRUE(window_->isVisible());
  EXPECT_EQ(panel->pos(), where);
}

TEST_F(ViewerWiringTest, StartingInRadioShowsOnlyThePanelWithItsEntry) {
  Preset("WorkMode", vd::StoredNumber(vd::WorkMode::kRadio));
  ASSERT_TRUE(LaunchQuiet());
  ASSERT_TRUE(PumpUntil(
      [&] {
        return window_->WorkModeValue() == vd::WorkMode::kRadio &&
               window_->Parts().Panel()->input() == 1;
      },
      5s));
  PumpFor(50ms);
  EXPECT_TRUE(window_->Parts().PanelFrame()->HasTab());
  EXPECT_TRUE(window_->Parts().Panel()->isVisible());
  EXPECT_FALSE(window_->isVisible());
}

TEST_F(ViewerWiringTest, ShowingThePanelInRadioHidesTheMainWindow) {
  ASSERT_TRUE(LaunchQuiet());
  window_->Parts().Panel()->Command(pid::kModeRadio);
  window_->show();
  window_->Parts().Panel()->hide();
  window_->Parts().Panel()->show();
  EXPECT_TRUE(PumpUntil([&] { return !window_->isVisible(); }, 2s));
  // Outside radio the panel shows beside the main window.
  window_->Parts().Panel()->Command(pid::kModeTv);
  window_->Parts().Panel()->hide();
  window_->Parts().Panel()->show();
  PumpFor(50ms);
  EXPECT_TRUE(window_->isVisible());
}

TEST_F(ViewerWiringTest, ClosingThePanelInRadioEndsTheViewer) {
  ASSERT_TRUE(LaunchQuiet());
  window_->Parts().Panel()->Command(pid::kModeRadio);
  ASSERT_FALSE(Closed());
  window_->Parts().Panel()->close();
  EXPECT_TRUE(PumpUntil([&] { return Closed(); }, 5s));
  EXPECT_EQ(window_->Parts().Panel(), nullptr);
}

TEST_F(ViewerWiringTest, ClosingThePanelOutsideRadioOnlyHidesIt) {
  ASSERT_TRUE(LaunchQuiet());
  window_->Parts().Panel()->close();
  PumpFor(50ms);
  EXPECT_FALSE(Closed());
  EXPECT_FALSE(window_->Parts().Panel()->isVisible());
  window_->OnCommand(168);
  EXPECT_TRUE(window_->Parts().Panel()->isVisible());
}

TEST_F(ViewerWiringTest, ThePanelCannotBeClosedWhileAScanRuns) {
  ASSERT_TRUE(LaunchQuiet());
  window_->Parts().Panel()->Command(pid::kModeRadio);
  window_->Parts().SheetHost()->ScanRunning(true);
  EXPECT_FALSE(window_->Parts().Panel()->close());
  PumpFor(50ms);
  EXPECT_TRUE(window_->Parts().Panel()->isVisible());
  EXPECT_FALSE(Closed());
  window_->Parts().SheetHost()->ScanRunning(false);
}

TEST_F(ViewerWiringTest, PowerOnThePanelEndsTheViewerInRadioAndInTv) {
  ASSERT_TRUE(LaunchQuiet());
  window_->Parts().Panel()->Command(pid::kModeRadio);
  window_->Parts().Panel()->Command(pid::kPower);
  EXPECT_TRUE(PumpUntil([&] { return Closed(); }, 5s));
  Close();
  ASSERT_TRUE(LaunchQuiet());
  window_->Parts().Panel()->Command(pid::kPower);
  EXPECT_TRUE(PumpUntil([&] { return Closed(); }, 5s));
}

TEST_F(ViewerWiringTest, TheVideoAreaIs320By240AfterStart) {
  ASSERT_TRUE(LaunchQuiet());
  EXPECT_EQ(window_->Parts().Video()->size(), QSize(320, 240));
  PumpFor(300ms);
  EXPECT_EQ(window_->Parts().Video()->size(), QSize(320, 240));
}

TEST_F(ViewerWiringTest, TheVideoAreaIs320By240WithTheVideoBorderToo) {
  Preset("Video Border", 1);
  ASSERT_TRUE(LaunchQuiet());
  PumpFor(300ms);
  EXPECT_EQ(window_->Parts().Video()->size(), QSize(320, 240));
  EXPECT_GT(window_->Parts().Video()->x(), 0);
}

TEST_F(ViewerWiringTest, FullScreenAndBackRestoresTheWindowTheStripAndThePanel) {
  ASSERT_TRUE(LaunchQuiet());
  PumpFor(100ms);
  const QRect geometry = window_->geometry();
  const QSize video = window_->Parts().Video()->size();
  ASSERT_TRUE(window_->Parts().Strip()->isVisible());
  ASSERT_TRUE(window_->Parts().Panel()->isVisible());
  window_->OnCommand(32808);
  PumpFor(100ms);
  ASSERT_TRUE(window_->FullScreen());
  EXPECT_TRUE(window_->isFullScreen());
  EXPECT_FALSE(window_->Parts().Strip()->isVisible());
  EXPECT_EQ(window_->Parts().Video()->size(), window_->size());
  EXPECT_EQ(window_->size(), window_->screen()->geometry().size());
  EXPECT_TRUE(window_->Parts().Panel()->state().fullScreen);
  window_->OnCommand(32808);
  PumpFor(100ms);
  EXPECT_FALSE(window_->FullScreen());
  EXPECT_FALSE(window_->isFullScreen());
  EXPECT_EQ(window_->geometry(), geometry);
  EXPECT_EQ(window_->Parts().Video()->size(), video);
  EXPECT_TRUE(window_->Parts().Strip()->isVisible());
  EXPECT_TRUE(window_->Parts().Panel()->isVisible());
  EXPECT_FALSE(window_->Parts().Panel()->state().fullScreen);
  for (const std::string& text : window_->Messages()) {
    EXPECT_EQ(text.find("full screen support"), std::string::npos) << text;
  }
}

TEST_F(ViewerWiringTest, AResizeByTheUserMovesNoWindowAndThePanelFollowsOnlyWhenTiled) {
  ASSERT_TRUE(LaunchQuiet());
  ASSERT_FALSE(window_->Parts().AlbumWindow()->isVisible());
  ASSERT_EQ(window_->Settings().tileMode, 0);
  // Near the right edge, where a placement would move the window left for its companions.
  const QRect desktop = window_->screen()->availableGeometry();
  window_->move(desktop.right() - window_->frameGeometry().width() - 10, desktop.top() + 20);
  window_->Parts().Panel()->move(desktop.left() + 5, desktop.top() + 5);
  PumpFor(20ms);
  const QPoint main = window_->pos();
  const QPoint panel = window_->Parts().Panel()->pos();
  window_->resize(window_->size() + QSize(40, 30));
  PumpFor(20ms);
  EXPECT_EQ(window_->pos(), main);
  EXPECT_EQ(window_->Parts().Panel()->pos(), panel);

  window_->OnCommand(32809);  // tiling on: the panel goes under the window and follows it
  ASSERT_EQ(window_->Settings().tileMode, 1);
  const QPoint tiled = window_->Parts().Panel()->pos();
  EXPECT_NE(tiled, panel);
  window_->resize(window_->size() + QSize(20, 24));
  PumpFor(20ms);
  EXPECT_EQ(window_->pos(), main);
  EXPECT_EQ(window_->Parts().Panel()->pos().y(), tiled.y() + 24);
}

// A window manager maps a window where it stands when shown, or where it likes when it has not
// been placed yet; and it knows the main window's frame only after that.
TEST_F(ViewerWiringTest, TheWindowsAreInPlaceWhenFirstShownThePanelUnderTheFrame) {
  FirstShows shows;
  ASSERT_TRUE(LaunchQuiet());
  PumpFor(50ms);
  ASSERT_TRUE(shows.at.count(window_.get()));
  ASSERT_TRUE(shows.at.count(window_->Parts().Panel()));
  EXPECT_EQ(shows.at[window_.get()], window_->pos());
  EXPECT_EQ(shows.at[window_->Parts().Panel()], window_->Parts().Panel()->pos());
  const QRect frame = window_->frameGeometry();
  EXPECT_EQ(window_->Parts().Panel()->y(), frame.bottom() + 1 - 8);
}

// A window manager keeps a window's own tool windows above it, a full-screen one included; a
// full-screen window covers all others.
TEST_F(ViewerWiringTest, ThePanelBelongsToTheMainWindowAndARightClickInFullScreenBringsItUp) {
  ASSERT_TRUE(LaunchQuiet());
  const auto owner = [this] { return window_->Parts().Panel()->windowHandle()->transientParent(); };
  EXPECT_EQ(owner(), window_->windowHandle());
  // Alone in radio, with a taskbar entry of its own.
  window_->Parts().Panel()->Command(pid::kModeRadio);
  EXPECT_EQ(owner(), nullptr);
  window_->Parts().Panel()->Command(pid::kModeTv);
  EXPECT_EQ(owner(), window_->windowHandle());

  Raises raises(window_->Parts().Panel());
  window_->OnCommand(32808);
  ASSERT_TRUE(window_->FullScreen());
  ASSERT_TRUE(window_->Parts().Panel()->isVisible());
  EXPECT_GE(raises.count, 1);
  // Shown, but perhaps under the picture: the right-click brings it up all the same.
  raises.count = 0;
  RightClick();
  EXPECT_GE(raises.count, 1);
  EXPECT_TRUE(window_->Parts().Panel()->isVisible());
  // Hidden, it is shown.
  window_->OnCommand(168);
  ASSERT_FALSE(window_->Parts().Panel()->isVisible());
  RightClick();
  EXPECT_TRUE(window_->Parts().Panel()->isVisible());
  EXPECT_EQ(owner(), window_->windowHandle());
  window_->OnCommand(32808);
}

TEST_F(ViewerWiringTest, AnOutsideMixerChangeReachesThePanel) {
  vd::VirtualMixerBackend* mixer = nullptr;
  CViewerDlg::Options options;
  options.startParser = false;
  options.mixerBackend = [&mixer] {
    auto backend = std::make_unique<vd::VirtualMixerBackend>();
    backend->AddCard(vd::VirtualMixerBackend::TypicalCard("Test Card"));
    mixer = backend.get();
    return backend;
  };
  ASSERT_TRUE(Launch(options));
  ASSERT_NE(mixer, nullptr);
  ASSERT_FALSE(window_->Parts().Tuning().IsMuted());
  // Find the line the panel drives: the one whose mute the panel's button switches.
  std::map<std::string, std::vector<int32_t>> before;
  for (const char* line : {"Volume Control", "Wave", "Line In"}) {
    before[line] =
        mixer->Peek(0, line, vd::MixerControlKind::kMute).value_or(std::vector<int32_t>{});
  }
  window_->OnPanelCommand(pid::kMute);
  std::string driven;
  for (auto& [line, values] : before) {
    if (mixer->Peek(0, line, vd::MixerControlKind::kMute).value_or(values) != values) driven = line;
  }
  ASSERT_FALSE(driven.empty());
  ASSERT_TRUE(window_->Parts().Panel()->state().muted);
  PumpFor(100ms);  // the mixer's report of the panel's own change

  ASSERT_TRUE(mixer->ChangeFromOutside(0, driven, vd::MixerControlKind::kMute, {0}));
  EXPECT_TRUE(PumpUntil([&] { return !window_->Parts().Panel()->state().muted; }, 3s));
  EXPECT_FALSE(window_->Parts().Tuning().IsMuted());

  const int position = window_->Parts().Panel()->Volume().Slider()->Position();
  const auto volume = mixer->Peek(0, driven, vd::MixerControlKind::kVolume);
  ASSERT_TRUE(volume.has_value());
  const int32_t quieter = (*volume)[0] / 2;
  ASSERT_TRUE(mixer->ChangeFromOutside(0, driven, vd::MixerControlKind::kVolume,
                                       std::vector<int32_t>(volume->size(), quieter)));
  EXPECT_TRUE(PumpUntil(
      [&] { return window_->Parts().Panel()->Volume().Slider()->Position() != position; }, 3s));
  EXPECT_EQ(window_->Parts().Volume()->Volume(), quieter)
      << driven << " was " << (*volume)[0] << " of " << volume->size() << " channels";
  // The thumb stands on whole pixels.
  EXPECT_NEAR(window_->Parts().Panel()->Volume().Slider()->Position(),
              window_->Parts().Volume()->Position(),
              (window_->Parts().Volume()->Maximum() - window_->Parts().Volume()->Minimum()) / 100);
}

}  // namespace
}  // namespace vdtest
