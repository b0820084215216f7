#include "album_name_delegate.h"

#include <QLineEdit>

AlbumNameDelegate::AlbumNameDelegate(RenameFn rename, QObject* parent)
    : QStyledItemDelegate(parent), rename_(std::move(rename)) {}

void AlbumNameDelegate::setModelData(QWidget* editor, QAbstractItemModel* model,
                                     const QModelIndex& index) const {
  auto* line = qobject_cast<QLineEdit*>(editor);
  if (line == nullptr) return;
  const QString oldName = index.data(Qt::EditRole).toString();
  const QString newName = line->text();
  if (newName.isEmpty() || newName == oldName) return;
  if (rename_ && rename_(oldName, newName)) model->setData(index, newName, Qt::EditRole);
}

void AlbumNameDelegate::initStyleOption(QStyleOptionViewItem* option,
                                        const QModelIndex& index) const {
  QStyledItemDelegate::initStyleOption(option, index);
  if (option->state & QStyle::State_MouseOver) option->font.setUnderline(true);
}
