#include "channel_files.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "channel_file.h"
#include "vd/trace.h"

VD_DEFINE_TRACE(TraceFiles, "tuning")

namespace vd {

namespace {

bool WriteAll(int fd, std::span<const uint8_t> bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

std::string FolderOf(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

void SyncFolder(const std::string& path) {
  int dir = ::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir < 0) return;
  ::fsync(dir);
  ::close(dir);
}

// The two halves of an atomic replacement, apart so that a simulated crash can fall between.
bool WriteTemporary(const std::string& tmp, std::span<const uint8_t> bytes) {
  int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  bool ok = WriteAll(fd, bytes) && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  if (!ok) ::unlink(tmp.c_str());
  return ok;
}

bool RenameOver(const std::string& tmp, const std::string& path) {
  if (::rename(tmp.c_str(), path.c_str()) != 0) {
    ::unlink(tmp.c_str());
    return false;
  }
  SyncFolder(path);
  return true;
}

}  // namespace

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
  const std::string tmp = path + ".tmp";
  if (!Step("write temporary") || !WriteTemporary(tmp, bytes)) return false;
  if (!Step("rename")) return false;
  return RenameOver(tmp, path);
}

bool ChannelFiles::WriteAtomically(const std::string& path, std::span<const uint8_t> bytes) {
  const std::string tmp = path + ".tmp";
  return WriteTemporary(tmp, bytes) && RenameOver(tmp, path);
}

std::optional<std::vector<uint8_t>> ChannelFiles::ReadFile(const std::string& path,
                                                           size_t maxBytes) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  std::vector<uint8_t> bytes;
  uint8_t chunk[4096];
  bool ok = true;
  while (bytes.size() < maxBytes) {
    ssize_t n = ::read(fd, chunk, std::min(sizeof chunk, maxBytes - bytes.size()));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) ok = false;
    if (n <= 0) break;
    bytes.insert(bytes.end(), chunk, chunk + n);
  }
  ::close(fd);
  if (!ok) return std::nullopt;
  return bytes;
}

bool ChannelFiles::BeginMode(bool radio) {
  CloseWorking();
  const std::string working = WorkingPath();
  if (!Step("remove working")) return false;
  ::unlink(working.c_str());
  // The platform's hidden attribute has no counterpart here; the names stay as they are.
  auto saved = ReadFile(SavedPath(radio), ChannelFile::kMaxBytes + 1);
  if (!saved) return true;  // no saved list yet: the table starts without a working file
  return WriteWithHook(working, *saved);
}

std::optional<std::vector<uint8_t>> ChannelFiles::ReadWorking() const {
  auto bytes = ReadFile(WorkingPath(), ChannelFile::kMaxBytes + 1);
  if (!bytes || bytes->empty()) return std::nullopt;
  return bytes;
}

bool ChannelFiles::HoldEmptyWorking() {
  CloseWorking();
  if (!Step("empty working")) return false;
  const std::string working = WorkingPath();
  ::unlink(working.c_str());
  workingFd_ = ::open(working.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (workingFd_ < 0) TraceFiles("cannot create %s\n", working.c_str());
  return workingFd_ >= 0;
}

bool ChannelFiles::StoreWorking(std::span<const uint8_t> bytes) {
  bool ok = WriteWithHook(WorkingPath(), bytes);
  CloseWorking();
  return ok;
}

bool ChannelFiles::EndMode(bool radio) {
  const std::string working = WorkingPath();
  // An empty working file means the table was never stored (even an empty table has a
  // count): the saved list must not be replaced by nothing.
  auto bytes = ReadWorking();
  if (stopped_ || !bytes) return false;
  if (!WriteWithHook(SavedPath(radio), *bytes)) return false;
  // The list is safe from here on; a working file left behind is removed at the next start.
  if (Step("remove working")) ::unlink(working.c_str());
  return true;
}

void ChannelFiles::CloseWorking() {
  if (workingFd_ >= 0) ::close(workingFd_);
  workingFd_ = -1;
}

}  // namespace vd
