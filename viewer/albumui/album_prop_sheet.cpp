#include "album_prop_sheet.h"

#include <QActionGroup>
#include <QDrag>
#include <QFileSystemWatcher>
#include <QMenu>
#include <QMimeData>
#include <QStandardItemModel>
#include <QTimer>

#include "album_list_ctrl.h"
#include "album_page.h"
#include "album_tab_bar.h"
#include "vd/album/album_texts.h"
#include "vd/album/drag_record.h"
#include "vd/nested_loop.h"

namespace text = vd::album_text;

CAlbumPropSheet::CAlbumPropSheet(vd::AlbumHost& host, const std::filesystem::path& installPath,
                                 int32_t albumPageNum, std::function<void(int32_t)> keepPageNum,
                                 QWidget* parent)
    : QTabWidget(parent),
      host_(host),
      store_(std::make_unique<vd::AlbumStore>(installPath, host)),
      keepPageNum_(std::move(keepPageNum)),
      viewCommand_(AlbumListCtrl::kLargeIcons),
      watcher_(new QFileSystemWatcher(this)),
      diskTimer_(new QTimer(this)) {
  setWindowTitle(QString::fromUtf8(text::kGalleryCaption.data(),
                                   static_cast<qsizetype>(text::kGalleryCaption.size())));
  AlbumTabBar::Handlers tabHandlers;
  tabHandlers.drop = [this](int index, const QByteArray& record) { DropRecord(index, record); };
  tabHandlers.contextMenu = [this](const QPoint& globalPos, int index) {
    // The menu acts on the active album, so the tab clicked becomes it.
    if (index >= 0) setCurrentIndex(index);
    ShowContextMenu(globalPos, index >= 0);
  };
  setTabBar(new AlbumTabBar(std::move(tabHandlers), this));

  store_->OpenStore();
  for (const std::string& album : store_->Albums())
    addTab(MakePage(album), QString::fromStdString(album));
  if (albumPageNum >= 0 && albumPageNum < count()) setCurrentIndex(albumPageNum);
  store_->SetCurrent(static_cast<size_t>(std::max(currentIndex(), 0)));
  store_->SetView(this);
  connect(this, &QTabWidget::currentChanged, this, [this](int index) {
    if (!syncing_ && index >= 0) store_->SetCurrent(static_cast<size_t>(index));
  });
  // A burst of changes (a copy of many files, a still written in steps) refreshes once.
  diskTimer_->setSingleShot(true);
  diskTimer_->setInterval(kDiskSettleMs);
  connect(diskTimer_, &QTimer::timeout, this, [this] { FollowDisk(); });
  connect(watcher_, &QFileSystemWatcher::directoryChanged, diskTimer_, qOverload<>(&QTimer::start));
  WatchAlbums();
}

void CAlbumPropSheet::WatchAlbums() {
  const QStringList watched = watcher_->directories();
  if (!watched.isEmpty()) watcher_->removePaths(watched);
  QStringList folders;
  for (const std::string& album : store_->Albums())
    folders << QString::fromStdString(store_->AlbumFolder(album).string());
  if (!folders.isEmpty()) watcher_->addPaths(folders);
}

void CAlbumPropSheet::FollowDisk() {
  // A folder removed and made again is no longer watched: watch afresh each time.
  WatchAlbums();
  for (int i = 0; i < count(); ++i) Page(i)->RefreshList(*store_);
}

CAlbumPropSheet::~CAlbumPropSheet() {
  if (keepPageNum_) keepPageNum_(std::max(currentIndex(), 0));
  store_->SetView(nullptr);
  diskTimer_->stop();
  // The pages' handlers reach the store; they go while it still exists.
  syncing_ = true;
  while (count() > 0) {
    QWidget* page = widget(0);
    removeTab(0);
    delete page;
  }
}

CAlbumPage* CAlbumPropSheet::Page(int index) const {
  return static_cast<CAlbumPage*>(widget(index));
}

