#include "viewer_album_host.h"

#include "album_dialogs.h"
#include "viewer_dlg.h"

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
  return AlbumDialogs::AskYesNo(&window_, text, caption, icon, defaultButton);
}

void ViewerAlbumHost::ShowMessage(const std::string& text, const std::string& caption,
                                  MessageIcon icon) {
  window_.ShowMessageBox(caption, text, icon);
}

std::optional<std::string> ViewerAlbumHost::AskName(const std::string& current) {
  return AlbumDialogs::AskName(&window_, current);
}

std::optional<std::filesystem::path> ViewerAlbumHost::AskSavePath(
    const SaveDialogRequest& request) {
  if (SavePathOverride()) return SavePathOverride()(request);
  return AlbumDialogs::AskSavePath(&window_, request);
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
  window_.StatusLabel()->setText(QString("%1: %2 KB")
                                     .arg(QString::fromStdString(path.filename().string()))
                                     .arg(ec ? 0 : static_cast<qulonglong>(bytes / 1024)));
}

void ViewerAlbumHost::StillSaved(const std::filesystem::path&) {
  window_.StatusLabel()->clear();
}

void ViewerAlbumHost::AlbumFoldersChanged() {
  window_.FollowStillAlbum();
}

bool ViewerAlbumHost::SaveCaptureAs(const std::filesystem::path& path) {
  CaptureGraph* engine = window_.Engine();
  return engine != nullptr && engine->SaveCaptureAs(path.string());
}

void ViewerAlbumHost::ShowAlbumWindow() {
  window_.ShowAlbumWindow();
}

}  // namespace vd
