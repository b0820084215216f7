// Replacing a file in one step. The new version is written beside the target (same folder,
// so the same file system), synced, and renamed over it: a reader, a crash at any instant
// or a second writer sees either the old file or a complete new one, never a mix, and a
// failed or abandoned replacement leaves nothing behind.
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "vd/unique_fd.h"

namespace vd {

// A copy that runs on one thread while another shows how far it is and may stop it. The copy
// looks at `cancel` between pieces of a few megabytes, so a stop takes effect within one.
struct CopyControl {
  std::atomic<int64_t> total{0};  // the source's size, once it is open
  std::atomic<int64_t> done{0};
  std::atomic<bool> cancel{false};
  // Called on the copying thread after each piece, before `cancel` is looked at again.
  std::function<void(int64_t done)> afterPiece;
};

class FileReplacement {
 public:
  FileReplacement() = default;
  // Discards a new version that was not committed.
  ~FileReplacement();
  FileReplacement(const FileReplacement&) = delete;
  FileReplacement& operator=(const FileReplacement&) = delete;

  // Creates the new version in the target's folder: unnamed where the file system allows
  // it (a crash then leaves no trace), otherwise under a hidden name no other writer uses.
  // A symbolic link is followed: the file it leads to is replaced, in its own folder, and
  // the link stays. A FIFO, a device or a folder in the target's place is refused.
  bool Begin(const std::filesystem::path& target);
  bool Write(std::span<const uint8_t> bytes);
  bool Write(std::string_view text);
  // Appends everything `sourceFd` holds from its current offset to its end. With a control,
  // a cancel fails it with ECANCELED and discards the new version.
  bool CopyFrom(int sourceFd, CopyControl* control = nullptr);
  // Syncs the new version, gives it the target's permissions (a new file gets the user's
  // usual ones), renames it over the target and syncs the folder. False when any step
  // failed; the target is then the old one.
  bool Commit();
  // Gives the new version the name `target`, in the folder Begin was given, only when no
  // file (nor link) has that name yet: it never replaces anything. When the name is taken it
  // fails with errno EEXIST and keeps the new version, so that another name can be tried.
  bool CommitNew(const std::filesystem::path& target);
  // Throws the new version away; the target stays as it was.
  void Discard();

  int Fd() const { return fd_.Get(); }
  const std::filesystem::path& Target() const { return target_; }
  // The system's reason for the last failure, e.g. "No space left on device".
  const std::string& Error() const { return error_; }

 private:
  bool Fail(int error);
  bool GiveName();

  std::filesystem::path target_;
  std::filesystem::path final_;  // the target with its symbolic links followed
  std::filesystem::path folder_;
  std::filesystem::path named_;  // empty while the new version has no name
  UniqueFd fd_;
  std::string error_;
};

// The file a path names once its symbolic links are followed (a link to nothing names the
// file it would make); nullopt with errno on a loop or an unreadable link.
std::optional<std::filesystem::path> FollowLinks(const std::filesystem::path& path);

// The one-call forms. `error`, when given, receives the reason on failure.
bool ReplaceFile(const std::filesystem::path& target, std::span<const uint8_t> bytes,
                 std::string* error = nullptr);
bool ReplaceFile(const std::filesystem::path& target, std::string_view text,
                 std::string* error = nullptr);
// The target becomes a copy of `source`, which stays. A cancelled copy leaves the target
// as it was and nothing beside it.
bool ReplaceWithCopy(const std::filesystem::path& source, const std::filesystem::path& target,
                     std::string* error = nullptr, CopyControl* control = nullptr);
// The target becomes `source` by a rename, which takes no time whatever the size. False with
// errno EXDEV when the two are on different file systems: nothing happened, and only a copy
// can do it.
bool RenameReplacing(const std::filesystem::path& source, const std::filesystem::path& target,
                     std::string* error = nullptr);
// The target becomes `source`, which goes: a rename on one file system, a copy followed by
// the source's removal across two. On failure the source is untouched and the target is the
// old one.
bool MoveReplacing(const std::filesystem::path& source, const std::filesystem::path& target,
                   std::string* error = nullptr);

}  // namespace vd
