#include "channel_list_model.h"

#include <cstdio>

#include "vd/tuning/channel_table.h"

namespace vd {

void ChannelListModel::Reset(CChannelTable* table) {
  beginResetModel();
  table_ = table;
  alive_ = table != nullptr ? table->LifeToken() : std::weak_ptr<const void>();
  endResetModel();
}

void ChannelListModel::RowsChanged(int a, int b) {
  for (int row : {a, b}) {
    if (row >= 0 && row < rowCount()) emit dataChanged(index(row, kName), index(row, kFrequency));
  }
}

QString ChannelListModel::FrequencyText(uint32_t hz) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", hz / 1000000.0);
  return QString::fromLatin1(text);
}

int ChannelListModel::rowCount(const QModelIndex& parent) const {
  const CChannelTable* table = Table();
  if (parent.isValid() || table == nullptr) return 0;
  return table->Count();
}

int ChannelListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumnCount;
}

QVariant ChannelListModel::data(const QModelIndex& index, int role) const {
  const CChannelTable* table = Table();
  if (!index.isValid() || table == nullptr) return {};
  const CChannel* channel = table->Get(index.row());
  if (channel == nullptr) return {};
  if (role != Qt::DisplayRole && role != Qt::EditRole) return {};
  if (index.column() == kName) return QString::fromStdString(channel->Name());
  if (index.column() == kFrequency && role == Qt::DisplayRole) {
    return FrequencyText(channel->frequency);
  }
  return {};
}

QVariant ChannelListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  if (section == kName) return QStringLiteral("Name");
  if (section == kFrequency) return QStringLiteral("Frequency");
  return {};
}

Qt::ItemFlags ChannelListModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::ItemIsDropEnabled;
  Qt::ItemFlags f =
      Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled | Qt::ItemIsDropEnabled;
  if (index.column() == kName) f |= Qt::ItemIsEditable;
  return f;
}

bool ChannelListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  CChannelTable* table = Table();
  if (role != Qt::EditRole || !index.isValid() || index.column() != kName || table == nullptr) {
    return false;
  }
  const std::string name = value.toString().toStdString();
  if (name.empty() || !table->Rename(index.row(), name)) return false;
  emit Renamed(index.row());
  return true;
}

}  // namespace vd
