// What the album needs from the window around it and from the main window: questions,
// messages and dialogs, and the main window's view of the file it shows or plays. The album
// window implements it for the program; tests implement it with a fake.
//
// Every call comes on the UI thread.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace vd {

enum class MessageIcon { kNone, kExclamation, kError, kQuestion, kInformation };
enum class DefaultButton { kYes, kNo };
enum class MediaKind { kFilm, kPicture };

struct SaveDialogRequest {
  // Flags of the save dialog: overwrite prompt, hide read-only, keep the current folder,
  // path must exist, no read-only return.
  static constexpr uint32_t kOptions = 0x880E;

  std::string title;
  // In the "description|pattern|...||" form; the Qt side turns it into its own.
  std::string filter;
  std::string defaultExtension;
  std::filesystem::path folder;
  uint32_t options = kOptions;
};

class AlbumHost {
 public:
  virtual ~AlbumHost() = default;

  // A Yes/No question; true for Yes.
  virtual bool AskYesNo(const std::string& text, const std::string& caption, MessageIcon icon,
                        DefaultButton defaultButton) = 0;
  // An OK message. An empty caption stands for the program's name.
  virtual void ShowMessage(const std::string& text, const std::string& caption,
                           MessageIcon icon) = 0;
  // Asks for an album name, proposing `current`; nothing when cancelled.
  virtual std::optional<std::string> AskName(const std::string& current) = 0;
  // The save-file dialog; nothing when cancelled.
  virtual std::optional<std::filesystem::path> AskSavePath(const SaveDialogRequest& request) = 0;

  // Whether a capture runs (opening, dropping and double clicks are refused then).
  virtual bool IsCapturing() const = 0;
  // The file the main window shows or plays; empty when none.
  virtual std::filesystem::path CurrentFile() const = 0;
  // The current file is being deleted: stop showing or playing it.
  virtual void DropCurrentFile() = 0;
  // Open a file in the main window in place of the live picture; `kind` says how.
  virtual void OpenFile(const std::filesystem::path& path, MediaKind kind) = 0;
  // The capture engine's "save capture as": copies the capture file to `path`.
  virtual bool SaveCaptureAs(const std::filesystem::path& path) = 0;
  // A saved film becomes the main window's current file, its size goes to the status display.
  virtual void FilmSaved(const std::filesystem::path& path) = 0;
  // A saved still resets the main window's status display.
  virtual void StillSaved(const std::filesystem::path& path) = 0;
  // The album has a new entry to show: the main window shows the album window.
  virtual void ShowAlbumWindow() = 0;
  // An album folder was renamed or removed: whatever points into it follows.
  virtual void AlbumFoldersChanged() {}
};

}  // namespace vd
