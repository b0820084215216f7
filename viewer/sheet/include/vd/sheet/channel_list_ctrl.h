// The station list of the station-search page and the automatic scan dialog: name and
// frequency of every station of the mode's table, renaming in place, deletion with its
// confirmations, double click to tune, and reordering by dragging one station onto another.
#pragma once

#include <QColor>
#include <QTableView>
#include <QTimer>
#include <cstdint>

class CChannelTable;
class QByteArray;

namespace vd {
class ChannelListModel;
class ScanHost;
}  // namespace vd

class CChannelListCtrl : public QTableView {
  Q_OBJECT

 public:
  // Dragging within this distance of the top or bottom edge scrolls one line, first after
  // kFirstScrollMs and then every kRepeatScrollMs.
  static constexpr int kScrollZone = 30;
  static constexpr int kFirstScrollMs = 500;
  static constexpr int kRepeatScrollMs = 200;
  static QColor TextColour() { return QColor(255, 30, 0); }

  explicit CChannelListCtrl(vd::ScanHost& host, QWidget* parent = nullptr);
  ~CChannelListCtrl() override;

  // Sorts the table (except in radio mode) and shows it with the current station selected
  // and visible.
  void Fill();
  // Refills every open list of this host: its mode's table was replaced or changed from
  // another window (a work-mode change, a fine tune, a preset stored from the keypad).
  static void RefillAll(const vd::ScanHost& host);
  // "&Delete": the selected station, after the confirmation unless it is switched off.
  void DeleteSelected();
  // "Delete &All": every station, after the question; an empty list asks nothing.
  void DeleteAll();
  // Tunes to the station of the row, as a double click does.
  void SelectStation(int row);
  // "Name from &teletext": the selected station takes the name its teletext gives, when it
  // is the TV station tuned now (the name is that station's); false when it cannot.
  bool NameFromTeletext();
  bool CanNameFromTeletext() const;
  // A drop of drag data onto the row: swaps the dragged station with it. False (nothing
  // changes) for an album file, a damaged record or a row outside the list.
  bool DropOnRow(const QByteArray& record, int row);

  int SelectedRow() const;
  vd::ChannelListModel* ListModel() const { return model_; }
  // -1 up, 1 down, 0 none: where a drag at viewport height y scrolls.
  static int ScrollDirection(int y, int viewportHeight);
  // The auto-scroll timer's interval while it runs, else 0.
  int AutoScrollInterval() const;

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void startDrag(Qt::DropActions supportedActions) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dragLeaveEvent(QDragLeaveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  CChannelTable* Table() const;
  void OnRenamed();
  void UpdateAutoScroll(int y);
  void StopAutoScroll();
  void OnAutoScroll();
  void ApplyColumnWidths();

  vd::ScanHost& host_;
  vd::ChannelListModel* model_ = nullptr;  // child
  QTimer scrollTimer_;
  int scrollDirection_ = 0;
};
