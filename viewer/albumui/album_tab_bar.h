// The sheet's tab row: a drop target for dragged album files and the place of the album
// context menu.
#pragma once

#include <QByteArray>
#include <QTabBar>
#include <functional>

class AlbumTabBar : public QTabBar {
 public:
  struct Handlers {
    // A file record dropped on the tab `index`.
    std::function<void(int index, const QByteArray& record)> drop;
    // Right click or menu key; `index` is the tab under the point, or -1.
    std::function<void(const QPoint& globalPos, int index)> contextMenu;
  };

  explicit AlbumTabBar(Handlers handlers, QWidget* parent = nullptr);

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  Handlers handlers_;
};
