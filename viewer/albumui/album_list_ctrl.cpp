#include "album_list_ctrl.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QListView>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStackedLayout>
#include <QStandardItemModel>
#include <QTableView>
#include <array>

#include "album_icons.h"
#include "album_name_delegate.h"

namespace {

constexpr int kKindRole = Qt::UserRole + 1;
// The name's bytes: a name that is not UTF-8 does not survive the trip through QString.
constexpr int kFileNameRole = Qt::UserRole + 2;

}  // namespace

AlbumListCtrl::AlbumListCtrl(Handlers handlers, QWidget* parent)
    : QWidget(parent),
      handlers_(std::move(handlers)),
      model_(new QStandardItemModel(0, 3, this)),
      selection_(new QItemSelectionModel(model_, this)),
      icons_(new QListView(this)),
      details_(new QTableView(this)),
      stack_(new QStackedLayout(this)) {
  resize(kWidth, kHeight);
  model_->setHorizontalHeaderLabels({"Name", "Size", "Modified"});
  stack_->setContentsMargins(0, 0, 0, 0);
  stack_->addWidget(icons_);
  stack_->addWidget(details_);
  SetUpView(icons_);
  SetUpView(details_);

  details_->verticalHeader()->hide();
  details_->setShowGrid(true);
  details_->setSelectionBehavior(QAbstractItemView::SelectRows);
  details_->setWordWrap(false);
  QHeaderView* header = details_->horizontalHeader();
  header->setSectionsMovable(true);
  header->setHighlightSections(false);
  header->setStretchLastSection(false);
  header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  header->setSectionResizeMode(QHeaderView::Interactive);
  // Set once from the width the list is made with; later resizing leaves them alone.
  header->resizeSection(0, kWidth * 3 / 7);
  header->resizeSection(1, kWidth / 5);
  header->resizeSection(2, kWidth * 3 / 4);

  SetViewCommand(kLargeIcons);
}

void AlbumListCtrl::SetUpView(QAbstractItemView* view) {
  view->setModel(model_);
  view->setSelectionModel(selection_);
  view->setSelectionMode(QAbstractItemView::ExtendedSelection);
  // Editing starts from F2 or the menu only: a click on a selected row that opened the
  // editor would turn the Delete key that follows into erasing the label.
  view->setEditTriggers(QAbstractItemView::EditKeyPressed);
  view->setItemDelegate(new AlbumNameDelegate(handlers_.rename, view));
  view->setMouseTracking(true);
  view->viewport()->setAttribute(Qt::WA_Hover);
  view->setContextMenuPolicy(Qt::CustomContextMenu);
  view->setDragEnabled(false);  // drags start in eventFilter, carrying the file record
  view->installEventFilter(this);
  view->viewport()->installEventFilter(this);
  connect(view, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
    if (index.isValid() && handlers_.open) handlers_.open(index.row());
  });
  connect(view, &QWidget::customContextMenuRequested, this, [this, view](const QPoint& pos) {
    if (handlers_.contextMenu) handlers_.contextMenu(view->viewport()->mapToGlobal(pos));
  });
}

void AlbumListCtrl::Fill(const std::vector<vd::MediaEntry>& entries) {
  static const QIcon film = AlbumIcons::Film();
  static const QIcon picture = AlbumIcons::Picture();
  // Filled while no view watches it, then handed to the views: row by row into a watched model
  // costs the views a notification per cell, several times the whole fill for a large album.
  auto* model = new QStandardItemModel(static_cast<int>(entries.size()), 3, this);
  model->setHorizontalHeaderLabels({"Name", "Size", "Modified"});
  for (int row = 0; row < static_cast<int>(entries.size()); ++row) {
    const vd::MediaEntry& e = entries[static_cast<size_t>(row)];
    const bool isPicture = e.kind == vd::MediaKind::kPicture;
    const QString name = QString::fromStdString(e.name);
    const QString size = QString::fromStdString(e.sizeText);
    const QString time = QString::fromStdString(e.timeText);
    auto* nameItem = new QStandardItem(isPicture ? picture : film, name);
    nameItem->setData(static_cast<int>(e.kind), kKindRole);
    nameItem->setData(QByteArray::fromStdString(e.name), kFileNameRole);
    nameItem->setToolTip(name + "\n" + size + "\n" + time);
    nameItem->setDragEnabled(false);
    auto* sizeItem = new QStandardItem(size);
    auto* timeItem = new QStandardItem(time);
    sizeItem->setEditable(false);
    timeItem->setEditable(false);
    model->setItem(row, 0, nameItem);
    model->setItem(row, 1, sizeItem);
    model->setItem(row, 2, timeItem);
  }
  Attach(model);
}

