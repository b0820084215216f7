// Renders the main window's bars on the virtual TV box into PNG files for the documentation:
// bars_screenshots <output folder>. Records a few seconds and plays the clip back.
#include <gst/gst.h>

#include <QApplication>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>

#include "shot_session.h"
#include "vd/layout/panel_ids.h"
#include "vd/mainwnd/viewer_album_host.h"
#include "vd/mainwnd/viewer_dlg.h"
#include "vd/panel/control_panel.h"
#include "vd/settings/settings_store.h"
#include "vd/virtual_tv_box.h"
#include "view_state_strip.h"

namespace {

void Save(CViewerDlg& window, const std::filesystem::path& file) {
  window.grab().save(QString::fromStdString(file.string()));
  std::printf("%s\n", file.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: bars_screenshots <output folder>\n");
    return 2;
  }
  const std::filesystem::path out = argv[1];
  std::filesystem::path root;
  if (!vdshots::PrepareFolders("vd-bars", &root)) return 1;
  gst_init(&argc, &argv);
  QApplication app(argc, argv);
  vd::SettingsStore store(root / "viewdeck.reg", {});
  std::unique_ptr<CViewerDlg> window = vdshots::StartViewer(store);
  if (!window) return 1;
  window->Parts().Panel()->hide();
  vdshots::Pump(1500);

  // Recording at the start size, statistics under the picture.
  vd::ViewerAlbumHost::SetSavePathFunction([](const vd::SaveDialogRequest& request) {
    return std::optional<std::filesystem::path>(request.folder /
                                                ("Kanal Nord." + request.defaultExtension));
  });
  window->OnCommand(ViewStateStrip::kCapture);
  vdshots::Pump(3200);
  Save(*window, out / "viewer-capture-statistics.png");
  window->OnCommand(ViewStateStrip::kCapture);
  vd::ViewerAlbumHost::SetSavePathFunction({});

  // The new clip playing, with the position slider.
  window->OnPanelCommand(vd::panel_id::kPlay);
  vdshots::Pump(1300);
  Save(*window, out / "viewer-playback.png");
  window->OnCommand(ViewStateStrip::kCapture);

  // Live again, bigger, with every tool strip shown.
  window->SetVideoSize(480, 360);
  for (int strip : {164, 165, 166, 180}) window->OnCommand(strip);
  vdshots::Pump(800);
  Save(*window, out / "viewer-tool-strips.png");

  window->Shutdown();
  window.reset();
  std::error_code ec;
  std::filesystem::remove_all(root, ec);
  return 0;
}
