// The main window's picture, capture and snapshot actions, window rules and input events.
#include <QApplication>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QFileInfo>
#include <QMenu>
#include <QMimeData>
#include <QScreen>
#include <QUrl>
#include <QWindow>
#include <cmath>
#include <filesystem>
#include <utility>

#include "gated_post.h"
#include "help_window.h"
#include "panel_window.h"
#include "vd/album/bitmap_file.h"
#include "vd/album/drag_record.h"
#include "vd/albumui/album_frame.h"
#include "vd/layout/command_ids.h"
#include "vd/layout/panel_ids.h"
#include "vd/layout/work_modes.h"
#include "vd/mainwnd/viewer_album_host.h"
#include "vd/mainwnd/viewer_bars.h"
#include "vd/mainwnd/viewer_dlg.h"
#include "vd/mainwnd/viewer_entry.h"
#include "vd/mainwnd/viewer_sheet_host.h"
#include "vd/mainwnd/viewer_teletext.h"
#include "vd/nested_loop.h"
#include "vd/pages/engine_pages.h"
#include "vd/pages/graph_pages_engine.h"
#include "vd/panel/control_panel.h"
#include "vd/sheet/options_sheet.h"
#include "vd/sheet/sheet_page_set.h"
#include "vd/tuning/channel_table.h"
#include "vd/tuning/tuner_control.h"
#include "video_area.h"
#include "view_state_strip.h"
#include "virtual_remote_wnd.h"

namespace cid = vd::command_id;

void CViewerDlg::CaptureAction() {
  if (!Engine()) return;
  switch (viewState_) {
    case vd::ViewState::kStartUp:
    case vd::ViewState::kLive:
      if (Engine()->BeginCapture()) {
        SetViewState(vd::ViewState::kCapturing);
      } else {
        Engine()->ReturnToLive();
      }
      break;
    case vd::ViewState::kCapturing:
      Engine()->StopCapture();
      SetViewState(vd::ViewState::kFinishing);
      if (album_ && album_->SaveFilm()) {
        OpenAlbumFile(albumHost_->CurrentFile().string(), false);
      }
      if (viewState_ == vd::ViewState::kFinishing) {
        Engine()->ReturnToLive();
        SetViewState(vd::ViewState::kLive);
      }
      break;
    case vd::ViewState::kClipOpen:
    case vd::ViewState::kStillShown:
      StopShownFile();
      SetViewState(vd::ViewState::kLive);
      break;
    case vd::ViewState::kFinishing:  // the command table sends nothing here meanwhile
      break;
  }
}

void CViewerDlg::TakeSnapshot() {
  if (!Engine() || !album_) return;
  std::vector<uint8_t> picture;
  vd::BitmapInfoHeader header;
  if (!Engine()->TakeSnapshot(&picture, &header)) return;
  if (album_->SaveStill(header, picture)) ShowAlbumWindow();
}

void CViewerDlg::ChooseVideoDevice(int index) {
  CaptureGraph* engine = Engine();
  if (engine == nullptr) return;
  // Only a card the list holds and can open: another index would leave the engine with no
  // device while the panel still offers everything.
  const std::vector<bool>& usable = engine->Devices().VideoDeviceUsable();
  if (index < 0 || static_cast<size_t>(index) >= usable.size() ||
      !usable[static_cast<size_t>(index)]) {
    Beep();
    return;
  }
  engine->ChooseDevices(index, engine->Devices().AudioIndex(), true);
  // The rebuild freed the tuner control the entry and the lists held.
  RefreshControls();
}

