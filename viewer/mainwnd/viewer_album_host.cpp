#include "vd/mainwnd/viewer_album_host.h"

#include <QString>

#include "vd/albumui/album_dialogs.h"

namespace vd {

namespace {
ViewerAlbumHost::SavePathFunction& SavePathOverride() {
  static ViewerAlbumHost::SavePathFunction function;
  return function;
}
}  // namespace

void ViewerAlbumHost::SetSavePathFunction(SavePathFunction function) {
  SavePathOverride() = std::move(function);
}

bool ViewerAlbumHost::AskYesNo(const std::string& text, const std::string& caption,
                               MessageIcon icon, DefaultButton defaultButton) {
  return AlbumDialogs::AskYesNo(window_.DialogParent(), text, caption, icon, defaultButton);
}

void ViewerAlbumHost::ShowMessage(const std::string& text, const std::string& caption,
                                  MessageIcon icon) {
  window_.ShowMessageBox(caption, text, icon);
}

std::optional<std::string> ViewerAlbumHost::AskName(const std::string& current) {
  return AlbumDialogs::AskName(window_.DialogParent(), current);
}

std::optional<std::filesystem::path> ViewerAlbumHost::AskSavePath(
    const SaveDialogRequest& request) {
  if (SavePathOverride()) return SavePathOverride()(request);
  return AlbumDialogs::AskSavePath(window_.DialogParent(), request);
}

bool ViewerAlbumHost::IsCapturing() const {
  return IsRecordingView(window_.ViewState());
}

void ViewerAlbumHost::DropCurrentFile() {
  current_.clear();
  window_.CloseShownFile();
}

void ViewerAlbumHost::OpenFile(const std::filesystem::path& path, MediaKind kind) {
  current_ = path;
  window_.OpenAlbumFile(path.string(), kind == MediaKind::kPicture);
  // A file the window could not open is not in use.
  if (!ShowsAlbumFile(window_.ViewState())) current_.clear();
}

void ViewerAlbumHost::FilmSaved(const std::filesystem::path& path) {
  current_ = path;
  std::error_code ec;
  const auto bytes = std::filesystem::file_size(path, ec);
  window_.ShowStatusText(QString("%1: %2 KB")
                             .arg(QString::fromStdString(path.filename().string()))
                             .arg(ec ? 0 : static_cast<qulonglong>(bytes / 1024)));
}

void ViewerAlbumHost::StillSaved(const std::filesystem::path&) {
  window_.ShowStatusText(QString());
}

void ViewerAlbumHost::AlbumFoldersChanged() {
  window_.FollowStillAlbum();
}

bool ViewerAlbumHost::SaveCaptureAs(const std::filesystem::path& path) {
  return window_.SaveCaptureAs(path.string());
}

void ViewerAlbumHost::ShowAlbumWindow() {
  window_.ShowAlbumWindow();
}

}  // namespace vd
