// The bars of the main window on the virtual TV box: statistics during a capture, the
// playback bar on the clip just recorded, the tool strips and the engine's dialogs.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QMenu>
#include <QSlider>
#include <QSpinBox>
#include <QTest>
#include <QToolButton>
#include <regex>

#include "capture_stats_bar.h"
#include "playback_bar.h"
#include "tool_strip.h"
#include "vd/layout/panel_ids.h"
#include "vd/mainwnd/viewer_album_host.h"
#include "vd/mainwnd/viewer_bars.h"
#include "vd/pages/dialog_runner.h"
#include "vd/pages/property_dialog.h"
#include "vd/tuning/tuner_control.h"
#include "video_area.h"
#include "view_state_strip.h"
#include "viewer_fixture.h"

namespace vdtest {
namespace {

using namespace std::chrono_literals;
namespace pid = vd::panel_id;
using vd::CaptureStatsFields;
using vd::ToolStripSet;

class BarsTest : public ViewerTest {
 protected:
  void TearDown() override {
    vd::ViewerAlbumHost::SetSavePathFunction({});
    vd::DialogRunner::Set({});
    ViewerTest::TearDown();
  }

  vd::ViewerBars& Bars() { return *window_->Parts().Bars(); }

  // Records `time` through the strip's Capture button into the album; the window then shows
  // the new clip (view state 3).
  void RecordClip(std::chrono::milliseconds time) {
    vd::ViewerAlbumHost::SetSavePathFunction([](const vd::SaveDialogRequest& request) {
      return std::optional<std::filesystem::path>(request.folder /
                                                  ("clip." + request.defaultExtension));
    });
    ASSERT_TRUE(PumpUntil([&] { return window_->Parts().Video()->FrameCount() > 2; }, 10s));
    window_->Parts().Strip()->Button(ViewStateStrip::kCapture)->click();
    ASSERT_EQ(window_->ViewState(), vd::ViewState::kCapturing);
    PumpFor(time);
    window_->Parts().Strip()->Button(ViewStateStrip::kCapture)->click();
    ASSERT_EQ(window_->ViewState(), vd::ViewState::kClipOpen)
        << (shown_.empty() ? "" : shown_.back());
  }

  static QMenu* SubMenu(QMenu& menu, const QString& title) {
    for (QAction* action : menu.actions()) {
      if (action->menu() != nullptr && action->text() == title) return action->menu();
    }
    return nullptr;
  }

  static QAction* Entry(QMenu* menu, const QString& text) {
    for (QAction* action : menu->actions()) {
      if (action->text() == text) return action;
    }
    return nullptr;
  }

