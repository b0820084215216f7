// The album's questions and dialogs (through AlbumDialogs) and the main window's side of the
// files the album opens and saves.
#pragma once

#include <functional>

#include "album_host.h"

class CViewerDlg;

namespace vd {

class ViewerAlbumHost : public AlbumHost {
 public:
  explicit ViewerAlbumHost(CViewerDlg& window) : window_(window) {}

  // Tests answer the save dialog here instead of a file dialog.
  using SavePathFunction =
      std::function<std::optional<std::filesystem::path>(const SaveDialogRequest&)>;
  static void SetSavePathFunction(SavePathFunction function);

  bool AskYesNo(const std::string& text, const std::string& caption, MessageIcon icon,
                DefaultButton defaultButton) override;
  void ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon) override;
  std::optional<std::string> AskName(const std::string& current) override;
  std::optional<std::filesystem::path> AskSavePath(const SaveDialogRequest& request) override;
  bool IsCapturing() const override;
  std::filesystem::path CurrentFile() const override { return current_; }
  void DropCurrentFile() override;
  void OpenFile(const std::filesystem::path& path, MediaKind kind) override;
  bool SaveCaptureAs(const std::filesystem::path& path) override;
  void FilmSaved(const std::filesystem::path& path) override;
  void StillSaved(const std::filesystem::path& path) override;
  void ShowAlbumWindow() override;
  void AlbumFoldersChanged() override;

  void SetCurrentFile(const std::filesystem::path& path) { current_ = path; }

 private:
  CViewerDlg& window_;
  std::filesystem::path current_;
};

}  // namespace vd
