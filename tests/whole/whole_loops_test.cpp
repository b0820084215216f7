// Where the viewer's windows meet: work-mode changes with other windows open, posted commands
// and remote keys arriving inside nested loops (a station change settling, the settings
// sheet, a scan), the box unplugged in the middle of a channel change, and channel changes
// with an empty station list.
#include <QApplication>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <optional>

#include "channel_list_model.h"
#include "scan_form.h"
#include "vd/albumui/album_frame.h"
#include "vd/layout/panel_ids.h"
#include "vd/layout/work_modes.h"
#include "vd/mainwnd/viewer_album_host.h"
#include "vd/mainwnd/viewer_sheet_host.h"
#include "vd/mainwnd/viewer_tuning_context.h"
#include "vd/nested_loop.h"
#include "vd/panel/control_panel.h"
#include "vd/sheet/auto_scan_dlg.h"
#include "vd/sheet/channel_list_ctrl.h"
#include "vd/skin/gen_bmp_btn.h"
#include "vd/tuning/channel_table.h"
#include "vd/tuning/tuner_control.h"
#include "vd/tuning/tv_tuner_control.h"
#include "vd/video/file_player.h"
#include "vd/virtual_tv_box.h"
#include "video_area.h"
#include "view_state_strip.h"
#include "whole_fixture.h"

