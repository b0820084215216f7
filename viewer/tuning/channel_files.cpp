#include "vd/tuning/channel_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "vd/file_read.h"
#include "vd/file_replace.h"
#include "vd/trace.h"
#include "vd/tuning/channel_file.h"

VD_DEFINE_TRACE(TraceFiles, "tuning")

namespace vd {

ChannelFiles::ChannelFiles(std::string folder) : folder_(std::move(folder)) {}

ChannelFiles::~ChannelFiles() {
  CloseWorking();
}

std::string ChannelFiles::WorkingPath() const {
  return folder_ + "/" + kWorkingName;
}

std::string ChannelFiles::SavedPath(bool radio) const {
  return folder_ + "/" + (radio ? kRadioName : kTvName);
}

bool ChannelFiles::Step(std::string_view step) {
  if (stopped_) return false;
  if (hook_ && !hook_(step)) stopped_ = true;
  return !stopped_;
}

bool ChannelFiles::WriteWithHook(const std::string& path, std::span<const uint8_t> bytes) {
  // Each writer has its own new version, so two programs storing one list at once cannot
  // write into each other's file: the last rename wins, whole.
  FileReplacement file;
  if (!Step("write temporary")) return false;
  if (!file.Begin(path) || !file.Write(bytes)) {
    TraceFiles("cannot write %s: %s\n", path.c_str(), file.Error().c_str());
    return false;
  }
  if (!Step("rename")) return false;
  if (file.Commit()) return true;
  TraceFiles("cannot replace %s: %s\n", path.c_str(), file.Error().c_str());
  return false;
}

bool ChannelFiles::WriteAtomically(const std::string& path, std::span<const uint8_t> bytes,
                                   std::string* error) {
  return ReplaceFile(path, bytes, error);
}

std::optional<std::vector<uint8_t>> ChannelFiles::ReadFile(const std::string& path, size_t maxBytes,
                                                           std::string* error) {
  return ReadRegularFile(path, maxBytes, error);
}

std::string ChannelFiles::KeepDamaged(bool radio, std::span<const uint8_t> bytes,
                                      std::string* error) {
  const std::string base = SavedPath(radio) + ".damaged";
  for (int n = 1; n <= 99; ++n) {
    const std::string path = n == 1 ? base : base + "." + std::to_string(n);
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0) {
      auto earlier = ReadFile(path, bytes.size() + 1);
      if (earlier && std::equal(bytes.begin(), bytes.end(), earlier->begin(), earlier->end()))
        return path;
      continue;
    }
    if (!Step("keep damaged")) return {};
    if (WriteAtomically(path, bytes, error)) return path;
    TraceFiles("cannot keep %s: %s\n", path.c_str(), error != nullptr ? error->c_str() : "");
    return {};
  }
  if (error != nullptr) *error = "too many earlier copies";
  return {};
}

bool ChannelFiles::IsSaved(std::span<const uint8_t> bytes) const {
  return savedBytes_ &&
         std::equal(bytes.begin(), bytes.end(), savedBytes_->begin(), savedBytes_->end());
}

bool ChannelFiles::BeginMode(bool radio) {
  CloseWorking();
  savedCopy_.reset();
  savedBytes_.reset();
  unchanged_ = false;
  const std::string working = WorkingPath();
  if (!Step("remove working")) return false;
  ::unlink(working.c_str());
  // The platform's hidden attribute has no counterpart here; the names stay as they are.
  auto saved = ReadFile(SavedPath(radio), ChannelFile::kMaxBytes + 1);
  if (!saved) return true;  // no saved list yet: the table starts without a working file
  savedBytes_ = *saved;
  if (WriteWithHook(working, *saved)) return true;
  // A folder the working copy cannot be written to (read-only, full) must not hide a list
  // that can be read: the table gets the saved list itself, and the end of the mode reports
  // that nothing could be stored.
  if (!stopped_) savedCopy_ = std::move(saved);
  return false;
}

std::optional<std::vector<uint8_t>> ChannelFiles::ReadWorking() const {
  if (savedCopy_ && !savedCopy_->empty()) return savedCopy_;
  auto bytes = ReadFile(WorkingPath(), ChannelFile::kMaxBytes + 1);
  if (!bytes || bytes->empty()) return std::nullopt;
  return bytes;
}

bool ChannelFiles::HoldEmptyWorking() {
  CloseWorking();
  if (!Step("empty working")) return false;
  const std::string working = WorkingPath();
  ::unlink(working.c_str());
  workingFd_.Reset(
      ::open(working.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0644));
  if (!workingFd_) TraceFiles("cannot create %s\n", working.c_str());
  return workingFd_.Valid();
}

bool ChannelFiles::StoreWorking(std::span<const uint8_t> bytes) {
  savedCopy_.reset();
  // Nothing to store: a read-only folder then costs nothing, and a list another program
  // stored meanwhile is not overwritten by one this mode only read.
  unchanged_ = IsSaved(bytes);
  if (unchanged_) {
    storeFailed_ = false;
    CloseWorking();
    return true;
  }
  bool ok = WriteWithHook(WorkingPath(), bytes);
  storeFailed_ = !ok;
  CloseWorking();
  return ok;
}

bool ChannelFiles::StoreNow(bool radio, std::span<const uint8_t> bytes) {
  if (IsSaved(bytes)) return true;
  const std::string working = WorkingPath();
  if (WriteWithHook(working, bytes)) {
    savedCopy_.reset();
    // The held descriptor still names the file the rename replaced.
    workingFd_.Reset(::open(working.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW));
  }
  if (!WriteWithHook(SavedPath(radio), bytes)) return false;
  savedBytes_.emplace(bytes.begin(), bytes.end());
  return true;
}

bool ChannelFiles::EndMode(bool radio) {
  const std::string working = WorkingPath();
  // An empty working file means the table was never stored (even an empty table has a
  // count): the saved list must not be replaced by nothing. Nor by a list stored while the
  // mode ran when the final store failed: the user must hear that the last changes are lost.
  if (stopped_) return false;
  if (unchanged_) {
    if (Step("remove working")) ::unlink(working.c_str());
    return true;
  }
  auto bytes = ReadWorking();
  if (storeFailed_ || !bytes) return false;
  if (!WriteWithHook(SavedPath(radio), *bytes)) return false;
  savedBytes_ = std::move(bytes);
  // The list is safe from here on; a working file left behind is removed at the next start.
  if (Step("remove working")) ::unlink(working.c_str());
  return true;
}

void ChannelFiles::CloseWorking() {
  workingFd_.Reset();
}

}  // namespace vd