void AlbumListCtrl::Attach(QStandardItemModel* model) {
  // A refill (the periodic refresh after a new still, say) keeps what the user selected: a
  // menu opened on a row acts on the selection only when its entry is chosen.
  const QStringList selected = SelectedNames();
  const QModelIndex current = selection_->currentIndex();
  const QString currentName = current.isValid() ? NameAt(current.row()) : QString();
  // A new model resets the header; the column widths and order stay as they were.
  QHeaderView* header = details_->horizontalHeader();
  const QByteArray headerState = header->saveState();
  auto* selection = new QItemSelectionModel(model, this);
  // A refill behind the user's back (a file added elsewhere) leaves the views where they were.
  const std::array<QAbstractItemView*, 2> views = {icons_, details_};
  std::array<QPoint, 2> scrolled;
  for (size_t i = 0; i < views.size(); ++i) {
    scrolled[i] = {views[i]->horizontalScrollBar()->value(),
                   views[i]->verticalScrollBar()->value()};
    views[i]->setModel(model);
    views[i]->setSelectionModel(selection);
  }
  header->restoreState(headerState);
  for (int row = 0; row < model->rowCount(); ++row) {
    const QModelIndex index = model->index(row, 0);
    const QString name = index.data(Qt::DisplayRole).toString();
    if (selected.contains(name)) {
      selection->select(index, QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    if (!currentName.isEmpty() && name == currentName) {
      selection->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
    }
  }
  // Last: making a row current scrolls to it.
  for (size_t i = 0; i < views.size(); ++i) {
    if (scrolled[i].isNull()) continue;
    // The scroll range follows the layout, which the view otherwise makes only when painted.
    views[i]->doItemsLayout();
    views[i]->horizontalScrollBar()->setValue(scrolled[i].x());
    views[i]->verticalScrollBar()->setValue(scrolled[i].y());
  }
  // Later, not now: a fill may run inside a handler that still holds the old model's indexes.
  selection_->deleteLater();
  model_->deleteLater();
  model_ = model;
  selection_ = selection;
}

void AlbumListCtrl::SetViewCommand(int command) {
  switch (command) {
    case kLargeIcons:
      icons_->setViewMode(QListView::IconMode);
      icons_->setIconSize(QSize(32, 32));
      icons_->setGridSize(QSize(84, 64));
      icons_->setWordWrap(true);
      break;
    case kSmallIcons:
      icons_->setViewMode(QListView::ListMode);
      icons_->setIconSize(QSize(16, 16));
      icons_->setGridSize(QSize());
      icons_->setFlow(QListView::LeftToRight);
      icons_->setWrapping(true);
      icons_->setWordWrap(false);
      break;
    case kDetails:
      break;
    default:
      return;
  }
  icons_->setMovement(QListView::Static);
  icons_->setResizeMode(QListView::Adjust);
  view_ = command;
  stack_->setCurrentWidget(command == kDetails ? static_cast<QWidget*>(details_) : icons_);
}

int AlbumListCtrl::RowCount() const {
  return model_->rowCount();
}

QString AlbumListCtrl::NameAt(int row) const {
  return model_->index(row, 0).data().toString();
}

std::string AlbumListCtrl::FileNameAt(int row) const {
  return model_->index(row, 0).data(kFileNameRole).toByteArray().toStdString();
}

std::vector<std::string> AlbumListCtrl::SelectedFileNames() const {
  std::vector<int> rows;
  for (const QModelIndex& index : selection_->selectedRows(0)) rows.push_back(index.row());
  if (rows.empty()) {
    for (const QModelIndex& index : selection_->selectedIndexes())
      if (index.column() == 0) rows.push_back(index.row());
  }
  std::vector<std::string> names;
  for (int row : rows) names.push_back(FileNameAt(row));
  return names;
}

vd::MediaKind AlbumListCtrl::KindAt(int row) const {
  return static_cast<vd::MediaKind>(model_->index(row, 0).data(kKindRole).toInt());
}

QStringList AlbumListCtrl::SelectedNames() const {
  QStringList names;
  for (const QModelIndex& index : selection_->selectedRows(0)) names << NameAt(index.row());
  // The icon views select single cells; their rows count too.
  if (names.isEmpty()) {
    for (const QModelIndex& index : selection_->selectedIndexes()) {
      if (index.column() == 0) names << NameAt(index.row());
    }
  }
  return names;
}

bool AlbumListCtrl::HasSelection() const {
  return selection_->hasSelection();
}

void AlbumListCtrl::EditSelected() {
  const QModelIndexList rows = selection_->selectedIndexes();
  for (const QModelIndex& index : rows) {
    if (index.column() == 0) {
      ActiveView()->edit(index);
      return;
    }
  }
}

QAbstractItemView* AlbumListCtrl::ActiveView() const {
  return view_ == kDetails ? static_cast<QAbstractItemView*>(details_) : icons_;
}

bool AlbumListCtrl::eventFilter(QObject* watched, QEvent* event) {
  const bool onViewport = watched == icons_->viewport() || watched == details_->viewport();
  if (event->type() == QEvent::KeyPress &&
      static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete && handlers_.deleteKey) {
    handlers_.deleteKey();
    return true;
  }
  if (!onViewport) return false;
  auto* view = watched == icons_->viewport() ? static_cast<QAbstractItemView*>(icons_)
                                             : static_cast<QAbstractItemView*>(details_);
  if (event->type() == QEvent::MouseButtonPress) {
    auto* mouse = static_cast<QMouseEvent*>(event);
    pressRow_ = -1;
    if (mouse->button() == Qt::LeftButton) {
      pressPos_ = mouse->position().toPoint();
      const QModelIndex index = view->indexAt(pressPos_);
      if (index.isValid()) pressRow_ = index.row();
    }
  } else if (event->type() == QEvent::MouseMove && pressRow_ < 0) {
    // The hot cursor over a row, with the hot row underlined by the delegate.
    auto* mouse = static_cast<QMouseEvent*>(event);
    if (view->indexAt(mouse->position().toPoint()).isValid()) {
      view->viewport()->setCursor(Qt::PointingHandCursor);
    } else {
      view->viewport()->unsetCursor();
    }
  } else if (event->type() == QEvent::MouseMove) {
    auto* mouse = static_cast<QMouseEvent*>(event);
    if ((mouse->buttons() & Qt::LeftButton) &&
        (mouse->position().toPoint() - pressPos_).manhattanLength() >=
            QApplication::startDragDistance()) {
      const int row = pressRow_;
      pressRow_ = -1;
      if (handlers_.drag) handlers_.drag(row);
      return true;
    }
  } else if (event->type() == QEvent::MouseButtonRelease) {
    pressRow_ = -1;
  }
  return false;
}