CAlbumPage* CAlbumPropSheet::MakePage(const std::string& album) {
  AlbumListCtrl::Handlers handlers;
  handlers.open = [this](int row) { OpenRow(row, true); };
  handlers.contextMenu = [this](const QPoint& globalPos) { ShowContextMenu(globalPos, false); };
  handlers.rename = [this](const QString& oldName,
                           const QString& newName) -> std::optional<QString> {
    CAlbumPage* page = CurrentPage();
    if (page == nullptr) return std::nullopt;
    // The file's own bytes, not the shown name, which may have lost some.
    std::string from = oldName.toStdString();
    for (int row = 0; row < page->List()->RowCount(); ++row) {
      // Only while the row still shows the name it was filled with (a rename changes it).
      const std::string raw = page->List()->FileNameAt(row);
      if (page->List()->NameAt(row) == oldName && QString::fromStdString(raw) == oldName) {
        from = raw;
        break;
      }
    }
    std::string finalName;
    if (!store_->RenameFile(page->Album(), from, newName.toStdString(), &finalName))
      return std::nullopt;
    return QString::fromStdString(finalName);
  };
  handlers.drag = [this](int row) { StartDrag(row); };
  handlers.deleteKey = [this] { OnDeleteFiles(); };
  auto* page = new CAlbumPage(album, std::move(handlers), viewCommand_);
  page->RefreshList(*store_);
  return page;
}

void CAlbumPropSheet::OnNewAlbum() {
  if (const auto name = host_.AskName({})) store_->NewAlbum(*name);
}

void CAlbumPropSheet::OnRenameAlbum() {
  const std::string album = store_->CurrentAlbum();
  if (album.empty()) return;
  if (const auto name = host_.AskName(album)) store_->RenameAlbum(album, *name);
}

void CAlbumPropSheet::OnDeleteAlbum() {
  const std::string album = store_->CurrentAlbum();
  if (!album.empty()) store_->DeleteAlbum(album);
}

void CAlbumPropSheet::OnDeleteFiles() {
  CAlbumPage* page = CurrentPage();
  if (page == nullptr) return;
  store_->DeleteFiles(page->Album(), page->List()->SelectedFileNames());
}

void CAlbumPropSheet::OnRenameFile() {
  if (CAlbumPage* page = CurrentPage()) page->List()->EditSelected();
}

void CAlbumPropSheet::OnOpen() {
  CAlbumPage* page = CurrentPage();
  if (page == nullptr) return;
  const QStringList names = page->List()->SelectedNames();
  if (names.isEmpty()) return;
  for (int row = 0; row < page->List()->RowCount(); ++row) {
    if (page->List()->NameAt(row) == names.first()) {
      OpenRow(row, false);
      return;
    }
  }
}

void CAlbumPropSheet::OpenRow(int row, bool byDoubleClick) {
  CAlbumPage* page = CurrentPage();
  if (page == nullptr || row < 0 || row >= page->List()->RowCount()) return;
  if (host_.IsCapturing()) {
    host_.ShowMessage(std::string(byDoubleClick ? text::kNoDoubleClickWhileCapturing
                                                : text::kNoDisplayWhileCapturing),
                      {}, vd::MessageIcon::kInformation);
    return;
  }
  const std::filesystem::path path =
      store_->AlbumFolder(page->Album()) / page->List()->FileNameAt(row);
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) {
    // Gone before the watch saw it: say so, and show the album as it is.
    host_.ShowMessage(text::Substitute(text::kFileGone, page->List()->NameAt(row).toStdString()),
                      std::string(text::kGalleryCaption), vd::MessageIcon::kExclamation);
    page->RefreshList(*store_);
    return;
  }
  host_.OpenFile(path, page->List()->KindAt(row));
}

void CAlbumPropSheet::OnView(int command) {
  if (command != AlbumListCtrl::kLargeIcons && command != AlbumListCtrl::kSmallIcons &&
      command != AlbumListCtrl::kDetails) {
    return;
  }
  viewCommand_ = command;
  for (int i = 0; i < count(); ++i) Page(i)->List()->SetViewCommand(command);
}

void CAlbumPropSheet::DropRecord(int index, const QByteArray& record) {
  if (host_.IsCapturing()) {
    host_.ShowMessage(std::string(text::kNoDropWhileCapturing), {}, vd::MessageIcon::kInformation);
    return;
  }
  const auto decoded = vd::DragRecord::Decode(
      {reinterpret_cast<const uint8_t*>(record.constData()), static_cast<size_t>(record.size())});
  // Stations of the channel list carry their index; only files (-1) move between albums.
  if (!decoded || decoded->value != vd::DragRecord::kFileValue || index < 0 ||
      index >= static_cast<int>(store_->Albums().size())) {
    return;
  }
  store_->MoveFileToAlbum(decoded->text, store_->Albums()[static_cast<size_t>(index)]);
}

