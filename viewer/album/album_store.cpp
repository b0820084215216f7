#include "vd/album/album_store.h"

#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "entry_name.h"
#include "vd/album/album_texts.h"
#include "vd/trace.h"

VD_DEFINE_TRACE(AlbumTrace, "album")

namespace vd {
namespace fs = std::filesystem;

namespace {

// rename() on Linux silently replaces an existing file (and an empty folder); the album
// must never lose a file that way, so a clash fails like any other error.
bool RenameNoReplace(const fs::path& from, const fs::path& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
    return true;
  }
  if (errno != EINVAL && errno != ENOSYS) return false;
  // A file system without the flag: check first, accepting the small window.
  struct stat st {};
  if (::lstat(to.c_str(), &st) == 0) {
    errno = EEXIST;
    return false;
  }
  return ::rename(from.c_str(), to.c_str()) == 0;
}

bool EndsWithExtension(std::string_view name, std::string_view extension) {
  if (name.size() < extension.size() + 1) return false;
  const size_t dot = name.size() - extension.size() - 1;
  return name[dot] == '.' &&
         ::strncasecmp(name.data() + dot + 1, extension.data(), extension.size()) == 0;
}

bool SameFolder(const fs::path& a, const fs::path& b) {
  std::error_code ec;
  if (fs::equivalent(a, b, ec)) return true;
  return a.lexically_normal() == b.lexically_normal();
}

}  // namespace

AlbumStore::Texts AlbumStore::Texts::English() {
  Texts t;
  t.galleryFolder = std::string(album_text::kGalleryFolder);
  for (std::string_view name : album_text::kDefaultAlbums) t.defaultAlbums.emplace_back(name);
  return t;
}

AlbumStore::AlbumStore(fs::path installPath, AlbumHost& host, Texts texts)
    : base_((installPath / texts.galleryFolder).lexically_normal()),
      host_(host),
      texts_(std::move(texts)) {}

bool AlbumStore::OpenStore() {
  std::error_code ec;
  fs::create_directories(base_, ec);
  if (!fs::is_directory(base_, ec)) {
    AlbumTrace("cannot make the gallery folder %s\n", base_.c_str());
    return false;
  }
  albums_.clear();
  current_ = 0;
  // Only real folders: an album that is a link could lead every operation out of the gallery.
  for (fs::directory_iterator it(base_, ec), end; !ec && it != end; it.increment(ec)) {
    if (it->is_directory(ec) && !it->is_symlink(ec)) {
      albums_.push_back(it->path().filename().string());
    }
  }
  // The folder's own order is arbitrary on Linux; the tab order (and the stored page number
  // that points into it) must not change from run to run, the first run included: the
  // default albums lead in the order they are made, the others follow by name.
  const auto rank = [this](const std::string& name) {
    const auto& defaults = texts_.defaultAlbums;
    return std::find(defaults.begin(), defaults.end(), name) - defaults.begin();
  };
  std::sort(albums_.begin(), albums_.end(), [&rank](const std::string& a, const std::string& b) {
    if (rank(a) != rank(b)) return rank(a) < rank(b);
    const int c = ::strcasecmp(a.c_str(), b.c_str());
    return c != 0 ? c < 0 : a < b;
  });
  if (albums_.empty()) {
    for (const std::string& name : texts_.defaultAlbums) {
      if (fs::create_directory(base_ / name, ec)) albums_.push_back(name);
    }
  }
  return true;
}

std::optional<size_t> AlbumStore::IndexOf(std::string_view album) const {
  const auto it = std::find(albums_.begin(), albums_.end(), album);
  if (it == albums_.end()) return std::nullopt;
  return static_cast<size_t>(it - albums_.begin());
}

void AlbumStore::SetCurrent(size_t index) {
  if (index < albums_.size()) current_ = index;
}

std::string AlbumStore::CurrentAlbum() const {
  return current_ < albums_.size() ? albums_[current_] : std::string();
}

std::string AlbumStore::CurrentAlbumPath() const {
  return texts_.galleryFolder + "/" + CurrentAlbum();
}

std::string AlbumStore::AlbumOfPath(const fs::path& path) {
  return path.parent_path().filename().string();
}

