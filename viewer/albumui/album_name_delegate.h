// Draws the album rows (the hot row underlined) and ends in-place renaming through the
// store: the row's text changes only when the file did, to the name the file now has.
#pragma once

#include <QStyledItemDelegate>
#include <functional>
#include <optional>

class AlbumNameDelegate : public QStyledItemDelegate {
 public:
  // Called with the old and the typed name; the file's name now, nothing when it kept the
  // old one.
  using RenameFn =
      std::function<std::optional<QString>(const QString& oldName, const QString& newName)>;

  AlbumNameDelegate(RenameFn rename, QObject* parent);

  // The editor opens with the name before its extension selected: typing replaces the name
  // and keeps the kind of file.
  void setEditorData(QWidget* editor, const QModelIndex& index) const override;
  void setModelData(QWidget* editor, QAbstractItemModel* model,
                    const QModelIndex& index) const override;

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

 private:
  RenameFn rename_;
};
