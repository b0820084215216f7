#include "vd/sheet/channel_list_ctrl.h"

#include <QApplication>
#include <QDrag>
#include <QDragEnterEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QScrollBar>
#include <vector>

#include "channel_drag_record.h"
#include "channel_list_model.h"
#include "delete_confirm_dialog.h"
#include "sheet_message.h"
#include "vd/nested_loop.h"
#include "vd/sheet/scan_host.h"
#include "vd/tuning/channel_table.h"
#include "vd/tuning/tuner_control.h"

namespace {

constexpr const char* kDeleteAllCaption = "Verify channel list deletion";
constexpr const char* kDeleteAllText =
    "This will delete the entire channel list.\nDo you want to continue ?";

// The lists open now (UI thread only).
std::vector<CChannelListCtrl*>& OpenLists() {
  static std::vector<CChannelListCtrl*> lists;
  return lists;
}

}  // namespace

CChannelListCtrl::CChannelListCtrl(vd::ScanHost& host, QWidget* parent)
    : QTableView(parent), host_(host), model_(new vd::ChannelListModel(this)) {
  setModel(model_);
  setShowGrid(true);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::SingleSelection);
  // A second click on the selected row edits its name; a double click tunes.
  setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
  verticalHeader()->hide();
  // List-view rows: one line of text, not the table default's padded height.
  verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
  horizontalHeader()->setSectionsMovable(true);
  horizontalHeader()->setStretchLastSection(false);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setWordWrap(false);
  QPalette colours = palette();
  colours.setColor(QPalette::Text, TextColour());
  setPalette(colours);

  setDragEnabled(true);
  setAcceptDrops(true);
  viewport()->setAcceptDrops(true);
  setDragDropMode(QAbstractItemView::DragDrop);
  // The list scrolls by its own rule while a station is dragged.
  setAutoScroll(false);
  scrollTimer_.setSingleShot(false);
  connect(&scrollTimer_, &QTimer::timeout, this, &CChannelListCtrl::OnAutoScroll);

  connect(this, &QAbstractItemView::doubleClicked, this,
          [this](const QModelIndex& index) { SelectStation(index.row()); });
  connect(model_, &vd::ChannelListModel::Renamed, this, &CChannelListCtrl::OnRenamed);
  OpenLists().push_back(this);
}

CChannelListCtrl::~CChannelListCtrl() {
  std::erase(OpenLists(), this);
}

void CChannelListCtrl::RefillAll(const vd::ScanHost& host) {
  // A copy: a refill may not open or close lists, but the walk must not depend on it.
  const std::vector<CChannelListCtrl*> lists = OpenLists();
  for (CChannelListCtrl* list : lists) {
    if (&list->host_ == &host) list->Fill();
  }
}

CChannelTable* CChannelListCtrl::Table() const {
  TunerControl* tuner = host_.Tuner();
  return tuner != nullptr ? tuner->Table() : nullptr;
}

void CChannelListCtrl::Fill() {
  CChannelTable* table = Table();
  // Radio keeps the user's order: the first ten stations are the presets.
  if (table != nullptr && host_.WorkMode() != vd::WorkMode::kRadio) table->Sort();
  model_->Reset(table);
  ApplyColumnWidths();
  if (table != nullptr && table->Current() >= 0 && table->Current() < table->Count()) {
    const QModelIndex current = model_->index(table->Current(), vd::ChannelListModel::kName);
    selectionModel()->setCurrentIndex(
        current, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    scrollTo(current);
  }
}

int CChannelListCtrl::SelectedRow() const {
  const QModelIndexList rows = selectionModel()->selectedRows();
  return rows.isEmpty() ? -1 : rows.front().row();
}

void CChannelListCtrl::SelectStation(int row) {
  CChannelTable* table = Table();
  if (table == nullptr || row < 0 || row >= table->Count()) return;
  table->Select(row, false);
  host_.RefreshChannelDisplay();
}

bool CChannelListCtrl::CanNameFromTeletext() const {
  const CChannelTable* table = Table();
  const int row = SelectedRow();
  return table != nullptr && host_.WorkMode() == vd::WorkMode::kTv && row >= 0 &&
         row == table->Current() && !host_.TeletextName().empty();
}

bool CChannelListCtrl::NameFromTeletext() {
  if (!CanNameFromTeletext()) return false;
  return model_->setData(model_->index(SelectedRow(), vd::ChannelListModel::kName),
                         QString::fromStdString(host_.TeletextName()));
}

void CChannelListCtrl::contextMenuEvent(QContextMenuEvent* event) {
  // Not exec(): a menu of its own event loop could outlive a list the sheet closes meanwhile.
  auto* menu = new QMenu(this);
  menu->setAttribute(Qt::WA_DeleteOnClose);
  QAction* name = menu->addAction("Name from &teletext", this, [this] { NameFromTeletext(); });
  name->setEnabled(CanNameFromTeletext());
  if (CanNameFromTeletext())
    name->setText("Name from &teletext: " + QString::fromStdString(host_.TeletextName()));
  menu->popup(event->globalPos());
}

void CChannelListCtrl::OnRenamed() {
  host_.RefreshChannelDisplay();
  // The edit is still being committed when the model reports it; refill afterwards.
  QMetaObject::invokeMethod(this, &CChannelListCtrl::Fill, Qt::QueuedConnection);
}

void CChannelListCtrl::DeleteSelected() {
  CChannelTable* table = Table();
  const int row = SelectedRow();
  if (table == nullptr || row < 0 || row >= table->Count()) return;
  if (!host_.DeleteWarningOff()) {
    vd::MessageRequest request;
    request.kind = vd::MessageRequest::Kind::kDeleteStation;
    request.text = CDeleteConfirmDlg::Question(QString::fromStdString(table->Get(row)->Name()));
    const vd::MessageAnswer answer = vd::SheetMessage::Ask(this, request);
    if (!answer.accepted) return;
    if (answer.dontAskAgain) host_.SwitchOffDeleteWarning();
  }
  table->Remove(row);
  host_.RefreshChannelDisplay();
  Fill();
}

void CChannelListCtrl::DeleteAll() {
  CChannelTable* table = Table();
  if (table == nullptr || table->Count() == 0) return;
  if (!vd::SheetMessage::AskYesNo(this, QString::fromLatin1(kDeleteAllCaption),
                                  QString::fromLatin1(kDeleteAllText), true)) {
    return;
  }
  table->Clear();
  host_.RefreshChannelDisplay();
  Fill();
}

bool CChannelListCtrl::DropOnRow(const QByteArray& record, int row) {
  CChannelTable* table = Table();
  const auto decoded = vd::ChannelDragRecord::Decode(record);
  if (table == nullptr || !decoded || decoded->value == vd::ChannelDragRecord::kFileValue) {
    return false;
  }
  const int from = decoded->value;
  if (from < 0 || from >= table->Count() || row < 0 || row >= table->Count()) return false;
  if (from == row) return true;
  table->Swap(from, row);
  model_->RowsChanged(from, row);
  host_.RefreshChannelDisplay();
  return true;
}

void CChannelListCtrl::resizeEvent(QResizeEvent* event) {
  QTableView::resizeEvent(event);
  ApplyColumnWidths();
}

void CChannelListCtrl::ApplyColumnWidths() {
  const int width = viewport()->width();
  setColumnWidth(vd::ChannelListModel::kName, width * 4 / 7);
  setColumnWidth(vd::ChannelListModel::kFrequency, width * 3 / 7);
}

void CChannelListCtrl::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Delete && state() != QAbstractItemView::EditingState) {
    DeleteSelected();
    return;
  }
  QTableView::keyPressEvent(event);
}