void CAlbumPropSheet::StartDrag(int row) {
  CAlbumPage* page = CurrentPage();
  if (page == nullptr) return;
  const std::filesystem::path path =
      store_->AlbumFolder(page->Album()) / page->List()->FileNameAt(row);
  const std::vector<uint8_t> bytes =
      vd::DragRecord{path.string(), vd::DragRecord::kFileValue}.Encode();
  auto* data = new QMimeData;
  data->setData(vd::DragRecord::kMimeType, QByteArray(reinterpret_cast<const char*>(bytes.data()),
                                                      static_cast<qsizetype>(bytes.size())));
  auto* drag = new QDrag(this);
  drag->setMimeData(data);
  drag->setPixmap(
      page->List()->Model()->index(row, 0).data(Qt::DecorationRole).value<QIcon>().pixmap(32));
  vd::NestedLoop modal(vd::NestedLoop::Kind::kModal);
  drag->exec(Qt::CopyAction | Qt::MoveAction | Qt::LinkAction, Qt::MoveAction);
}

void CAlbumPropSheet::AddViewActions(QMenu* menu) {
  auto* group = new QActionGroup(menu);
  const std::pair<int, const char*> views[] = {{AlbumListCtrl::kLargeIcons, "Lar&ge Icons"},
                                               {AlbumListCtrl::kSmallIcons, "S&mall Icons"},
                                               {AlbumListCtrl::kDetails, "&Details"}};
  for (const auto& [command, label] : views) {
    QAction* action = menu->addAction(label);
    action->setCheckable(true);
    action->setChecked(command == viewCommand_);
    action->setData(command);
    group->addAction(action);
    connect(action, &QAction::triggered, this, [this, command = command] { OnView(command); });
  }
}

std::unique_ptr<QMenu> CAlbumPropSheet::AlbumMenu() {
  auto menu = std::make_unique<QMenu>(this);
  connect(menu->addAction("&New Album..."), &QAction::triggered, this, [this] { OnNewAlbum(); });
  connect(menu->addAction("&Rename Album..."), &QAction::triggered, this,
          [this] { OnRenameAlbum(); });
  connect(menu->addAction("&Delete Album"), &QAction::triggered, this, [this] { OnDeleteAlbum(); });
  menu->addSeparator();
  AddViewActions(menu.get());
  return menu;
}

std::unique_ptr<QMenu> CAlbumPropSheet::FileMenu() {
  auto menu = std::make_unique<QMenu>(this);
  connect(menu->addAction("&Open"), &QAction::triggered, this, [this] { OnOpen(); });
  connect(menu->addAction("Re&name"), &QAction::triggered, this, [this] { OnRenameFile(); });
  connect(menu->addAction("&Delete"), &QAction::triggered, this, [this] { OnDeleteFiles(); });
  menu->addSeparator();
  AddViewActions(menu.get());
  return menu;
}

void CAlbumPropSheet::ShowContextMenu(const QPoint& globalPos, bool overTab) {
  CAlbumPage* page = CurrentPage();
  const bool rowsSelected = page != nullptr && page->List()->HasSelection();
  std::unique_ptr<QMenu> menu = (overTab || !rowsSelected) ? AlbumMenu() : FileMenu();
  vd::NestedLoop modal(vd::NestedLoop::Kind::kModal);
  menu->exec(globalPos);
}

void CAlbumPropSheet::RefreshList() {
  if (CAlbumPage* page = CurrentPage()) page->RefreshList(*store_);
}

bool CAlbumPropSheet::RefreshIfMarked() {
  if (!refreshPending_) return false;
  refreshPending_ = false;
  RefreshList();
  return true;
}

void CAlbumPropSheet::AlbumAdded(size_t index) {
  const std::string& album = store_->Albums()[index];
  syncing_ = true;
  insertTab(static_cast<int>(index), MakePage(album), QString::fromStdString(album));
  syncing_ = false;
  WatchAlbums();
}

void CAlbumPropSheet::AlbumRenamed(size_t index) {
  const std::string& album = store_->Albums()[index];
  setTabText(static_cast<int>(index), QString::fromStdString(album));
  if (CAlbumPage* page = Page(static_cast<int>(index))) {
    page->SetAlbum(album);
    page->RefreshList(*store_);
  }
  WatchAlbums();
}

void CAlbumPropSheet::AlbumRemoved(size_t index) {
  QWidget* page = widget(static_cast<int>(index));
  syncing_ = true;
  removeTab(static_cast<int>(index));
  syncing_ = false;
  // The command that removed it may still be running inside the page's own handlers.
  if (page != nullptr) page->deleteLater();
  WatchAlbums();
}

void CAlbumPropSheet::CurrentAlbumChanged(size_t index) {
  syncing_ = true;
  setCurrentIndex(static_cast<int>(index));
  syncing_ = false;
}

void CAlbumPropSheet::AlbumContentChanged(size_t index) {
  if (CAlbumPage* page = Page(static_cast<int>(index))) page->RefreshList(*store_);
}