void CViewerDlg::OpenAlbumFile(const std::string& path, bool picture) {
  if (!Engine() || viewState_ == vd::ViewState::kCapturing) return;
  if (picture) {
    // The album's reader checks every header field against the file before it trusts it.
    vd::BitmapImage bitmap;
    std::string error;
    if (!vd::BitmapFile::Read(path, &bitmap, &error)) {
      ShowMessage(error.empty() ? "Cannot open " + path : error);
      return;
    }
    QImage image = QImage(bitmap.pixels.data(), bitmap.width, bitmap.height,
                          static_cast<qsizetype>(vd::BitmapFile::RowStride(bitmap.width)),
                          QImage::Format_BGR888)
                       .copy();
    Engine()->StopPlayer();
    // The live sound goes with the live picture: a still has none.
    Engine()->Preview().StopAudio();
    Engine()->StopPreview(true);
    Engine()->SetStillOnDisplay(true);
    shownFile_ = path;
    SetViewState(vd::ViewState::kStillShown);
    video_->ShowStill(image);
    SetVideoSize(image.width(), image.height());
  } else {
    const size_t told = messages_.size();
    if (!Engine()->PlayFile(path)) {
      // The player names most failures itself; one box per failure is enough.
      if (messages_.size() == told) ShowMessage("Cannot play " + path);
      return;
    }
    shownFile_ = path;
    SetViewState(vd::ViewState::kClipOpen);
    bars_->OpenClip();
  }
  if (panel_) panel_->SetVcrPadOpen(true);
}

void CViewerDlg::StopShownFile() {
  if (!Engine()) return;
  if (viewState_ == vd::ViewState::kCapturing) Engine()->StopCapture();
  if (viewState_ == vd::ViewState::kClipOpen) Engine()->StopPlayer();
  if (!vd::IsLive(viewState_)) Engine()->ReturnToLive();
  if (vd::ShowsAlbumFile(viewState_)) {
    Engine()->SetStillOnDisplay(true);
    Engine()->ReturnToLive();
  }
  shownFile_.clear();
  video_->ShowStill(QImage());
}

void CViewerDlg::CloseShownFile() {
  if (!vd::ShowsAlbumFile(viewState_)) return;
  StopShownFile();
  SetViewState(vd::ViewState::kLive);
}

void CViewerDlg::FollowStillAlbum() {
  if (!Engine() || !album_) return;
  std::error_code ec;
  if (std::filesystem::is_directory(Engine()->Stills().Folder(), ec)) return;
  Engine()->Stills().SetFolder(album_->StillFolder().string());
}

void CViewerDlg::ShowAlbumWindow() {
  if (!album_ || settings_.workMode == vd::WorkMode::kRadio) return;
  PlaceWindows(Placing::kAlbumShown);
  album_->show();
  album_->RefreshIfMarked();
}

void CViewerDlg::ToggleAlbumWindow() {
  if (!album_) return;
  if (album_->isVisible()) {
    album_->hide();
  } else {
    ShowAlbumWindow();
  }
}

void CViewerDlg::ToggleFullScreen() {
  // The command table keeps it from recordings and films; the engine may still be recording
  // for a moment after the window has stopped it.
  if (!Engine() || Engine()->Lifecycle().IsCapturing()) return;
  if (!fullScreen_) {
    fullScreen_ = true;
    panelBeforeFullScreen_ = panel_ && panel_->isVisible();
    if (album_) album_->hide();
    status_->hide();
    normalGeometry_ = geometry();
    showFullScreen();
    // Without a window manager nobody acts on the full-screen state: cover the screen here.
    if (const QScreen* screen = this->screen()) setGeometry(screen->geometry());
    Engine()->ResizeVideo(true, width(), height());
    // The picture goes above every other window: the panel stays above the picture.
    if (panel_ && panel_->isVisible()) panel_->raise();
  } else {
    fullScreen_ = false;
    // Back to the window it was: no placement rules on the way.
    const bool was = std::exchange(placing_, true);
    showNormal();
    if (normalGeometry_.isValid()) setGeometry(normalGeometry_);
    placing_ = was;
    // A click on the picture hides the panel in full screen; the window it returns to has
    // the panel it had before.
    if (panel_ && panelBeforeFullScreen_ && !panel_->isVisible()) panel_->show();
  }
  if (panel_) panel_->SetFullScreen(fullScreen_);
  LayoutChildren();
  SyncRemoteState();
  setWindowTitle(kTitle);
}