  // Nothing under the video: it ends where the first bar begins.
  void ExpectVideoAbove(const QWidget* bar) {
    EXPECT_LE(window_->VideoRect().bottom(), bar->geometry().top() - 1)
        << "the video overlaps " << bar->objectName().toStdString();
  }
};

TEST_F(BarsTest, StatisticsBarShowsLiveThenFinalFiguresUnderTheVideo) {
  ASSERT_TRUE(Launch());
  CaptureStatsBar* bar = Bars().Statistics();
  EXPECT_FALSE(bar->isVisible());
  const QRect live = window_->VideoRect();
  const QSize windowSize = window_->size();
  ASSERT_TRUE(PumpUntil([&] { return window_->Parts().Video()->FrameCount() > 2; }, 10s));
  vd::ViewerAlbumHost::SetSavePathFunction(
      [](const vd::SaveDialogRequest&) { return std::optional<std::filesystem::path>(); });
  window_->Parts().Strip()->Button(ViewStateStrip::kCapture)->click();
  ASSERT_EQ(window_->ViewState(), vd::ViewState::kCapturing);
  ASSERT_TRUE(bar->isVisible());
  ASSERT_TRUE(PumpUntil(
      [&] { return bar->Fields().Text(CaptureStatsFields::kSeconds) >= "1.0 Secs"; }, 10s));
  EXPECT_TRUE(std::regex_match(bar->Value(CaptureStatsFields::kCaptured)->text().toStdString(),
                               std::regex("[1-9][0-9]*")));
  EXPECT_TRUE(std::regex_match(bar->Value(CaptureStatsFields::kSeconds)->text().toStdString(),
                               std::regex("[0-9]+\\.[0-9] Secs")));
  EXPECT_TRUE(std::regex_match(bar->Value(CaptureStatsFields::kFps)->text().toStdString(),
                               std::regex("[0-9]+\\.[0-9] fps")));
  EXPECT_TRUE(std::regex_match(bar->Value(CaptureStatsFields::kRate)->text().toStdString(),
                               std::regex("[0-9]+\\.[0-9] mb\\\\sec")));
  EXPECT_TRUE(std::regex_match(bar->Value(CaptureStatsFields::kDisk)->text().toStdString(),
                               std::regex("[0-9]+ h [0-9]{2} min|[0-9]+ min|[0-9]+ sec|> 99 h")))
      << bar->Value(CaptureStatsFields::kDisk)->text().toStdString();
  // The bar is the bottom reserve: the video gave up its height and stops above it.
  ExpectVideoAbove(bar);
  EXPECT_LT(window_->VideoRect().height(), live.height());
  EXPECT_EQ(window_->size(), windowSize);
  EXPECT_EQ(bar->geometry().bottom(), window_->height() - 1);
  // Every field fits inside the bar at the start size, its text not cut.
  for (int i = 0; i < CaptureStatsFields::kFieldCount; ++i) {
    const QLabel* value = bar->Value(static_cast<CaptureStatsFields::Field>(i));
    EXPECT_TRUE(bar->rect().contains(value->geometry())) << i;
    EXPECT_GE(value->width(), value->sizeHint().width()) << i;
  }

  window_->Parts().Strip()->Button(ViewStateStrip::kCapture)->click();
  // No album target: straight back to live; the final figures were shown on the way.
  EXPECT_EQ(window_->ViewState(), vd::ViewState::kLive);
  EXPECT_FALSE(bar->isVisible());
  EXPECT_TRUE(std::regex_match(bar->Fields().Text(CaptureStatsFields::kFps),
                               std::regex("[0-9]+\\.[0-9] fps")));
  EXPECT_TRUE(std::regex_match(bar->Fields().Text(CaptureStatsFields::kRate),
                               std::regex("[0-9]+\\.[0-9] mb\\\\sec")));
  EXPECT_EQ(window_->VideoRect(), live) << "the video gets its height back";
}

TEST_F(BarsTest, PlaybackBarCountsSeeksAndStopsWithTheRecordedClip) {
  ASSERT_TRUE(Launch());
  ASSERT_NO_FATAL_FAILURE(RecordClip(2500ms));
  PlaybackBar* bar = Bars().Playback();
  ASSERT_TRUE(bar->isVisible());
  ExpectVideoAbove(bar);
  const int32_t length = bar->Position().Length();
  ASSERT_GE(length, 1) << bar->LengthLabel()->text().toStdString();
  EXPECT_TRUE(std::regex_match(bar->LengthLabel()->text().toStdString(), std::regex("00:0[1-3]")));
  EXPECT_EQ(bar->ElapsedLabel()->text(), "00:00");
  EXPECT_FALSE(bar->TimerRunning());
  EXPECT_TRUE(bar->Slider()->isEnabled());
  EXPECT_EQ(bar->Slider()->maximum(), length);

  window_->OnPanelCommand(pid::kPlay);
  EXPECT_TRUE(bar->TimerRunning());
  ASSERT_TRUE(PumpUntil([&] { return bar->ElapsedLabel()->text() == "00:01"; }, 5s));
  EXPECT_EQ(bar->Slider()->value(), 1);

  window_->OnPanelCommand(pid::kPause);
  EXPECT_FALSE(bar->TimerRunning());
  // A click at the end of the groove seeks there; the elapsed field follows.
  bar->Slider()->triggerAction(QAbstractSlider::SliderToMaximum);
  EXPECT_EQ(bar->ElapsedLabel()->text(), bar->LengthLabel()->text());
  bar->Slider()->triggerAction(QAbstractSlider::SliderToMinimum);
  EXPECT_EQ(bar->ElapsedLabel()->text(), "00:00");

  window_->OnPanelCommand(pid::kPlay);
  EXPECT_TRUE(bar->TimerRunning());
  window_->OnPanelCommand(pid::kStop);
  EXPECT_FALSE(bar->TimerRunning());
  EXPECT_EQ(bar->ElapsedLabel()->text(), "00:00");

  window_->Parts().Strip()->Button(ViewStateStrip::kCapture)->click();
  EXPECT_EQ(window_->ViewState(), vd::ViewState::kLive);
  EXPECT_FALSE(bar->isVisible());
}

TEST_F(BarsTest, PlayedToTheEndTheTimerStops) {
  ASSERT_TRUE(Launch());
  ASSERT_NO_FATAL_FAILURE(RecordClip(1500ms));
  PlaybackBar* bar = Bars().Playback();
  window_->OnPanelCommand(pid::kPlay);
  ASSERT_TRUE(bar->TimerRunning());
  ASSERT_TRUE(PumpUntil([&] { return !bar->TimerRunning(); }, 10s));
  EXPECT_EQ(bar->ElapsedLabel()->text(), "00:00");
  EXPECT_EQ(window_->ViewState(), vd::ViewState::kClipOpen)
      << "the clip stays open for another play";
}

TEST_F(BarsTest, StartsWithA320By240VideoAndNoBarsUnderIt) {
  ASSERT_TRUE(Launch());
  EXPECT_EQ(window_->VideoRect().size(), QSize(320, 240));
  EXPECT_EQ(window_->VideoRect().bottom(), window_->height() - 1);
  EXPECT_FALSE(Bars().Statistics()->isVisible());
  EXPECT_FALSE(Bars().Playback()->isVisible());
}

TEST_F(BarsTest, StripTogglesShrinkAndGrowTheVideoArea) {
  ASSERT_TRUE(Launch());
  const QSize windowSize = window_->size();
  const QRect start = window_->VideoRect();
  ToolStrip* picture = Bars().Strips().Strip(ToolStripSet::kPicture);
  window_->OnCommand(164);
  ASSERT_TRUE(picture->isVisible());
  EXPECT_EQ(window_->size(), windowSize);
  EXPECT_EQ(window_->VideoRect().height(), start.height() - ToolStrip::kHeight);
  ExpectVideoAbove(picture);

  window_->OnCommand(180);
  ToolStrip* status = Bars().Strips().Strip(ToolStripSet::kStatus);
  ToolStrip* line = Bars().Strips().Strip(ToolStripSet::kStatusLine);
  ASSERT_TRUE(status->isVisible());
  ASSERT_TRUE(line->isVisible());
  EXPECT_EQ(window_->VideoRect().height(), start.height() - 3 * ToolStrip::kHeight);
  EXPECT_EQ(line->geometry().bottom(), window_->height() - 1) << "the status line is lowest";
  EXPECT_LT(picture->geometry().top(), status->geometry().top());

  window_->OnCommand(164);
  window_->OnCommand(180);
  EXPECT_FALSE(picture->isVisible());
  EXPECT_FALSE(status->isVisible());
  EXPECT_FALSE(line->isVisible());
  EXPECT_EQ(window_->VideoRect(), start);
}

TEST_F(BarsTest, FullScreenHidesTheStripsAndLeavingBringsThemBack) {
  ASSERT_TRUE(Launch());
  window_->OnCommand(165);
  ToolStrip* capture = Bars().Strips().Strip(ToolStripSet::kCaptureStrip);
  ASSERT_TRUE(capture->isVisible());
  window_->OnCommand(32808);
  ASSERT_TRUE(window_->FullScreen());
  EXPECT_FALSE(capture->isVisible());
  EXPECT_EQ(window_->VideoRect().bottom(), window_->height() - 1) << "the picture takes it all";
  window_->OnCommand(32808);
  ASSERT_FALSE(window_->FullScreen());
  EXPECT_TRUE(capture->isVisible());
  ExpectVideoAbove(capture);
}

TEST_F(BarsTest, ToolbarsMenuIsCheckableAndTogglesTheStrips) {
  ASSERT_TRUE(Launch());
  QMenu menu;
  Bars().AddMenus(menu);
  QMenu* toolbars = SubMenu(menu, "Toolbars");
  ASSERT_NE(toolbars, nullptr);
  QAction* input = Entry(toolbars, "Input");
  ASSERT_NE(input, nullptr);
  EXPECT_TRUE(input->isCheckable());
  EXPECT_FALSE(input->isChecked());
  input->trigger();
  EXPECT_TRUE(Bars().Strips().Strip(ToolStripSet::kInput)->isVisible());

  QMenu again;
  Bars().AddMenus(again);
  EXPECT_TRUE(Entry(SubMenu(again, "Toolbars"), "Input")->isChecked());
  EXPECT_FALSE(Entry(SubMenu(again, "Toolbars"), "Status bar")->isChecked());
}

TEST_F(BarsTest, InputAndStatusStripsFollowTheWorkMode) {
  ASSERT_TRUE(Launch());
  window_->OnCommand(166);
  window_->OnCommand(180);
  QToolButton* tv = Bars().Strips().Button("inputTv");
  QToolButton* composite = Bars().Strips().Button("inputComposite");
  EXPECT_TRUE(tv->isChecked());
  EXPECT_EQ(Bars().Strips().StatusField("mode")->text(), "TV");
  EXPECT_TRUE(Bars().Strips().StatusField("frequency")->text().endsWith(" MHz"));
  composite->click();
  EXPECT_EQ(window_->WorkModeValue(), vd::WorkMode::kComposite);
  EXPECT_TRUE(composite->isChecked());
  EXPECT_FALSE(tv->isChecked());
  EXPECT_EQ(Bars().Strips().StatusField("mode")->text(), "Composite");
  EXPECT_EQ(Bars().Strips().StatusField("frequency")->text(), "");
  tv->click();
  EXPECT_EQ(window_->WorkModeValue(), vd::WorkMode::kTv);
}

TEST_F(BarsTest, PictureStripSetsTheDevicesAmplifier) {
  ASSERT_TRUE(Launch());
  window_->OnCommand(164);
  QSlider* brightness = Bars().Strips().AmpSlider(vd::AmpProperty::kBrightness);
  ASSERT_NE(brightness, nullptr);
  ASSERT_TRUE(brightness->isEnabled());
  int32_t before = -1;
  ASSERT_TRUE(vd::Succeeded(
      window_->Parts().Engine()->VideoDevice()->GetAmp(vd::AmpProperty::kBrightness, &before)));
  EXPECT_EQ(brightness->value(), before);
  const int wanted = brightness->minimum() + (brightness->maximum() - brightness->minimum()) / 4;
  ASSERT_NE(wanted, before);
  brightness->setValue(wanted);
  int32_t after = -1;
  window_->Parts().Engine()->VideoDevice()->GetAmp(vd::AmpProperty::kBrightness, &after);
  EXPECT_EQ(after, wanted);
}

TEST_F(BarsTest, CaptureStripRecordsAndSetsTheTimeLimit) {
  ASSERT_TRUE(Launch());
  ASSERT_TRUE(PumpUntil([&] { return window_->Parts().Video()->FrameCount() > 2; }, 10s));
  window_->OnCommand(165);
  Bars().Strips().TimeLimit()->setValue(12);
  Bars().Strips().UseTimeLimit()->setChecked(true);
  EXPECT_EQ(window_->Parts().Engine()->GetCaptureOptions().timeLimit, 12);
  EXPECT_TRUE(window_->Parts().Engine()->GetCaptureOptions().useTimeLimit);

  vd::ViewerAlbumHost::SetSavePathFunction(
      [](const vd::SaveDialogRequest&) { return std::optional<std::filesystem::path>(); });
  QToolButton* record = Bars().Strips().Button("record");
  QToolButton* stop = Bars().Strips().Button("stop");
  EXPECT_TRUE(record->isEnabled());
  EXPECT_FALSE(stop->isEnabled());
  record->click();
  ASSERT_EQ(window_->ViewState(), vd::ViewState::kCapturing);
  EXPECT_FALSE(record->isEnabled()) << "one capture at a time";
  EXPECT_FALSE(Bars().Strips().TimeLimit()->isEnabled());
  PumpFor(300ms);
  stop->click();
  EXPECT_EQ(window_->ViewState(), vd::ViewState::kLive);
}

TEST_F(BarsTest, VideoSettingsMenuOffersWhatTheDeviceHas) {
  ASSERT_TRUE(Launch());
  const vd::EnginePageFlags flags = Bars().PageFlags();
  // The virtual box has formats on its capture pin and a crossbar with three inputs.
  EXPECT_TRUE(flags.videoFormat);
  EXPECT_TRUE(flags.videoSource);
  EXPECT_TRUE(flags.tuner);
  QMenu menu;
  Bars().AddMenus(menu);
  QMenu* video = SubMenu(menu, "Video settings");
  ASSERT_NE(video, nullptr);
  ASSERT_EQ(video->actions().size(),
            static_cast<qsizetype>(vd::EngineDialogTable::Entries().size()));
  for (const vd::EngineDialogEntry& entry : vd::EngineDialogTable::Entries()) {
    QAction* action = Entry(video, entry.menuText);
    ASSERT_NE(action, nullptr) << entry.menuText;
    EXPECT_EQ(action->isEnabled(), vd::EngineDialogTable::Available(entry.dialog, flags))
        << entry.menuText;
  }
}

TEST_F(BarsTest, EngineDialogsOpenOnlyWhereThePageExists) {
  ASSERT_TRUE(Launch());
  std::vector<QString> opened;
  vd::DialogRunner::Set([&](QDialog& dialog) {
    opened.push_back(dialog.windowTitle());
    return static_cast<int>(QDialog::Rejected);
  });
  const vd::EnginePageFlags flags = Bars().PageFlags();
  for (int command = 39; command <= 50; ++command) {
    opened.clear();
    window_->OnCommand(command);
    const bool available = vd::EngineDialogTable::Available(command, flags);
    EXPECT_EQ(opened.size(), available ? 1u : 0u) << command;
  }
  opened.clear();
  window_->OnCommand(39);
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0], "Video Format");
  EXPECT_EQ(window_->ViewState(), vd::ViewState::kLive);
  EXPECT_TRUE(PumpUntil([&] { return window_->Parts().Engine()->Lifecycle().IsPreviewing(); }, 5s))
      << "the preview comes back after the dialog";
}

