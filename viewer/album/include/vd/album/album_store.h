// The album store: the gallery folder below the installation folder, one sub-folder per
// album, the media files in them. No index file: folders and names are the whole store.
//
// UI thread only. Questions and messages go through the host; tab and list changes are
// announced to the view, when one is set.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "album_host.h"
#include "album_view.h"
#include "bitmap_file.h"
#include "media_entry.h"

namespace vd {

class AlbumStore {
 public:
  // Extensions of media files, in listing order.
  static constexpr std::string_view kExtensions[] = {"avi", "bmp", "mpg"};

  struct Texts {
    // The gallery folder's name in the interface language.
    std::string galleryFolder;
    // The albums a first start creates, in order.
    std::vector<std::string> defaultAlbums;
    static Texts English();
  };

  // `installPath` is the setting "Path".
  AlbumStore(std::filesystem::path installPath, AlbumHost& host, Texts texts = Texts::English());

  void SetView(AlbumView* view) { view_ = view; }

  // Creates the gallery folder when missing, reads the albums, and creates the default albums
  // when the gallery holds none. False when the gallery folder cannot be made.
  bool OpenStore();

  const std::filesystem::path& BasePath() const { return base_; }
  const std::vector<std::string>& Albums() const { return albums_; }
  std::optional<size_t> IndexOf(std::string_view album) const;
  std::filesystem::path AlbumFolder(std::string_view album) const { return base_ / album; }

  // The album of the active tab. Out-of-range indexes are ignored.
  size_t Current() const { return current_; }
  void SetCurrent(size_t index);
  std::string CurrentAlbum() const;
  // The gallery folder name, "/" and the current album's name.
  std::string CurrentAlbumPath() const;

  // The name of the folder holding `path`.
  static std::string AlbumOfPath(const std::filesystem::path& path);

  // For each extension in order, the album's matching files as the folder lists them.
  std::vector<MediaEntry> ListAlbum(std::string_view album) const;

  void NewAlbum(const std::string& name);
  void RenameAlbum(std::string_view album, const std::string& newName);
  void DeleteAlbum(std::string_view album);
  void DeleteFiles(std::string_view album, std::span<const std::string> names);
  // True when the file now has the new name (in *finalName when given): the typed name,
  // with the old extension added when it does not end in it. An empty name keeps the old one.
  bool RenameFile(std::string_view album, const std::string& oldName, const std::string& typedName,
                  std::string* finalName = nullptr);
  // Moves a dropped file into `album`. True when it moved.
  bool MoveFileToAlbum(const std::filesystem::path& path, std::string_view album);
  // Offers the still save dialog and writes the picture. True when a file was written.
  bool SaveStill(const BitmapInfoHeader& header, std::span<const uint8_t> pixels);
  // Offers the film save dialog and has the capture engine save there. False on cancel or
  // failure (the main window then returns to live view).
  bool SaveFilm();
  void ShowFileInAlbum(const std::filesystem::path& path);

 private:
  bool CheckName(std::string_view name);
  bool DeleteOne(std::string_view album, const std::string& name);
  std::optional<std::filesystem::path> AskSavePath(std::string_view title, std::string_view filter,
                                                   std::string_view extension);
  void Refresh(std::string_view album);
  void Activate(size_t index);

  std::filesystem::path base_;
  AlbumHost& host_;
  Texts texts_;
  AlbumView* view_ = nullptr;
  std::vector<std::string> albums_;
  size_t current_ = 0;
};

}  // namespace vd
