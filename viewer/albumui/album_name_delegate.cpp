#include "album_name_delegate.h"

#include <QLineEdit>
#include <QPointer>

AlbumNameDelegate::AlbumNameDelegate(RenameFn rename, QObject* parent)
    : QStyledItemDelegate(parent), rename_(std::move(rename)) {}

void AlbumNameDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
  QStyledItemDelegate::setEditorData(editor, index);
  auto* line = qobject_cast<QLineEdit*>(editor);
  if (line == nullptr) return;
  const int dot = line->text().lastIndexOf('.');
  if (dot <= 0) return;
  // The view selects the whole text once the editor is set up: the base name is selected
  // after that.
  QPointer<QLineEdit> guarded(line);
  QMetaObject::invokeMethod(
      line,
      [guarded, dot] {
        if (guarded) guarded->setSelection(0, dot);
      },
      Qt::QueuedConnection);
}

void AlbumNameDelegate::setModelData(QWidget* editor, QAbstractItemModel* model,
                                     const QModelIndex& index) const {
  auto* line = qobject_cast<QLineEdit*>(editor);
  if (line == nullptr) return;
  const QString oldName = index.data(Qt::EditRole).toString();
  const QString newName = line->text();
  if (newName.isEmpty() || newName == oldName || !rename_) return;
  if (const std::optional<QString> now = rename_(oldName, newName)) {
    model->setData(index, *now, Qt::EditRole);
  }
}

void AlbumNameDelegate::initStyleOption(QStyleOptionViewItem* option,
                                        const QModelIndex& index) const {
  QStyledItemDelegate::initStyleOption(option, index);
  if (option->state & QStyle::State_MouseOver) option->font.setUnderline(true);
}
