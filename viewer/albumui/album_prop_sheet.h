// The album sheet: one tab per album of the store, the shared view command, the album and
// file commands, and the drop target on the tab row. It owns the store and follows its
// announcements, so tabs and lists always show what is on disk.
#pragma once

#include <QTabWidget>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>

#include "vd/album/album_store.h"
#include "vd/album/album_view.h"

class QFileSystemWatcher;
class QMenu;
class QTimer;
class CAlbumPage;

class CAlbumPropSheet : public QTabWidget, public vd::AlbumView {
 public:
  // `albumPageNum` is the stored active page; `keepPageNum` receives the active page when the
  // sheet goes.
  CAlbumPropSheet(vd::AlbumHost& host, const std::filesystem::path& installPath,
                  int32_t albumPageNum, std::function<void(int32_t)> keepPageNum,
                  QWidget* parent = nullptr);
  ~CAlbumPropSheet() override;

  vd::AlbumStore& Store() { return *store_; }
  CAlbumPage* Page(int index) const;
  CAlbumPage* CurrentPage() const { return Page(currentIndex()); }
  int ViewCommand() const { return viewCommand_; }

  // Commands
  void OnNewAlbum();
  void OnRenameAlbum();
  void OnDeleteAlbum();
  void OnDeleteFiles();
  void OnRenameFile();
  // The open command on the first selected row.
  void OnOpen();
  void OnView(int command);
  // A double click (or the open command) on a row of the current page.
  void OpenRow(int row, bool byDoubleClick);
  // A dropped record on the tab `index`.
  void DropRecord(int index, const QByteArray& record);

  // The menus as they would pop up now; the caller runs them.
  std::unique_ptr<QMenu> AlbumMenu();
  std::unique_ptr<QMenu> FileMenu();

  // Fills the current page's list again.
  void RefreshList();
  // The album folders are watched: files another program adds, removes or renames show
  // after this settling time, the selection and scroll position kept where rows remain.
  static constexpr int kDiskSettleMs = 200;
  // The main window's periodic refresh: a marked sheet refreshes once.
  void MarkForRefresh() { refreshPending_ = true; }
  bool RefreshIfMarked();

  // vd::AlbumView
  void AlbumAdded(size_t index) override;
  void AlbumRenamed(size_t index) override;
  void AlbumRemoved(size_t index) override;
  void CurrentAlbumChanged(size_t index) override;
  void AlbumContentChanged(size_t index) override;

 private:
  CAlbumPage* MakePage(const std::string& album);
  void ShowContextMenu(const QPoint& globalPos, bool overTab);
  void StartDrag(int row);
  void AddViewActions(QMenu* menu);
  // Watches exactly the album folders of the store.
  void WatchAlbums();
  // Every page's list filled again from the disk.
  void FollowDisk();

  vd::AlbumHost& host_;
  std::unique_ptr<vd::AlbumStore> store_;
  std::function<void(int32_t)> keepPageNum_;
  int viewCommand_;
  bool refreshPending_ = false;
  bool syncing_ = false;
  QFileSystemWatcher* watcher_;
  QTimer* diskTimer_;
};