std::vector<MediaEntry> AlbumStore::ListAlbum(std::string_view album) const {
  constexpr size_t kKinds = std::size(kExtensions);
  std::vector<MediaEntry> byExtension[kKinds];
  if (!EntryName::IsValid(album)) return {};
  const fs::path folder = base_ / album;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    size_t kind = 0;
    while (kind < kKinds && !EndsWithExtension(name, kExtensions[kind])) ++kind;
    if (kind == kKinds) continue;
    struct stat st {};
    if (::stat(it->path().c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    MediaEntry entry;
    entry.kind = MediaEntry::KindOfName(name);
    entry.sizeText = MediaEntry::SizeText(static_cast<uint64_t>(st.st_size));
    entry.timeText = MediaEntry::TimeText(st.st_mtime);
    entry.name = name;
    byExtension[kind].push_back(std::move(entry));
  }
  std::vector<MediaEntry> out;
  for (auto& list : byExtension) {
    std::move(list.begin(), list.end(), std::back_inserter(out));
  }
  return out;
}

bool AlbumStore::CheckName(std::string_view name) {
  if (EntryName::IsValid(name)) return true;
  host_.ShowMessage(album_text::Substitute(album_text::kBadName, EntryName::Printable(name)),
                    std::string(album_text::kGalleryCaption), MessageIcon::kExclamation);
  return false;
}

void AlbumStore::Activate(size_t index) {
  current_ = index;
  if (view_ != nullptr) view_->CurrentAlbumChanged(index);
}

void AlbumStore::Refresh(std::string_view album) {
  const auto index = IndexOf(album);
  if (index && view_ != nullptr) view_->AlbumContentChanged(*index);
}

void AlbumStore::NewAlbum(const std::string& name) {
  if (name.empty() || !CheckName(name)) return;
  if (const auto existing = IndexOf(name)) {
    host_.ShowMessage(std::string(album_text::kAlbumExists), {}, MessageIcon::kNone);
    Activate(*existing);
    return;
  }
  if (::mkdir((base_ / name).c_str(), 0777) != 0) {
    AlbumTrace("cannot make the album folder %s\n", name.c_str());
    return;
  }
  albums_.push_back(name);
  if (view_ != nullptr) view_->AlbumAdded(albums_.size() - 1);
  Activate(albums_.size() - 1);
}

void AlbumStore::RenameAlbum(std::string_view album, const std::string& newName) {
  const auto index = IndexOf(album);
  if (!index || newName.empty() || !CheckName(newName)) return;
  std::string name = newName;
  if (IndexOf(name)) {
    host_.ShowMessage(std::string(album_text::kNameExists), {}, MessageIcon::kExclamation);
    const auto again = host_.AskName(name);
    // One more try only: a second clash or no answer ends the command.
    if (!again || again->empty() || IndexOf(*again) || !CheckName(*again)) return;
    name = *again;
  }
  if (!RenameNoReplace(base_ / albums_[*index], base_ / name)) {
    AlbumTrace("cannot rename the album folder %s\n", albums_[*index].c_str());
    return;
  }
  albums_[*index] = name;
  if (view_ != nullptr) view_->AlbumRenamed(*index);
  host_.AlbumFoldersChanged();
}

bool AlbumStore::DeleteOne(std::string_view album, const std::string& name) {
  const fs::path path = base_ / album / name;
  if (!EntryName::IsValid(name) || ::unlink(path.c_str()) != 0) {
    host_.ShowMessage(album_text::Substitute(album_text::kCannotDelete, EntryName::Printable(name)),
                      std::string(album_text::kErrorDeletingCaption), MessageIcon::kError);
    return false;
  }
  if (!host_.CurrentFile().empty() &&
      SameFolder(host_.CurrentFile().parent_path(), base_ / album) &&
      host_.CurrentFile().filename() == name) {
    host_.DropCurrentFile();
  }
  return true;
}

void AlbumStore::DeleteAlbum(std::string_view album) {
  const auto index = IndexOf(album);
  if (!index) return;
  if (albums_.size() <= 1) {
    host_.ShowMessage(std::string(album_text::kNoAlbumLeft), {}, MessageIcon::kExclamation);
    return;
  }
  const std::string name(album);
  const std::vector<MediaEntry> entries = ListAlbum(name);
  if (!entries.empty()) {
    if (!host_.AskYesNo(album_text::ReplaceStar(album_text::kConfirmAlbumDelete, name),
                        std::string(album_text::kConfirmAlbumDeleteCaption),
                        MessageIcon::kExclamation, DefaultButton::kNo)) {
      return;
    }
    for (const MediaEntry& entry : entries) DeleteOne(name, entry.name);
  }
  // rmdir, not a recursive removal: files the album does not show stay, and so does the album.
  if (::rmdir((base_ / name).c_str()) != 0) {
    AlbumTrace("album folder %s not removed\n", name.c_str());
    Refresh(name);
    return;
  }
  albums_.erase(albums_.begin() + static_cast<std::ptrdiff_t>(*index));
  if (current_ > *index || current_ >= albums_.size()) --current_;
  if (view_ != nullptr) {
    view_->AlbumRemoved(*index);
    view_->CurrentAlbumChanged(current_);
  }
  host_.AlbumFoldersChanged();
}

void AlbumStore::DeleteFiles(std::string_view album, std::span<const std::string> names) {
  if (names.empty() || !IndexOf(album)) return;
  std::string text(album_text::kConfirmFileDeleteLead);
  if (names.size() == 1) {
    text += "'" + names[0] + "' ?";
  } else {
    char count[32];
    std::snprintf(count, sizeof count, "%u items ?", static_cast<unsigned>(names.size()));
    text += count;
  }
  const std::string caption = album_text::ReplaceStar(album_text::kConfirmFileDeleteCaption,
                                                      names.size() == 1 ? "" : " multiple");
  if (!host_.AskYesNo(text, caption, MessageIcon::kExclamation, DefaultButton::kNo)) return;
  for (const std::string& name : names) DeleteOne(album, name);
  Refresh(album);
}

bool AlbumStore::RenameFile(std::string_view album, const std::string& oldName,
                            const std::string& typedName, std::string* finalName) {
  if (typedName.empty() || !IndexOf(album)) return false;
  // What the user typed is checked as typed: ".." must not pass as "...avi".
  if (typedName != oldName && !CheckName(typedName)) return false;
  // The album lists files by their extension: a name that drops or changes it would hide
  // the file, so the old extension stays (typed or not).
  std::string newName = typedName;
  for (std::string_view extension : kExtensions) {
    if (EndsWithExtension(oldName, extension) && !EndsWithExtension(newName, extension)) {
      newName += ".";
      newName += oldName.substr(oldName.size() - extension.size());
    }
  }
  if (finalName != nullptr) *finalName = newName;
  if (newName == oldName) return true;
  if (!CheckName(newName)) return false;
  const fs::path folder = base_ / album;
  if (!EntryName::IsValid(oldName) || !RenameNoReplace(folder / oldName, folder / newName)) {
    host_.ShowMessage(
        album_text::Substitute(album_text::kCannotRename, EntryName::Printable(oldName)),
        std::string(album_text::kErrorRenamingCaption), MessageIcon::kError);
    return false;
  }
  return true;
}

bool AlbumStore::MoveFileToAlbum(const fs::path& path, std::string_view album) {
  const auto target = IndexOf(album);
  const std::string name = path.filename().string();
  // Only a file of this gallery's albums moves: a record from elsewhere is not ours to take.
  if (!target || !EntryName::IsValid(name) ||
      !SameFolder(path.parent_path().parent_path(), base_) || !IndexOf(AlbumOfPath(path))) {
    AlbumTrace("drop of %s refused\n", path.c_str());
    return false;
  }
  Activate(*target);
  const fs::path to = base_ / album / name;
  if (!host_.CurrentFile().empty() &&
      SameFolder(host_.CurrentFile().parent_path(), path.parent_path()) &&
      host_.CurrentFile().filename() == path.filename()) {
    host_.ShowMessage(album_text::Substitute(album_text::kFileInUse, name), {},
                      MessageIcon::kExclamation);
    return false;
  }
  // Into its own album: nothing to do. Asking to "replace" it would delete the very file.
  if (SameFolder(path.parent_path(), base_ / album)) return false;
  const std::string from = AlbumOfPath(path);
  if (!RenameNoReplace(path, to)) {
    struct stat st {};
    if (errno != EEXIST && ::lstat(to.c_str(), &st) != 0) return false;
    if (!host_.AskYesNo(album_text::Substitute(album_text::kConfirmReplace, name),
                        std::string(album_text::kConfirmReplaceCaption), MessageIcon::kQuestion,
                        DefaultButton::kNo)) {
      return false;
    }
    // rename() replaces in one step, so a failed move cannot leave the target deleted.
    if (::rename(path.c_str(), to.c_str()) != 0) return false;
  }
  Refresh(from);
  Refresh(album);
  return true;
}

std::optional<fs::path> AlbumStore::AskSavePath(std::string_view title, std::string_view filter,
                                                std::string_view extension) {
  SaveDialogRequest request;
  request.title = std::string(title);
  request.filter = std::string(filter);
  request.defaultExtension = std::string(extension);
  request.folder = AlbumFolder(CurrentAlbum());
  return host_.AskSavePath(request);
}

bool AlbumStore::SaveStill(const BitmapInfoHeader& header, std::span<const uint8_t> pixels) {
  const auto path = AskSavePath(album_text::kSaveStillTitle, album_text::kSaveStillFilter,
                                album_text::kSaveStillExtension);
  if (!path) return false;
  std::string error;
  if (!BitmapFile::Write(*path, header, pixels, &error)) {
    host_.ShowMessage(
        album_text::Substitute(album_text::kCannotSaveStill, path->string()) + "\n" + error,
        std::string(album_text::kSaveStillTitle), MessageIcon::kError);
    return false;
  }
  host_.StillSaved(*path);
  ShowFileInAlbum(*path);
  return true;
}

bool AlbumStore::SaveFilm() {
  const auto path = AskSavePath(album_text::kSaveFilmTitle, album_text::kSaveFilmFilter,
                                album_text::kSaveFilmExtension);
  if (!path || !host_.SaveCaptureAs(*path)) return false;
  host_.FilmSaved(*path);
  ShowFileInAlbum(*path);
  return true;
}

void AlbumStore::ShowFileInAlbum(const fs::path& path) {
  const fs::path folder = path.parent_path();
  if (SameFolder(folder.parent_path(), base_)) {
    const auto index = IndexOf(folder.filename().string());
    if (index && *index != current_) Activate(*index);
  }
  if (view_ != nullptr && current_ < albums_.size()) view_->AlbumContentChanged(current_);
  host_.ShowAlbumWindow();
}

}  // namespace vd