namespace {

vd::Rect RectOf(const QRect& r) {
  return {r.left(), r.top(), r.right() + 1, r.bottom() + 1};
}

}  // namespace

void CViewerDlg::ApplyRatio43() {
  if (fullScreen_ || settings_.forceRatio43 == 0) return;
  // It follows the user's resize, which leaves the windows where they are.
  if (const auto corrected = vd::RatioCorrectedVideo({video_->width(), video_->height()})) {
    SetVideoSize(corrected->width, corrected->height, false);
  }
}

void CViewerDlg::MoveWindow(QWidget* window, const vd::Point& to) {
  if (window == nullptr || window->pos() == QPoint(to.x, to.y)) return;
  const bool was = std::exchange(placing_, true);
  window->move(to.x, to.y);
  placing_ = was;
}

void CViewerDlg::TilePanel() {
  if (!panel_) return;
  const QScreen* screen = this->screen();
  const QRect d = screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 1280, 1024);
  MoveWindow(panel_.get(),
             vd::TilePanel(RectOf(frameGeometry()), RectOf(panel_->frameGeometry()), RectOf(d)));
}

void CViewerDlg::PlaceWindows(Placing why) {
  const QScreen* screen = this->screen();
  const QRect d = screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 1280, 1024);
  const QSize album = album_ ? album_->frameGeometry().size() : QSize();
  const QSize panel = panel_ ? panel_->frameGeometry().size() : QSize();
  const bool albumShown = album_ && (why == Placing::kAlbumShown || album_->isVisible());
  const bool panelShown = panel_ && panel_->isVisible();
  // A still keeps the windows where they are, unless it made the main window larger.
  const vd::ViewState state = why == Placing::kStart ? vd::ViewState::kStartUp
                              : why == Placing::kResized && viewState_ == vd::ViewState::kStillShown
                                  ? vd::ViewState::kLive
                                  : viewState_;
  const auto placement = vd::PlaceWindows(state, fullScreen_, RectOf(frameGeometry()),
                                          {{album.width(), album.height()}, albumShown},
                                          {{panel.width(), panel.height()}, panelShown}, RectOf(d));
  if (!placement) return;
  MoveWindow(this, placement->mainWindow);
  if (album_) MoveWindow(album_.get(), placement->album);
  if (panel_) MoveWindow(panel_.get(), placement->panel);
}

void CViewerDlg::ShowContextMenu(const QPoint& at) {
  QMenu menu(this);
  menu.addAction("&Panel", [this] { OnCommand(cid::kPanel); });
  QAction* top = menu.addAction("Always on top", [this] { OnCommand(cid::kAlwaysOnTop); });
  top->setCheckable(true);
  top->setChecked(settings_.alwaysOnTop != 0);
  QAction* ratio = menu.addAction("Force ratio 4:3", [this] { OnCommand(cid::kForceRatio); });
  ratio->setCheckable(true);
  ratio->setChecked(settings_.forceRatio43 != 0);
  menu.addAction("Full screen", [this] { OnCommand(cid::kFullScreen); });
  QAction* frame = menu.addAction("TV frame", [this] { OnCommand(cid::kTvFrame); });
  frame->setCheckable(true);
  frame->setChecked(settings_.videoBorder != 0);
  QAction* tile = menu.addAction("Tile windows", [this] { OnCommand(cid::kTileWindows); });
  tile->setCheckable(true);
  tile->setChecked(settings_.tileMode != 0);
  menu.addSeparator();
  bars_->AddMenus(menu);
  menu.addSeparator();
  if (teletext_) teletext_->AddMenuAction(menu);
  menu.addAction("Virtual remote...", [this] { ShowVirtualRemote(); });
  menu.addAction("&About Brevant TV USB!...", [this] { OnCommand(cid::kAbout); });
  vd::NestedLoop modal(vd::NestedLoop::Kind::kModal);
  menu.exec(at);
}