TEST_F(BarsTest, EngineDialogsStayShutWhileCapturing) {
  ASSERT_TRUE(Launch());
  ASSERT_TRUE(PumpUntil([&] { return window_->Parts().Video()->FrameCount() > 2; }, 10s));
  int runs = 0;
  vd::DialogRunner::Set([&](QDialog&) {
    ++runs;
    return static_cast<int>(QDialog::Rejected);
  });
  vd::ViewerAlbumHost::SetSavePathFunction(
      [](const vd::SaveDialogRequest&) { return std::optional<std::filesystem::path>(); });
  window_->Parts().Strip()->Button(ViewStateStrip::kCapture)->click();
  ASSERT_EQ(window_->ViewState(), vd::ViewState::kCapturing);
  for (int command = 39; command <= 50; ++command) window_->OnCommand(command);
  EXPECT_EQ(runs, 0);
  EXPECT_TRUE(window_->Parts().Engine()->Lifecycle().IsCapturing());
  window_->Parts().Strip()->Button(ViewStateStrip::kCapture)->click();
}

TEST_F(BarsTest, TunerPageTunesTheChosenFrequency) {
  ASSERT_TRUE(Launch());
  ASSERT_TRUE(Bars().PageFlags().tuner);
  TunerControl* tuner = window_->Parts().Engine()->Tuner();
  ASSERT_NE(tuner, nullptr);
  const uint32_t before = tuner->GetFrequency();
  vd::DialogRunner::Set([&](QDialog& dialog) {
    auto* spin = dialog.findChild<QDoubleSpinBox*>();
    if (spin == nullptr) return static_cast<int>(QDialog::Rejected);
    EXPECT_NEAR(spin->value(), before / 1e6, 0.01);
    spin->setValue(spin->value() + 1.0);
    return static_cast<int>(QDialog::Accepted);
  });
  window_->OnCommand(42);
  EXPECT_NEAR(static_cast<double>(tuner->GetFrequency()), before + 1e6, 62500.0);
}

