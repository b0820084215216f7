// A scripted session at an accelerated pace: channel changes from the panel and the remote,
// mode changes, the settings sheet with remote keys pressed inside it, the automatic-scan
// dialog, the album, full screen, snapshots, and the box unplugged and plugged back, in an
// order drawn from a seeded generator. It runs for VD_SOAK_SECONDS (60 by default; `make
// soak` runs ten minutes in the ASan build), and the viewer must come through it running.
#include <QApplication>
#include <QTimer>
#include <QToolButton>
#include <cstdlib>
#include <random>

#include "scan_form.h"
#include "vd/albumui/album_frame.h"
#include "vd/layout/panel_ids.h"
#include "vd/layout/work_modes.h"
#include "vd/mainwnd/viewer_album_host.h"
#include "vd/mainwnd/viewer_sheet_host.h"
#include "vd/panel/control_panel.h"
#include "vd/sheet/auto_scan_dlg.h"
#include "vd/sheet/channel_list_ctrl.h"
#include "vd/virtual_tv_box.h"
#include "video_area.h"
#include "view_state_strip.h"
#include "whole_fixture.h"

namespace vdtest {
namespace {

using namespace std::chrono_literals;
namespace pid = vd::panel_id;
namespace rk = vd::remote_key;

class WholeSoakTest : public WholeViewerTest {
 protected:
  std::chrono::milliseconds Pause() { return std::chrono::milliseconds(rng_() % 40); }
  int Pick(int n) { return static_cast<int>(rng_() % static_cast<uint32_t>(n)); }

  void RemoteKey() {
    static constexpr vd::RemoteKey kKeys[] = {
        rk::kChannelUp,  rk::kChannelDown, rk::kTvRadio, rk::kVideoSource, rk::kMute,
        rk::kFineTuneUp, rk::kRecall,      rk::kPanel,   rk::kFmMemory,    3};
    PressRemote(kKeys[Pick(std::size(kKeys))], Pick(4) == 0);
  }

  void SheetWithKeys() {
    RunInside([&] { window_->OnCommand(32799); },
              [&] {
                for (int i = Pick(4); i >= 0; --i) RemoteKey();
                PumpFor(Pause() * 3);
                CloseTopModal();
              });
  }

  void ScanDialog() {
    auto* dialog = new CAutoScanDlg(*window_->Parts().SheetHost(), window_.get());
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->show();
    dialog->Form()->List()->Fill();
    PumpFor(Pause());
    if (Pick(3) == 0) window_->Parts().Panel()->Press(pid::kInput);  // a mode change under it
    PumpFor(Pause());
    dialog->close();
  }

  void Unplug() {
    auto box = vd::VirtualTvBox::Shared();
    box->Unplug();
    PumpFor(Pause() * 4);
    if (Pick(2) == 0) window_->OnPanelCommand(pid::kChannelUp);
    box->Plug();
  }

  void Step() {
    switch (Pick(12)) {
      case 0:
        window_->OnPanelCommand(Pick(2) ? pid::kChannelUp : pid::kChannelDown);
        break;
      case 1:
      case 2:
        RemoteKey();
        break;
      case 3:
        window_->Parts().Panel()->Press(pid::kInput);
        break;
      case 4:
        SheetWithKeys();
        break;
      case 5:
        ScanDialog();
        break;
      case 6:
        window_->ToggleAlbumWindow();
        break;
      case 7:
        if (Pick(3) == 0) Unplug();
        break;
      case 8:
        window_->OnCommand(32808);
        break;
      case 9:
        if (vd::IsLive(window_->ViewState()))
          window_->Parts().Strip()->Button(ViewStateStrip::kSnapshot)->click();
        break;
      case 10:
        // Back to TV now and then, where most of the paths are.
        window_->OnPanelCommand(pid::kModeTv);
        break;
      default:
        // A command posted from inside a station change's settle.
        RunInside([&] { window_->OnPanelCommand(pid::kChannelUp); }, [&] { RemoteKey(); });
        break;
    }
    PumpFor(Pause());
  }

  std::mt19937 rng_{20261209};
};

TEST_F(WholeSoakTest, AScriptedSessionLeavesTheViewerRunning) {
  const char* env = std::getenv("VD_SOAK_SECONDS");
  const int seconds = env != nullptr && std::atoi(env) > 0 ? std::atoi(env) : 60;
  ASSERT_TRUE(Launch());
  vd::ViewerAlbumHost::SetSavePathFunction([](const vd::SaveDialogRequest& request) {
    return std::optional<std::filesystem::path>(request.folder / "soak.bmp");
  });
  // The user closes what opens on its own (the sheet from channel-up on an empty FM list).
  QTimer closer;
  QObject::connect(&closer, &QTimer::timeout, [] { CloseTopModal(); });
  closer.start(80);
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  int steps = 0;
  while (std::chrono::steady_clock::now() < end) {
    Step();
    ++steps;
    ASSERT_FALSE(Closed()) << "after step " << steps;
  }
  vd::ViewerAlbumHost::SetSavePathFunction({});
  CloseTopModal();
  vd::VirtualTvBox::Shared()->Plug();
  window_->OnPanelCommand(pid::kModeTv);
  if (window_->FullScreen()) window_->OnCommand(32808);
  const int frames = window_->Parts().Video()->FrameCount();
  EXPECT_TRUE(PumpUntil([&] { return window_->Parts().Video()->FrameCount() > frames + 2; }, 10s))
      << "no live picture after " << steps << " steps";
  std::printf("soak: %d steps in %d s\n", steps, seconds);
}

}  // namespace
}  // namespace vdtest
