#include "vd/file_replace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <random>
#include <vector>

#include "vd/file_read.h"

namespace vd {

namespace {

void Report(std::string* error, const std::string& text) {
  if (error != nullptr) *error = text;
}

std::string HiddenName(const std::filesystem::path& target) {
  static thread_local std::mt19937_64 random{std::random_device{}()};
  char suffix[24];
  std::snprintf(suffix, sizeof suffix, ".%016llx", static_cast<unsigned long long>(random()));
  return "." + target.filename().string() + suffix + ".new";
}

bool SyncFolder(const std::filesystem::path& folder) {
  UniqueFd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  // Some file systems cannot sync a folder; the rename itself has still happened.
  return !dir || ::fsync(dir.Get()) == 0 || errno == EINVAL || errno == EROFS;
}

// A FIFO, a device or a folder in a file's place is somebody's, not a file of ours to
// replace: writing would hang or reach the device, renaming would swap a system file.
bool RefuseOther(const std::filesystem::path& path, std::string* error) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || S_ISREG(st.st_mode)) return false;
  const char* what = S_ISDIR(st.st_mode)                          ? "a folder"
                     : S_ISFIFO(st.st_mode)                       ? "a FIFO"
                     : S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode) ? "a device"
                                                                  : "not a regular file";
  Report(error, std::string("is ") + what + ", not a file it may replace");
  errno = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
  return true;
}

}  // namespace