void CViewerDlg::ShowVirtualRemote() {
  if (!virtualRemote_) {
    auto* remote = new CVirtualRemoteWnd(this);
    remote->setAttribute(Qt::WA_DeleteOnClose);
    virtualRemote_ = remote;
  }
  virtualRemote_->show();
  virtualRemote_->raise();
}

void CViewerDlg::OpenHelp() {
  // Beside the running program, installed or in the build folder, wherever the tree lies.
  const QString file = options_.helpFile.empty() ? QCoreApplication::applicationDirPath() +
                                                       QStringLiteral("/" VD_HELP_RELATIVE_FILE)
                                                 : QString::fromStdString(options_.helpFile);
  if (!QFileInfo::exists(file)) {
    ShowMessage("The help file BRTV_USB.html was not found.");
    return;
  }
  const QUrl url = QUrl::fromLocalFile(file);
  if (options_.openUrl ? options_.openUrl(url) : QDesktopServices::openUrl(url)) return;
  // No program of the desktop shows it: the viewer does, so that help always opens.
  if (!help_) {
    auto* help = new vd::HelpWindow(file);
    help->setAttribute(Qt::WA_DeleteOnClose);
    help_ = help;
  }
  help_->show();
  help_->raise();
  help_->activateWindow();
}

void CViewerDlg::OpenSettingsSheet() {
  // The command table keeps it from recordings, whose graphs its pages would rebuild. One
  // sheet at a time, and none while a scan of the automatic-scan dialog runs: its pages would
  // scan nested inside that scan, over the same table and the same scan start.
  if ((Engine() && Engine()->Lifecycle().IsCapturing()) || sheetOpen_ ||
      (sheetHost_ && sheetHost_->IsScanRunning()) || !Engine()) {
    Beep();
    return;
  }
  vd::GraphPagesEngine pagesEngine(*Engine(), PagesHooks());
  vd::EnginePages enginePages(pagesEngine);
  vd::SheetPageSet pages(*sheetHost_, &enginePages);
  sheetOpen_ = true;
  sheetHost_->BeginSheet();
  {
    COptionsSheet sheet(*sheetHost_, pages, this);
    vd::NestedLoop modal(vd::NestedLoop::Kind::kModal);
    sheet.exec();
  }
  sheetHost_->EndSheet();
  sheetOpen_ = false;
  // OK or Cancel: the page's scans, deletions and names are already in the table.
  StoreChannelList();
  // The device page may have chosen other devices, and with them another tuner.
  if (entry_) entry_->Unbind();
  RefreshDeviceStatus();
}

vd::PagesWindow CViewerDlg::PagesHooks() {
  vd::PagesWindow hooks;
  hooks.workMode = [this] { return settings_.workMode; };
  hooks.fullScreen = [this] { return fullScreen_; };
  hooks.refreshDeviceStatus = [this] { RefreshDeviceStatus(); };
  hooks.redrawAll = [this] { update(); };
  hooks.resizeToVideo = [this] {
    vd::VideoFormat format;
    vd::CaptureDevice* device = Engine() ? Engine()->VideoDevice() : nullptr;
    if (device != nullptr &&
        vd::Succeeded(device->GetVideoFormat(vd::PinKind::kCapture, &format))) {
      SetVideoSize(format.width, std::abs(format.height));
    }
  };
  hooks.installFolder = [this] { return settings_.path; };
  // The still folder is the installation folder followed by the current album's path.
  hooks.currentAlbumPath = [this] {
    if (!album_) return std::string();
    return std::filesystem::path(album_->StillFolder()).lexically_relative(settings_.path).string();
  };
  hooks.showMessage = [this](const std::string& text) { ShowMessage(text); };
  return hooks;
}

void CViewerDlg::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (!fullScreen_ && bars_ && video_) {
    // Restored: a client below the minimum is enlarged to it.
    const vd::RestoredLayout layout = ClientLayout();
    if (layout.enlarged) resize(layout.client.width, layout.client.height);
  }
  LayoutChildren();
  if (settings_.forceRatio43 && !fullScreen_) OnCommand(cid::kApplyRatio);
  if (panel_ && panel_->isVisible() && settings_.tileMode) OnCommand(cid::kTilePanel);
}

