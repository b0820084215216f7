#include "vd/albumui/album_dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

#include "vd/album/album_texts.h"
#include "vd/nested_loop.h"

namespace {

QMessageBox::Icon QtIcon(vd::MessageIcon icon) {
  switch (icon) {
    case vd::MessageIcon::kExclamation:
      return QMessageBox::Warning;
    case vd::MessageIcon::kError:
      return QMessageBox::Critical;
    case vd::MessageIcon::kQuestion:
      return QMessageBox::Question;
    case vd::MessageIcon::kInformation:
      return QMessageBox::Information;
    case vd::MessageIcon::kNone:
      break;
  }
  return QMessageBox::NoIcon;
}

QString Caption(const std::string& caption) {
  return caption.empty() ? QApplication::applicationDisplayName() : QString::fromStdString(caption);
}

}  // namespace

bool AlbumDialogs::AskYesNo(QWidget* parent, const std::string& text, const std::string& caption,
                            vd::MessageIcon icon, vd::DefaultButton defaultButton) {
  QMessageBox box(QtIcon(icon), Caption(caption), QString::fromStdString(text),
                  QMessageBox::Yes | QMessageBox::No, parent);
  box.setDefaultButton(defaultButton == vd::DefaultButton::kYes ? QMessageBox::Yes
                                                                : QMessageBox::No);
  vd::NestedLoop modal(vd::NestedLoop::Kind::kModal);
  return box.exec() == QMessageBox::Yes;
}

void AlbumDialogs::ShowMessage(QWidget* parent, const std::string& text, const std::string& caption,
                               vd::MessageIcon icon) {
  QMessageBox box(QtIcon(icon), Caption(caption), QString::fromStdString(text), QMessageBox::Ok,
                  parent);
  vd::NestedLoop modal(vd::NestedLoop::Kind::kModal);
  box.exec();
}

std::optional<std::string> AlbumDialogs::AskName(QWidget* parent, const std::string& current) {
  bool ok = false;
  vd::NestedLoop modal(vd::NestedLoop::Kind::kModal);
  const QString name =
      QInputDialog::getText(parent, QString::fromUtf8(vd::album_text::kGalleryCaption.data()),
                            "Album name:", QLineEdit::Normal, QString::fromStdString(current), &ok);
  if (!ok) return std::nullopt;
  return name.toStdString();
}

std::optional<std::filesystem::path> AlbumDialogs::AskSavePath(
    QWidget* parent, const vd::SaveDialogRequest& request) {
  QFileDialog dialog(parent, QString::fromStdString(request.title),
                     QString::fromStdString(request.folder.string()), QtFilter(request.filter));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setDefaultSuffix(QString::fromStdString(request.defaultExtension));
  vd::NestedLoop modal(vd::NestedLoop::Kind::kModal);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return std::filesystem::path(dialog.selectedFiles().first().toStdString());
}

QString AlbumDialogs::QtFilter(const std::string& filter) {
  const QStringList parts = QString::fromStdString(filter).split('|');
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    if (parts[i].isEmpty()) break;
    const QString patterns = QString(parts[i + 1]).replace(';', ' ');
    // Qt reads the patterns from the parentheses; add them when the description has none.
    filters << (parts[i].contains('(') ? parts[i] : parts[i] + " (" + patterns + ")");
  }
  return filters.join(";;");
}
