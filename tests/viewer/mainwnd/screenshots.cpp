// Renders the viewer's windows on the virtual TV box into PNG files for the documentation:
// mainwnd_screenshots <output folder>. Uses private settings and data folders.
#include <gst/gst.h>

#include <QApplication>
#include <QPainter>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>

#include "shot_session.h"
#include "vd/albumui/album_frame.h"
#include "vd/layout/panel_ids.h"
#include "vd/mainwnd/viewer_album_host.h"
#include "vd/mainwnd/viewer_dlg.h"
#include "vd/mainwnd/viewer_sheet_host.h"
#include "vd/mainwnd/viewer_teletext.h"
#include "vd/panel/control_panel.h"
#include "vd/remote/remote_actions.h"
#include "vd/settings/settings_store.h"
#include "vd/sheet/options_sheet.h"
#include "vd/sheet/sheet_page_set.h"
#include "vd/teletext/teletext_window.h"
#include "vd/virtual_tv_box.h"
#include "video_area.h"
#include "view_state_strip.h"
#include "virtual_remote_wnd.h"

namespace {

// The main window with the panel below it, as tiled on a desktop.
QImage WindowAndPanel(CViewerDlg& window) {
  const QPixmap main = window.grab();
  const QPixmap panel = window.Parts().Panel()->grab();
  const int x = (main.width() - panel.width() - 64) / 2;
  QImage out(std::max(main.width(), x + panel.width()), main.height() - 8 + panel.height(),
             QImage::Format_RGB32);
  out.fill(QColor(58, 68, 84));
  QPainter p(&out);
  p.drawPixmap(0, 0, main);
  p.drawPixmap(std::max(0, x), main.height() - 8, panel);
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: mainwnd_screenshots <output folder>\n");
    return 2;
  }
  const std::filesystem::path out = argv[1];
  std::filesystem::path root;
  if (!vdshots::PrepareFolders("vd-shots", &root)) return 1;
  gst_init(&argc, &argv);
  QApplication app(argc, argv);
  vd::SettingsStore store(root / "viewdeck.reg", {});
  std::unique_ptr<CViewerDlg> window = vdshots::StartViewer(store);
  if (!window) return 1;
  window->SetVideoSize(384, 288);
  vdshots::Pump(1500);
  WindowAndPanel(*window).save(QString::fromStdString((out / "viewer-tv.png").string()));

  vd::ViewerAlbumHost::SetSavePathFunction([](const vd::SaveDialogRequest& request) {
    return std::optional<std::filesystem::path>(request.folder / "Kanal Nord.bmp");
  });
  window->OnCommand(ViewStateStrip::kSnapshot);
  vd::ViewerAlbumHost::SetSavePathFunction({});
  window->ShowAlbumWindow();
  vdshots::Pump(2500);
  window->Parts().AlbumWindow()->grab().save(
      QString::fromStdString((out / "viewer-album.png").string()));
  window->Parts().AlbumWindow()->hide();

  CVirtualRemoteWnd remote;
  remote.show();
  vdshots::Pump(200);
  remote.grab().save(QString::fromStdString((out / "viewer-remote.png").string()));
  remote.hide();

  vd::ViewerSheetHost& sheetHost = *window->Parts().SheetHost();
  vd::SheetPageSet pages(sheetHost, nullptr);
  auto sheet = std::make_unique<COptionsSheet>(sheetHost, pages, window.get());
  sheet->show();
  vdshots::Pump(300);
  sheet->grab().save(QString::fromStdString((out / "viewer-sheet.png").string()));
  sheet.reset();

  // The tuned station's front page, once the box has sent it.
  window->OnCommand(vd::kTeletextCommand);
  if (vd::TeletextWindow* teletext = window->Parts().Teletext()->Window()) {
    teletext->resize(600, 420);
    vdshots::Pump(3000);
    teletext->grab().save(QString::fromStdString((out / "viewer-teletext.png").string()));
    teletext->close();
  }

  window->Parts().Panel()->Command(vd::panel_id::kModeRadio);
  vdshots::Pump(800);
  window->Parts().Panel()->grab().save(QString::fromStdString((out / "viewer-radio.png").string()));

  window->Shutdown();
  window.reset();
  std::error_code ec;
  std::filesystem::remove_all(root, ec);
  return 0;
}
