// The channel list's rows, read from the channel table when the view asks for them: the
// control stores no text of its own.
#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <cstdint>
#include <memory>

class CChannelTable;

namespace vd {

class ChannelListModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  enum Column { kName = 0, kFrequency = 1, kColumnCount = 2 };

  explicit ChannelListModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}

  // A new table, or the same one after a change of its length or order; null empties the list.
  void Reset(CChannelTable* table);
  // The table shown, or null once it has gone.
  CChannelTable* Table() const { return alive_.expired() ? nullptr : table_; }
  // The texts of these rows changed (a swap).
  void RowsChanged(int a, int b);

  // "%.2f" of Hz / 1000000.
  static QString FrequencyText(uint32_t hz);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  // The name column's in-place edit: a non-empty text renames the station and reports it
  // through Renamed; an empty one changes nothing.
  bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

 signals:
  void Renamed(int row);

 private:
  CChannelTable* table_ = nullptr;
  std::weak_ptr<const void> alive_;
};

}  // namespace vd