namespace vdtest {
namespace {

using namespace std::chrono_literals;
namespace pid = vd::panel_id;
namespace rk = vd::remote_key;

using WholeLoopsTest = WholeViewerTest;

// A list on show outlives the table a mode change frees: it must show the new mode's table.
TEST_F(WholeLoopsTest, AModeChangeWithTheListsAndTheAlbumOpenShowsTheNewTables) {
  ASSERT_TRUE(LaunchQuiet());
  auto* dialog = new CAutoScanDlg(*window_->Parts().SheetHost(), window_.get());
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->show();
  CChannelListCtrl* list = dialog->Form()->List();
  list->Fill();
  ASSERT_GE(list->model()->rowCount(), 3);
  window_->ShowAlbumWindow();
  ASSERT_TRUE(window_->Parts().AlbumWindow()->isVisible());

  window_->Parts().Panel()->Press(pid::kInput);  // TV -> radio: the TV table goes
  ASSERT_EQ(window_->WorkModeValue(), vd::WorkMode::kRadio);
  EXPECT_FALSE(window_->Parts().AlbumWindow()->isVisible());
  list->viewport()->repaint();
  EXPECT_EQ(list->ListModel()->Table(), Table());
  EXPECT_EQ(list->model()->rowCount(), Table()->Count());

  window_->Parts().Panel()->Press(pid::kInput);  // radio -> composite
  ASSERT_EQ(window_->WorkModeValue(), vd::WorkMode::kComposite);
  TunerControl* tuner = window_->Parts().Engine()->Tuner();
  CChannelTable* table = tuner != nullptr ? tuner->Table() : nullptr;
  EXPECT_EQ(list->ListModel()->Table(), table);
  EXPECT_EQ(list->model()->rowCount(), table != nullptr ? table->Count() : 0);
  window_->OnPanelCommand(pid::kModeTv);
  list->viewport()->repaint();
  EXPECT_EQ(list->model()->rowCount(), Table()->Count());
  dialog->close();
}

// The sheet is modal: the remote's keys are its keys, not the main window's, and a held
// channel-up with an empty FM list opens it once.
TEST_F(WholeLoopsTest, RemoteKeysDuringTheSettingsSheetNeitherChangeTheModeNorReopenIt) {
  ASSERT_TRUE(Launch());
  window_->OnPanelCommand(pid::kModeRadio);
  ASSERT_EQ(window_->WorkModeValue(), vd::WorkMode::kRadio);
  ASSERT_EQ(Table()->Count(), 0);
  const size_t droppedBefore = vd::CommandGate::Dropped();
  std::optional<vd::WorkMode> modeInside;
  int nestedSheets = 0;
  QWidget* sheet = nullptr;
  RunInside([&] { window_->OnPanelCommand(pid::kChannelUp); },  // empty list: the sheet
            [&] {
              sheet = QApplication::activeModalWidget();
              PressRemote(rk::kChannelUp);
              for (int i = 0; i < 3; ++i) PressRemote(rk::kChannelUp, true);
              PressRemote(rk::kTvRadio);
              // A held key repeats only after its delay: two presses reach the gate.
              PumpUntil([&] { return vd::CommandGate::Dropped() >= droppedBefore + 2; }, 10s);
              PumpFor(300ms);
              modeInside = window_->WorkModeValue();
              // The Tools button again, from inside: no second sheet.
              QTimer::singleShot(0, [&] {
                if (QApplication::activeModalWidget() != sheet) {
                  ++nestedSheets;
                  CloseTopModal();
                }
              });
              window_->OnCommand(32799);
              PumpFor(20ms);
              // Whatever still changes the mode while the sheet is open, the page it was
              // left on belongs to the mode it opened in.
              auto* tabs = sheet != nullptr ? sheet->findChild<QTabWidget*>() : nullptr;
              if (tabs != nullptr && tabs->count() > 1) tabs->setCurrentIndex(1);
              window_->OnPanelCommand(pid::kModeTv);
              CloseTopModal();
            });
  ASSERT_NE(sheet, nullptr);
  EXPECT_GT(window_->Settings().toolPage[vd::StoredNumber(vd::WorkMode::kRadio)], 0);
  EXPECT_EQ(window_->Settings().toolPage[vd::StoredNumber(vd::WorkMode::kTv)], 0);
  window_->OnPanelCommand(pid::kModeRadio);
  EXPECT_EQ(modeInside, vd::WorkMode::kRadio);
  EXPECT_EQ(nestedSheets, 0);
  EXPECT_GE(vd::CommandGate::Dropped(), droppedBefore + 2);
  int reopened = 0;
  PumpUntil(
      [&] {
        if (CloseTopModal()) ++reopened;
        return false;
      },
      600ms);
  EXPECT_EQ(reopened, 0);
  EXPECT_EQ(window_->WorkModeValue(), vd::WorkMode::kRadio);
}

// A station change waits for the tuner with the loop running. What arrives meanwhile (a
// remote key, the box's removal) runs after it, and the removal leaves the viewer running.
TEST_F(WholeLoopsTest, WhatArrivesDuringAStationChangeRunsAfterItAndAnUnplugKeepsTheViewer) {
  ASSERT_TRUE(Launch());
  ASSERT_GE(Table()->Count(), 3);
  bool inWait = false;
  std::optional<vd::WorkMode> modeInside;
  RunInside([&] { window_->OnPanelCommand(pid::kChannelUp); },
            [&] {
              inWait = window_->InTuningWait();
              PressRemote(rk::kTvRadio);
              PumpFor(300ms);
              modeInside = window_->WorkModeValue();
            });
  ASSERT_TRUE(inWait);
  EXPECT_EQ(modeInside, vd::WorkMode::kTv);
  EXPECT_TRUE(PumpUntil([&] { return window_->WorkModeValue() == vd::WorkMode::kRadio; }, 5s));

  window_->OnPanelCommand(pid::kModeTv);
  ASSERT_NE(window_->Parts().Engine()->Tuner(), nullptr);
  bool tunerInside = false;
  auto box = vd::VirtualTvBox::Shared();
  RunInside([&] { window_->OnPanelCommand(pid::kChannelDown); },
            [&] {
              box->Unplug();
              PumpFor(300ms);
              tunerInside = window_->Parts().Engine()->Tuner() != nullptr;
            });
  EXPECT_TRUE(tunerInside);
  ASSERT_TRUE(PumpUntil([&] { return window_->Parts().Engine()->Tuner() == nullptr; }, 5s));
  PumpFor(200ms);
  EXPECT_FALSE(Closed());
  EXPECT_TRUE(window_->isVisible());
  ASSERT_FALSE(shown_.empty());
  EXPECT_NE(shown_.back().find("removed"), std::string::npos) << shown_.back();

  const int framesBefore = window_->Parts().Video()->FrameCount();
  box->Plug();
  EXPECT_TRUE(PumpUntil(
      [&] {
        return window_->Parts().Engine()->Tuner() != nullptr &&
               window_->Parts().Video()->FrameCount() > framesBefore + 2;
      },
      10s));
  EXPECT_TRUE(window_->Parts().Panel()->isEnabled());
}

// With an empty TV list, channel up and down step through the plan's channels the tuner can
// reach: from the plan's first when nothing is shown, from a number typed in, by the keys,
// the panel's buttons and the remote, with the sound muted while the tuner settles. A remote
// key that arrives during that wait steps on from where the first step landed.
TEST_F(WholeLoopsTest, WithAnEmptyListTheChannelKeysStepThroughThePlan) {
  Preset("Country", 49);
  Preset("Source", 0);
  Preset("AutoScan", 1);  // the offer of a scan is answered No: the list stays empty
  ASSERT_TRUE(Launch());
  ASSERT_EQ(Table()->Count(), 0);
  auto* tv = dynamic_cast<TvTunerControl*>(window_->Parts().Engine()->Tuner());
  ASSERT_NE(tv, nullptr);
  const ChannelBand* band = tv->ActiveBand();
  ASSERT_NE(band, nullptr);
  uint32_t min = 0, max = 0;
  ASSERT_TRUE(tv->GetTvLimits(&min, &max));
  std::vector<int> reachable;
  for (uint32_t n = band->first; n <= band->last; ++n) {
    const uint32_t hz = band->FrequencyOf(n);
    if (hz != 0 && hz >= min && hz <= max) reachable.push_back(static_cast<int>(n));
  }
  ASSERT_GE(reachable.size(), 4u);
  CControlPanel* panel = window_->Parts().Panel();
  const auto on = [&](int n) {
    return panel->Display().Number().trimmed() == QString::number(n) &&
           panel->Display().Caption() == "Channel" && tv->GetFrequency() == band->FrequencyOf(n);
  };
  // The tuner starts between the plan's channels: nothing is shown.
  ASSERT_EQ(tv->TunedChannel(), -1);
  EXPECT_TRUE(panel->Display().Number().trimmed().isEmpty());

  QTest::keyClick(window_->windowHandle(), Qt::Key_Up);
  EXPECT_TRUE(on(reachable[0])) << panel->Display().Number().toStdString();
  EXPECT_FALSE(window_->Parts().Tuning().IsMuted());

  panel->Controls().Button(pid::kChannelUp)->click();
  EXPECT_TRUE(on(reachable[1])) << panel->Display().Number().toStdString();

  PressRemote(rk::kChannelDown);
  EXPECT_TRUE(PumpUntil([&] { return on(reachable[0]); }, 10s))
      << panel->Display().Number().toStdString();

  bool inWait = false;
  bool mutedInside = false;
  RunInside([&] { panel->Controls().Button(pid::kChannelUp)->click(); },
            [&] {
              inWait = window_->InTuningWait();
              mutedInside = window_->Parts().Tuning().IsMuted();
              PressRemote(rk::kChannelUp);
              PumpFor(300ms);
            });
  EXPECT_TRUE(inWait);
  EXPECT_TRUE(mutedInside);
  // The remote's step waited behind the gate: the display and the tuner agree.
  EXPECT_TRUE(on(reachable[1])) << panel->Display().Number().toStdString();
  EXPECT_TRUE(PumpUntil([&] { return on(reachable[2]); }, 10s))
      << panel->Display().Number().toStdString();
  EXPECT_FALSE(window_->Parts().Tuning().IsMuted());

  // A number typed in is where the next step starts.
  const int typed = reachable[3];
  for (char digit : std::to_string(typed)) window_->OnCommand(376 + (digit - '0'));
  window_->OnCommand(386);
  ASSERT_TRUE(on(typed)) << panel->Display().Number().toStdString();
  QTest::keyClick(window_->windowHandle(), Qt::Key_Down);
  EXPECT_TRUE(on(reachable[2])) << panel->Display().Number().toStdString();
}

// While the automatic-scan dialog scans it pumps events: the sheet must not open inside it.
TEST_F(WholeLoopsTest, NoSheetOpensWhileTheAutomaticScanRuns) {
  ASSERT_TRUE(LaunchQuiet());
  auto* dialog = new CAutoScanDlg(*window_->Parts().SheetHost(), window_.get());
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->show();
  int sheetsInside = 0;
  bool scanning = false;
  bool tried = false;
  // Fires from the scan's event pump.
  QTimer probe;
  probe.setInterval(5);
  QObject::connect(&probe, &QTimer::timeout, [&] {
    if (tried || !window_->Parts().SheetHost()->IsScanRunning()) return;
    tried = true;
    scanning = true;
    QTimer::singleShot(0, [&] {
      if (CloseTopModal()) ++sheetsInside;
    });
    window_->OnCommand(32799);
  });
  probe.start();
  dialog->Form()->RunFullScan();
  probe.stop();
  EXPECT_TRUE(scanning);
  EXPECT_EQ(sheetsInside, 0);
  EXPECT_GE(Table()->Count(), 3);
  dialog->close();
}

// The Input button: radio starts with its sound and the first press moves on; a clip on show
// stops before live video is rebuilt; leaving radio brings back the video size.
TEST_F(WholeLoopsTest, InputChangesKeepTheSoundStopTheClipAndRestoreTheVideoSize) {
  Preset("WorkMode", vd::StoredNumber(vd::WorkMode::kRadio));
  ASSERT_TRUE(Launch());
  ASSERT_EQ(window_->WorkModeValue(), vd::WorkMode::kRadio);
  PumpFor(100ms);
  EXPECT_TRUE(window_->Parts().Engine()->Preview().AudioRunning());
  window_->Parts().Panel()->Press(pid::kInput);
  EXPECT_EQ(window_->WorkModeValue(), vd::WorkMode::kComposite);
  window_->OnPanelCommand(pid::kModeTv);

  window_->SetVideoSize(400, 300);
  ASSERT_EQ(window_->Parts().Video()->size(), QSize(400, 300));
  window_->OnPanelCommand(pid::kModeRadio);
  window_->OnPanelCommand(pid::kModeTv);
  EXPECT_EQ(window_->Parts().Video()->size(), QSize(400, 300));

  ASSERT_TRUE(PumpUntil([&] { return window_->Parts().Video()->FrameCount() > 2; }, 10s));
  vd::ViewerAlbumHost::SetSavePathFunction([](const vd::SaveDialogRequest& request) {
    return std::optional<std::filesystem::path>(request.folder / "clip.avi");
  });
  window_->Parts().Strip()->Button(ViewStateStrip::kCapture)->click();
  ASSERT_EQ(window_->ViewState(), vd::ViewState::kCapturing);
  PumpFor(1200ms);
  window_->Parts().Strip()->Button(ViewStateStrip::kCapture)->click();
  vd::ViewerAlbumHost::SetSavePathFunction({});
  ASSERT_EQ(window_->ViewState(), vd::ViewState::kClipOpen);
  ASSERT_TRUE(window_->Parts().Engine()->Player()->IsActive());
  window_->OnPanelCommand(pid::kModeComposite);
  EXPECT_EQ(window_->ViewState(), vd::ViewState::kLive);
  EXPECT_FALSE(window_->Parts().Engine()->Player()->IsActive());

  // With FM disabled the press that rests on Radio changes nothing, the sound included.
  Close();
  DisableFm();
  Preset("WorkMode", vd::StoredNumber(vd::WorkMode::kTv));
  ASSERT_TRUE(LaunchQuiet());
  PumpFor(100ms);
  ASSERT_TRUE(window_->Parts().Engine()->Preview().AudioRunning());
  window_->Parts().Panel()->Press(pid::kInput);
  EXPECT_EQ(window_->WorkModeValue(), vd::WorkMode::kTv);
  EXPECT_TRUE(window_->Parts().Engine()->Preview().AudioRunning());
}

}  // namespace
}  // namespace vdtest
