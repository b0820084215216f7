#include "vd/albumui/album_frame.h"

#include <QEvent>
#include <QVBoxLayout>

#include "album_prop_sheet.h"

CAlbumFrame::CAlbumFrame(vd::AlbumHost& host, const std::filesystem::path& installPath,
                         int32_t albumPageNum, std::function<void(int32_t)> keepPageNum,
                         QWidget* parent)
    : QWidget(parent, Qt::Tool),
      sheet_(new CAlbumPropSheet(host, installPath, albumPageNum, std::move(keepPageNum), this)) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  layout->addWidget(sheet_);
  setWindowTitle(sheet_->windowTitle());
}

bool CAlbumFrame::SaveStill(const vd::BitmapInfoHeader& header, std::span<const uint8_t> pixels) {
  return sheet_->Store().SaveStill(header, pixels);
}

bool CAlbumFrame::SaveFilm() {
  return sheet_->Store().SaveFilm();
}

std::filesystem::path CAlbumFrame::StillFolder() const {
  vd::AlbumStore& store = sheet_->Store();
  return store.AlbumFolder(store.CurrentAlbum());
}

void CAlbumFrame::MarkForRefresh() {
  sheet_->MarkForRefresh();
}

bool CAlbumFrame::RefreshIfMarked() {
  return sheet_->RefreshIfMarked();
}

bool CAlbumFrame::event(QEvent* event) {
  // Activation goes on to the sheet, so keys reach the list at once.
  if (event->type() == QEvent::WindowActivate) sheet_->setFocus(Qt::ActiveWindowFocusReason);
  return QWidget::event(event);
}
