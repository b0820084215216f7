// One album's page of the sheet: the album's name and its file list.
#pragma once

#include <QWidget>
#include <string>

#include "album_list_ctrl.h"

namespace vd {
class AlbumStore;
}

class CAlbumPage : public QWidget {
 public:
  CAlbumPage(std::string album, AlbumListCtrl::Handlers handlers, int viewCommand,
             QWidget* parent = nullptr);

  const std::string& Album() const { return album_; }
  void SetAlbum(std::string album) { album_ = std::move(album); }
  AlbumListCtrl* List() const { return list_; }
  // Deletes every row and fills the list again from the store.
  void RefreshList(const vd::AlbumStore& store);

 private:
  std::string album_;
  AlbumListCtrl* list_;
};