// The file a path names once its links are followed, so that a replacement lands beside
// that file and the link stays: a user's settings kept elsewhere and linked in go on being
// his. A link to nothing names the file it would make. ELOOP past the kernel's own bound.
std::optional<std::filesystem::path> FollowLinks(const std::filesystem::path& path) {
  std::filesystem::path at = path;
  for (int hop = 0; hop < 40; ++hop) {
    struct stat st {};
    if (::lstat(at.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return at;
    std::vector<char> text(static_cast<size_t>(st.st_size > 0 ? st.st_size : 255) + 1);
    const ssize_t n = ::readlink(at.c_str(), text.data(), text.size());
    if (n < 0) return std::nullopt;
    if (static_cast<size_t>(n) >= text.size()) {
      errno = ENAMETOOLONG;
      return std::nullopt;
    }
    std::filesystem::path next(std::string(text.data(), static_cast<size_t>(n)));
    at = next.is_absolute() ? next : at.parent_path() / next;
  }
  errno = ELOOP;
  return std::nullopt;
}

FileReplacement::~FileReplacement() {
  Discard();
}

bool FileReplacement::Fail(int error) {
  error_ = std::strerror(error);
  Discard();
  errno = error;
  return false;
}

bool FileReplacement::Begin(const std::filesystem::path& target) {
  Discard();
  error_.clear();
  target_ = target;
  auto followed = FollowLinks(target);
  if (!followed) return Fail(errno);
  final_ = std::move(*followed);
  if (RefuseOther(final_, &error_)) return false;
  folder_ = final_.parent_path();
  if (folder_.empty()) folder_ = ".";
  // 0666 and the umask: the same permissions as any file the user makes.
  fd_.Reset(::open(folder_.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666));
  if (fd_) return true;
  const int tmpfileError = errno;
  // File systems without unnamed files: a hidden name, O_EXCL so no other writer shares it.
  if (tmpfileError == EOPNOTSUPP || tmpfileError == EISDIR || tmpfileError == EINVAL) {
    for (int attempt = 0; attempt < 100; ++attempt) {
      std::filesystem::path name = folder_ / HiddenName(final_);
      fd_.Reset(::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
      if (fd_) {
        named_ = std::move(name);
        return true;
      }
      if (errno != EEXIST) break;
    }
    return Fail(errno);
  }
  return Fail(tmpfileError);
}

bool FileReplacement::Write(std::span<const uint8_t> bytes) {
  if (!fd_) return false;
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd_.Get(), bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return Fail(errno);
    if (n == 0) return Fail(EIO);
    done += static_cast<size_t>(n);
  }
  return true;
}

bool FileReplacement::Write(std::string_view text) {
  return Write(
      std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

bool FileReplacement::CopyFrom(int sourceFd, CopyControl* control) {
  if (!fd_) return false;
  // Pieces small enough that a cancel is seen soon, large enough to keep the disk streaming.
  constexpr size_t kPiece = size_t{8} << 20;
  const auto stopped = [&](ssize_t n) {
    if (control == nullptr) return false;
    control->done += n;
    if (control->afterPiece) control->afterPiece(control->done);
    return control->cancel.load();
  };
  if (control != nullptr) {
    struct stat st {};
    if (::fstat(sourceFd, &st) == 0) control->total = st.st_size;
    if (control->cancel) return Fail(ECANCELED);
  }
  // In the kernel where it can (reflinks on file systems that have them), else by hand.
  for (;;) {
    const ssize_t n = ::copy_file_range(sourceFd, nullptr, fd_.Get(), nullptr, kPiece, 0);
    if (n == 0) return true;
    if (n > 0) {
      if (stopped(n)) return Fail(ECANCELED);
      continue;
    }
    if (errno == EINTR) continue;
    if (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP) break;
    return Fail(errno);
  }
  std::vector<uint8_t> chunk(1 << 20);
  for (;;) {
    const ssize_t n = ::read(sourceFd, chunk.data(), chunk.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return Fail(errno);
    if (n == 0) return true;
    if (!Write(std::span<const uint8_t>(chunk.data(), static_cast<size_t>(n)))) return false;
    if (stopped(n)) return Fail(ECANCELED);
  }
}

bool FileReplacement::GiveName() {
  if (!named_.empty()) return true;
  // An unnamed file gets a name through its /proc link, which needs no privilege.
  const std::string self = "/proc/self/fd/" + std::to_string(fd_.Get());
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::filesystem::path name = folder_ / HiddenName(final_);
    if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
      named_ = std::move(name);
      return true;
    }
    if (errno != EEXIST) break;
  }
  return false;
}

bool FileReplacement::Commit() {
  if (!fd_) {
    if (error_.empty()) error_ = std::strerror(EBADF);
    return false;
  }
  // Whatever took the file's place since Begin is refused as Begin would have.
  std::string refused;
  if (RefuseOther(final_, &refused)) {
    const int why = errno;
    Fail(why);
    error_ = std::move(refused);
    return false;
  }
  struct stat old {};
  if (::stat(final_.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
    if (::fchmod(fd_.Get(), old.st_mode & 07777) != 0) return Fail(errno);
  }
  if (::fsync(fd_.Get()) != 0) return Fail(errno);
  if (!GiveName()) return Fail(errno);
  if (!fd_.Close()) return Fail(errno);
  if (::rename(named_.c_str(), final_.c_str()) != 0) return Fail(errno);
  named_.clear();
  SyncFolder(folder_);
  return true;
}

bool FileReplacement::CommitNew(const std::filesystem::path& target) {
  if (!fd_) {
    if (error_.empty()) error_ = std::strerror(EBADF);
    return false;
  }
  if (::fsync(fd_.Get()) != 0) return Fail(errno);
  int result = 0;
  if (named_.empty()) {
    // linkat refuses an existing name in the same step that gives the unnamed file its name.
    const std::string self = "/proc/self/fd/" + std::to_string(fd_.Get());
    result = ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, target.c_str(), AT_SYMLINK_FOLLOW);
  } else {
    result = ::renameat2(AT_FDCWD, named_.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE);
    if (result != 0 && (errno == EINVAL || errno == ENOSYS)) {
      // A file system without the flag: a hard link refuses an existing name too.
      result = ::link(named_.c_str(), target.c_str());
      if (result == 0) ::unlink(named_.c_str());
    }
    if (result == 0) named_.clear();
  }
  if (result != 0) {
    const int error = errno;
    if (error != EEXIST) return Fail(error);
    error_ = std::strerror(EEXIST);
    errno = EEXIST;
    return false;
  }
  target_ = target;
  fd_.Reset();
  SyncFolder(folder_);
  return true;
}

void FileReplacement::Discard() {
  if (!named_.empty()) {
    const int saved = errno;
    ::unlink(named_.c_str());
    errno = saved;
    named_.clear();
  }
  fd_.Reset();
}

bool ReplaceFile(const std::filesystem::path& target, std::span<const uint8_t> bytes,
                 std::string* error) {
  FileReplacement file;
  const bool ok = file.Begin(target) && file.Write(bytes) && file.Commit();
  if (!ok) Report(error, file.Error());
  return ok;
}

bool ReplaceFile(const std::filesystem::path& target, std::string_view text, std::string* error) {
  return ReplaceFile(
      target, std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(text.data()), text.size()),
      error);
}

bool ReplaceWithCopy(const std::filesystem::path& source, const std::filesystem::path& target,
                     std::string* error, CopyControl* control) {
  std::string readError;
  UniqueFd in = OpenRegularFile(source, &readError);
  if (!in) {
    Report(error, readError);
    return false;
  }
  FileReplacement file;
  const bool ok = file.Begin(target) && file.CopyFrom(in.Get(), control) && file.Commit();
  if (!ok) Report(error, file.Error());
  return ok;
}

bool RenameReplacing(const std::filesystem::path& source, const std::filesystem::path& target,
                     std::string* error) {
  auto followed = FollowLinks(target);
  if (!followed) {
    Report(error, std::strerror(errno));
    return false;
  }
  if (RefuseOther(*followed, error)) return false;
  if (::rename(source.c_str(), followed->c_str()) != 0) {
    const int why = errno;
    Report(error, std::strerror(why));
    errno = why;
    return false;
  }
  std::filesystem::path folder = followed->parent_path();
  SyncFolder(folder.empty() ? "." : folder);
  return true;
}

bool MoveReplacing(const std::filesystem::path& source, const std::filesystem::path& target,
                   std::string* error) {
  if (RenameReplacing(source, target, error)) return true;
  if (errno != EXDEV) return false;
  if (!ReplaceWithCopy(source, target, error)) return false;
  ::unlink(source.c_str());
  return true;
}

}  // namespace vd