void CViewerDlg::moveEvent(QMoveEvent* event) {
  QWidget::moveEvent(event);
  if (!placing_ && panel_ && panel_->isVisible() && settings_.tileMode) OnCommand(cid::kTilePanel);
}

void CViewerDlg::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && !fullScreen_) {
    dragOffset_ = event->globalPosition().toPoint() - frameGeometry().topLeft();
  } else if (event->button() == Qt::LeftButton && panel_ && panel_->isVisible() &&
             vd::IsLive(viewState_)) {
    OnCommand(cid::kPanel);
  }
}

void CViewerDlg::mouseMoveEvent(QMouseEvent* event) {
  if (dragOffset_) move(event->globalPosition().toPoint() - *dragOffset_);
}

void CViewerDlg::mouseReleaseEvent(QMouseEvent*) {
  dragOffset_.reset();
}

void CViewerDlg::contextMenuEvent(QContextMenuEvent* event) {
  if (fullScreen_ && vd::IsLive(viewState_) && panel_ && panelWindow_) {
    if (!panel_->isVisible()) OnCommand(cid::kPanel);
    // Shown may still mean covered by the picture, which only the window system knows.
    panelWindow_->BringUp();
  }
  ShowContextMenu(event->globalPos());
}

bool CViewerDlg::eventFilter(QObject* watched, QEvent* event) {
  QWindow* window = windowHandle();
  if (watched == window && event->type() == QEvent::Expose && window->isExposed()) {
    window->removeEventFilter(this);
    // After the expose has been handled, with the frame the window manager gave the window.
    vd::PostGated(this, [this] {
      const std::optional<QPoint> placed = std::exchange(panelPlacedAt_, std::nullopt);
      if (placed && panel_ && panel_->isVisible() && panel_->pos() == *placed && !fullScreen_) {
        TilePanel();
      }
    });
  }
  return QWidget::eventFilter(watched, event);
}

void CViewerDlg::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls() || event->mimeData()->hasFormat("application/x-avicap")) {
    event->acceptProposedAction();
  }
}

void CViewerDlg::dropEvent(QDropEvent* event) {
  if (DropData(event->mimeData())) event->acceptProposedAction();
}

bool CViewerDlg::DropData(const QMimeData* data) {
  if (viewState_ == vd::ViewState::kCapturing) {
    ShowMessage("Please note that Drag & drop does not work while file is being captured");
    return false;
  }
  const auto open = [this](const std::filesystem::path& path) {
    const std::string ext = path.extension().string();
    OpenAlbumFile(path.string(), ext == ".bmp" || ext == ".BMP");
  };
  if (data->hasFormat(vd::DragRecord::kMimeType)) {
    // An album file (its path) or a station of a channel list (its index in the mode's table).
    const QByteArray bytes = data->data(vd::DragRecord::kMimeType);
    const auto record = vd::DragRecord::Decode(std::span<const uint8_t>(
        reinterpret_cast<const uint8_t*>(bytes.constData()), static_cast<size_t>(bytes.size())));
    if (!record) return false;
    if (record->value == vd::DragRecord::kFileValue && !record->text.empty()) {
      open(record->text);
      return true;
    }
    if (record->text.empty() && SelectDroppedStation(record->value)) return true;
    Beep();
    return false;
  }
  for (const QUrl& url : data->urls()) {
    open(url.toLocalFile().toStdString());
    return true;
  }
  return false;
}

bool CViewerDlg::SelectDroppedStation(int32_t index) {
  if (!Engine() || !vd::IsLive(viewState_)) return false;
  TunerControl* tuner = Engine()->Tuner();
  CChannelTable* table = tuner != nullptr ? tuner->Table() : nullptr;
  if (table == nullptr || index < 0 || index >= table->Count()) return false;
  table->Select(index, true);
  RefreshChannelDisplay();
  return true;
}