TEST_F(BarsTest, TvAudioPageSetsTheSoundModeTheStatusStripShows) {
  ASSERT_TRUE(Launch());
  window_->OnCommand(180);
  QString chosen;
  vd::DialogRunner::Set([&](QDialog& dialog) {
    auto* modes = dialog.findChild<QComboBox*>();
    if (modes == nullptr) return static_cast<int>(QDialog::Rejected);
    modes->setCurrentIndex(modes->count() - 1);
    chosen = modes->currentText();
    return static_cast<int>(QDialog::Accepted);
  });
  window_->OnCommand(43);
  ASSERT_FALSE(chosen.isEmpty());
  const vd::MainSettings& settings = window_->Settings();
  const int mode = settings.isMts == 0 ? settings.mtsPalMode : settings.mtsMode;
  EXPECT_EQ(mode, settings.isMts == 0 ? 1 : 2);
  EXPECT_EQ(Bars().Strips().StatusField("sound")->text(), chosen);

  // Cancelled, the page changes nothing.
  vd::DialogRunner::Set([&](QDialog& dialog) {
    if (auto* modes = dialog.findChild<QComboBox*>()) modes->setCurrentIndex(0);
    return static_cast<int>(QDialog::Rejected);
  });
  window_->OnCommand(43);
  EXPECT_EQ(Bars().Strips().StatusField("sound")->text(), chosen);
}

}  // namespace
}  // namespace vdtest
