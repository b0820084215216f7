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
                                  MessageIcon) {
  window_.ShowMessageBox(caption, text);
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
  return window_.ViewState() == 2 || window_.ViewState() == 5;
}

void ViewerAlbumHost::DropCurrentFile() {
  current_.clear();
  if (window_.ViewState() == 3 || window_.ViewState() == 4) window_.SetViewState(1);
}

void ViewerAlbumHost::OpenFile(const std::filesystem::path& path, MediaKind kind) {
  current_ = path;
  window_.OpenAlbumFile(path.string(), kind == MediaKind::kPicture);
}

bool ViewerAlbumHost::SaveCaptureAs(const std::filesystem::path& path) {
  CaptureGraph* engine = window_.Engine();
  return engine != nullptr && engine->SaveCaptureAs(path.string());
}

void ViewerAlbumHost::ShowAlbumWindow() {
  window_.ShowAlbumWindow();
}

}  // namespace vd
