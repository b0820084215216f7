// Draws the album rows (the hot row underlined) and ends in-place renaming through the
// store: the row's text changes only when the file did.
#pragma once

#include <QStyledItemDelegate>
#include <functional>

class AlbumNameDelegate : public QStyledItemDelegate {
 public:
  // Called with the old and the new name; true when the file now has the new name.
  using RenameFn = std::function<bool(const QString& oldName, const QString& newName)>;

  AlbumNameDelegate(RenameFn rename, QObject* parent);

  void setModelData(QWidget* editor, QAbstractItemModel* model,
                    const QModelIndex& index) const override;

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

 private:
  RenameFn rename_;
};