void CChannelListCtrl::startDrag(Qt::DropActions) {
  const int row = SelectedRow();
  if (row < 0) return;
  auto* drag = new QDrag(this);  // owned by the list, as Qt requires of a drag
  drag->setMimeData(vd::ChannelDragRecord::StationMimeData(row).release());
  {
    vd::NestedLoop modal(vd::NestedLoop::Kind::kModal);
    drag->exec(Qt::CopyAction | Qt::MoveAction | Qt::LinkAction, Qt::MoveAction);
  }
  StopAutoScroll();
}

void CChannelListCtrl::dragEnterEvent(QDragEnterEvent* event) {
  if (vd::ChannelDragRecord::StationIndex(event->mimeData())) {
    event->acceptProposedAction();
  } else {
    event->ignore();
  }
}

void CChannelListCtrl::dragMoveEvent(QDragMoveEvent* event) {
  const QPoint pos = event->position().toPoint();
  UpdateAutoScroll(pos.y());
  if (vd::ChannelDragRecord::StationIndex(event->mimeData()) && indexAt(pos).isValid()) {
    event->acceptProposedAction();
  } else {
    event->ignore();
  }
}

void CChannelListCtrl::dragLeaveEvent(QDragLeaveEvent* event) {
  StopAutoScroll();
  event->accept();
}

void CChannelListCtrl::dropEvent(QDropEvent* event) {
  StopAutoScroll();
  const QMimeData* data = event->mimeData();
  const QString format = QString::fromLatin1(vd::ChannelDragRecord::kMimeType);
  const int row = indexAt(event->position().toPoint()).row();
  if (data != nullptr && data->hasFormat(format) && DropOnRow(data->data(format), row)) {
    event->acceptProposedAction();
  } else {
    event->ignore();
  }
}

int CChannelListCtrl::ScrollDirection(int y, int viewportHeight) {
  if (y < kScrollZone) return -1;
  if (y > viewportHeight - kScrollZone) return 1;
  return 0;
}

int CChannelListCtrl::AutoScrollInterval() const {
  return scrollTimer_.isActive() ? scrollTimer_.interval() : 0;
}

void CChannelListCtrl::UpdateAutoScroll(int y) {
  const int direction = ScrollDirection(y, viewport()->height());
  if (direction == scrollDirection_) return;
  scrollDirection_ = direction;
  if (direction == 0) {
    scrollTimer_.stop();
  } else {
    scrollTimer_.start(kFirstScrollMs);
  }
}

void CChannelListCtrl::StopAutoScroll() {
  scrollDirection_ = 0;
  scrollTimer_.stop();
}

void CChannelListCtrl::OnAutoScroll() {
  QScrollBar* bar = verticalScrollBar();
  bar->setValue(bar->value() + scrollDirection_ * bar->singleStep());
  if (scrollTimer_.interval() != kRepeatScrollMs) scrollTimer_.setInterval(kRepeatScrollMs);
}
