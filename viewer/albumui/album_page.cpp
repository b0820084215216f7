#include "album_page.h"

#include <QVBoxLayout>

#include "vd/album/album_store.h"

CAlbumPage::CAlbumPage(std::string album, AlbumListCtrl::Handlers handlers, int viewCommand,
                       QWidget* parent)
    : QWidget(parent), album_(std::move(album)), list_(new AlbumListCtrl(std::move(handlers))) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->addWidget(list_);
  list_->SetViewCommand(viewCommand);
}

void CAlbumPage::RefreshList(const vd::AlbumStore& store) {
  list_->Fill(store.ListAlbum(album_));
}
