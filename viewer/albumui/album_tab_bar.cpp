#include "album_tab_bar.h"

#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>

#include "vd/album/drag_record.h"

AlbumTabBar::AlbumTabBar(Handlers handlers, QWidget* parent)
    : QTabBar(parent), handlers_(std::move(handlers)) {
  setAcceptDrops(true);
}

void AlbumTabBar::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasFormat(vd::DragRecord::kMimeType)) {
    event->acceptProposedAction();
  } else {
    event->ignore();
  }
}

void AlbumTabBar::dragMoveEvent(QDragMoveEvent* event) {
  if (event->mimeData()->hasFormat(vd::DragRecord::kMimeType) &&
      tabAt(event->position().toPoint()) >= 0) {
    event->setDropAction(Qt::MoveAction);
    event->accept();
  } else {
    event->ignore();
  }
}

void AlbumTabBar::dropEvent(QDropEvent* event) {
  const int index = tabAt(event->position().toPoint());
  if (index < 0 || !event->mimeData()->hasFormat(vd::DragRecord::kMimeType)) {
    event->ignore();
    return;
  }
  event->setDropAction(Qt::MoveAction);
  event->accept();
  if (handlers_.drop) handlers_.drop(index, event->mimeData()->data(vd::DragRecord::kMimeType));
}

void AlbumTabBar::contextMenuEvent(QContextMenuEvent* event) {
  // The menu key gives a point 5 pixels inside the top-left corner.
  const QPoint pos = event->reason() == QContextMenuEvent::Keyboard ? QPoint(5, 5) : event->pos();
  if (handlers_.contextMenu) handlers_.contextMenu(mapToGlobal(pos), tabAt(pos));
  event->accept();
}
