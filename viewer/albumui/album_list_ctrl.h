// The list of one album's files, in three views over one model and one selection: large
// icons and small icons (a list view) and details (a table with the columns Name, Size and
// Modified, whose widths are set once, at creation, from the list's width).
#pragma once

#include <QPoint>
#include <QPointer>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "vd/album/media_entry.h"

class QAbstractItemView;
class QItemSelectionModel;
class QListView;
class QStackedLayout;
class QStandardItemModel;
class QTableView;

class AlbumListCtrl : public QWidget {
 public:
  // The view commands, as the menus carry them.
  static constexpr int kLargeIcons = 32781;
  static constexpr int kSmallIcons = 32783;
  static constexpr int kDetails = 32784;
  // The size a page's list is made with; the column widths follow from its width.
  static constexpr int kWidth = 364;
  static constexpr int kHeight = 220;

  struct Handlers {
    std::function<void(int row)> open;                         // double click
    std::function<void(const QPoint& globalPos)> contextMenu;  // right click, menu key
    std::function<std::optional<QString>(const QString&, const QString&)> rename;
    std::function<void(int row)> drag;  // a row is dragged
    std::function<void()> deleteKey;
  };

  explicit AlbumListCtrl(Handlers handlers, QWidget* parent = nullptr);

  void Fill(const std::vector<vd::MediaEntry>& entries);
  void SetViewCommand(int command);
  int ViewCommand() const { return view_; }

  int RowCount() const;
  // The name as shown; a name that is not valid UTF-8 shows with replacement characters.
  QString NameAt(int row) const;
  // The file's name exactly as the folder holds it, to open, drag, rename or delete it.
  std::string FileNameAt(int row) const;
  vd::MediaKind KindAt(int row) const;
  QStringList SelectedNames() const;
  std::vector<std::string> SelectedFileNames() const;
  bool HasSelection() const;
  // Starts in-place editing of the first selected row's name.
  void EditSelected();

  // The visible view (tests drive it).
  QAbstractItemView* ActiveView() const;
  QTableView* DetailsView() const { return details_; }
  QListView* IconView() const { return icons_; }
  QStandardItemModel* Model() const { return model_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void SetUpView(QAbstractItemView* view);
  void Attach(QStandardItemModel* model);

  Handlers handlers_;
  QStandardItemModel* model_;
  QItemSelectionModel* selection_;
  QListView* icons_;
  QTableView* details_;
  QStackedLayout* stack_;
  int view_ = kLargeIcons;
  QPoint pressPos_;
  int pressRow_ = -1;
};
