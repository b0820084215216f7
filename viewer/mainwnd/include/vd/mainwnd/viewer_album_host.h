// The album's questions and dialogs (through AlbumDialogs) and the main window's side of the
// files the album opens and saves.
#pragma once

#include <functional>

#include "vd/album/album_host.h"
#include "vd/view_modes.h"

class QString;
class QWidget;

namespace vd {

class ViewerAlbumHost : public AlbumHost {
 public:
  // What it asks of the main window.
  struct Owner {
    virtual QWidget* DialogParent() = 0;
    virtual void ShowMessageBox(const std::string& caption, const std::string& text,
                                MessageIcon icon) = 0;
    virtual vd::ViewState ViewState() const = 0;
    virtual void OpenAlbumFile(const std::string& path, bool picture) = 0;
    virtual void CloseShownFile() = 0;
    virtual void ShowStatusText(const QString& text) = 0;
    virtual void FollowStillAlbum() = 0;
    virtual bool SaveCaptureAs(const std::string& path) = 0;
    virtual void ShowAlbumWindow() = 0;

   protected:
    ~Owner() = default;
  };

  explicit ViewerAlbumHost(Owner& window) : window_(window) {}

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
  Owner& window_;
  std::filesystem::path current_;
};

}  // namespace vd
