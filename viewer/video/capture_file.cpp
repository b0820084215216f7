#include "vd/video/capture_file.h"

#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <thread>

#include "avi_mend.h"
#include "vd/album/album_texts.h"
#include "vd/file_replace.h"
#include "vd/settings/settings_table.h"
#include "vd/trace.h"
#include "vd/tuning/channel_files.h"
#include "vd/unique_fd.h"
#include "vd/video/capture_host.h"
#include "vd/video/capture_lifecycle.h"
#include "vd/video/capture_settings.h"

VD_DEFINE_TRACE(TraceFile, "video")

namespace vd {
namespace {

bool HasRecording(const std::string& path) {
  struct stat st {};
  // Anything past the RIFF header and the first list is a recording worth keeping.
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 64;
}

std::string DatedName(std::time_t when, int copy) {
  std::tm local{};
  ::localtime_r(&when, &local);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H.%M.%S", &local);
  std::string name = std::string("Capture ") + stamp;
  if (copy > 1) name += " (" + std::to_string(copy) + ")";
  return name + ".avi";
}

// Reserves `bytes` for the capture file at `path`, creating it if needed. The space is reserved
// beyond the file's end: whatever AVI the file holds stays valid.
bool Preallocate(const std::string& path, int64_t bytes) {
  const UniqueFd file(::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644));
  return file && ::fallocate(file.Get(), FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(bytes)) == 0;
}

}  // namespace

CaptureFile::CaptureFile(CaptureSettings& settings, CaptureHost& host,
                         const CaptureLifecycle& lifecycle)
    : settings_(settings), host_(host), lifecycle_(lifecycle) {}

void CaptureFile::Open(const std::string& dataFolder) {
  std::string name = settings_.captureFile;
  if (!UsableCaptureName(name)) {
    LogWrite("video", LogLevel::kWarning,
             "the capture file name \"%s\" is not a file of its own in %s; using \"%s\"",
             name.c_str(), dataFolder.c_str(), setting::kDefaultCaptureFile.data());
    name = setting::kDefaultCaptureFile;
  }
  path_ = dataFolder + "/" + name;
  FindLeftover();
  ReadSize();
  if (settings_.allocMem && existingSizeKb_ != settings_.preAllocSizeKb) {
    if (Allocate(settings_.preAllocSizeKb)) existingSizeKb_ = settings_.preAllocSizeKb;
  }
  if (existingSizeKb_ == 0) settings_.allocMem = false;
}

void CaptureFile::ReadSize() {
  struct stat st {};
  existingSizeKb_ = 0;
  if (::stat(path_.c_str(), &st) == 0) {
    // A reservation beyond the end counts: that is what pre-allocation keeps.
    int64_t bytes = std::max<int64_t>(st.st_size, static_cast<int64_t>(st.st_blocks) * 512);
    existingSizeKb_ = bytes / 1024;
  }
}

bool CaptureFile::UseCaptureFile(const std::string& path) {
  if (lifecycle_.IsCapturing() || savingCopy_ || path.empty()) return false;
  path_ = path;
  return true;
}

FileOptions CaptureFile::Options() {
  FileOptions o;
  o.path = path_;
  o.sizeKb = static_cast<int32_t>(std::min<int64_t>(existingSizeKb_, settings_.preAllocSizeKb));
  if (o.sizeKb == 0) settings_.allocMem = false;
  o.allocate = settings_.allocMem;
  return o;
}

void CaptureFile::SetOptions(const FileOptions& o) {
  settings_.allocMem = o.allocate;
  int64_t current = std::min<int64_t>(existingSizeKb_, settings_.preAllocSizeKb);
  if (o.allocate && o.sizeKb != current) Allocate(o.sizeKb);
}

bool CaptureFile::Allocate(int32_t kb) {
  if (kb <= 0) return false;
  if (!Preallocate(path_, int64_t{kb} * 1024)) {
    host_.ShowMessageBox("Error", "Failed to pre-allocate capture file space");
    return false;
  }
  settings_.preAllocSizeKb = kb;
  existingSizeKb_ = kb;
  return true;
}

void CaptureFile::RecordingStarts() {
  framesRecorded_ = -1;
  unmended_ = false;
  MarkUnsaved(true);
}

void CaptureFile::RecordingRefused(int64_t frames) {
  if (!unsaved_) MarkUnsaved(false);
  framesRecorded_ = frames;
}

void CaptureFile::RecordingEnded(int64_t frames, bool unmended) {
  framesRecorded_ = frames;
  unmended_ = unmended;
  // A recording that ended before its first picture (a disk full at once) holds no film:
  // kept, it would be an album entry that plays as nothing.
  unsaved_ = framesRecorded_ != 0;
  if (!unsaved_) MarkUnsaved(false);
}

std::string CaptureFile::MarkPath() const {
  const std::filesystem::path capture(path_);
  return (capture.parent_path() / ("." + capture.filename().string() + ".unsaved")).string();
}

void CaptureFile::MarkUnsaved(bool unsaved) {
  if (path_.empty()) return;
  const std::string mark = MarkPath();
  if (!unsaved) {
    ::unlink(mark.c_str());
    return;
  }
  const int fd = ::open(mark.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
  if (fd >= 0) {
    ::close(fd);
  } else {
    TraceFile("cannot mark %s as unsaved: %s\n", path_.c_str(), strerror(errno));
  }
}

bool CaptureFile::UsableCaptureName(const std::string& name) {
  if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos)
    return false;
  const std::string gallery(album_text::kGalleryFolder);
  for (const char* own : {ChannelFiles::kWorkingName, ChannelFiles::kTvName,
                          ChannelFiles::kRadioName, gallery.c_str()}) {
    if (::strcasecmp(name.c_str(), own) == 0) return false;
  }
  return true;
}

bool CaptureFile::IsForeign() const {
  const int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  struct stat st {};
  bool foreign = false;
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) {
    // Every AVI the recorder writes starts "RIFF", its size, "AVI "; one cut off early still
    // starts with as much of that as it holds.
    static constexpr char kRiffAvi[] = "RIFF????AVI ";
    char head[12] = {};
    const ssize_t got = ::pread(fd, head, sizeof head, 0);
    foreign = got <= 0;
    for (ssize_t i = 0; i < got; ++i) {
      if (kRiffAvi[i] != '?' && head[i] != kRiffAvi[i]) foreign = true;
    }
  }
  ::close(fd);
  return foreign;
}

void CaptureFile::FindLeftover() {
  // The capture file holds an unsaved recording while its mark is there: every recording
  // marks it before it starts, and only a save or a keep takes the mark away. A pre-allocated
  // file keeps its saved film after the save, also once it is no longer kept pre-allocated,
  // so the file alone says nothing. A marked one found at start belongs to a viewer that was
  // killed, so it gets the end its writer could not write and joins the unsaved recordings.
  if (!HasRecording(path_)) return;
  struct stat mark {};
  if (::stat(MarkPath().c_str(), &mark) != 0) return;
  if (IsForeign()) {
    LogWrite("video", LogLevel::kWarning,
             "%s is not a recording of this program: it is left as it is", path_.c_str());
    return;
  }
  std::string why;
  uint32_t frames = 0;
  const bool mended = MendKeepingTime(&why, &frames);
  if (!mended) {
    // Not an AVI this program can mend: kept as it is rather than lost.
    TraceFile("left-over capture %s cannot be mended: %s\n", path_.c_str(), why.c_str());
  } else if (frames == 0) {
    MarkUnsaved(false);
    return;  // killed before the first picture: nothing was recorded
  }
  unsaved_ = true;
}

bool CaptureFile::MendKeepingTime(std::string* why, uint32_t* frames) {
  // The file's time is when the recording ended; the mend must not make it the time of the
  // start that mends it.
  struct stat before {};
  const bool timed = ::stat(path_.c_str(), &before) == 0;
  const bool mended = AviMend::Mend(path_, why, frames);
  if (timed) {
    const timespec times[2] = {before.st_atim, before.st_mtim};
    ::utimensat(AT_FDCWD, path_.c_str(), times, 0);
  }
  return mended;
}

std::string CaptureFile::Keep(std::filesystem::path album, bool albumKnown, bool tell,
                              const std::function<void()>& release) {
  keepFailure_.clear();
  if (!unsaved_ || lifecycle_.IsCapturing()) return {};
  if (!HasRecording(path_)) {
    unsaved_ = false;
    MarkUnsaved(false);
    return {};
  }
  // A viewer that quits before it learned the album (no card) leaves the recording, marked,
  // for the next start that knows it; a new recording is not held back for it.
  if (!albumKnown && !tell) return {};
  if (!album.has_filename()) album = album.parent_path();  // the separator is optional
  const std::filesystem::path data = std::filesystem::path(path_).parent_path();
  std::error_code ec;
  std::string albumError;
  if (std::filesystem::equivalent(album, data, ec)) album.clear();
  const std::filesystem::path wanted = album;
  if (!album.empty() && !std::filesystem::is_directory(album, ec)) {
    albumError = "there is no such folder";
    album.clear();
  }
  // A pipeline still holding the file would write the next recording into the kept one.
  release();
  if (unmended_ && !MendBeforeKeep()) return {};
  const std::string kept = MoveAway(album, data, &albumError);
  if (kept.empty()) return {};
  unsaved_ = false;
  MarkUnsaved(false);
  ReadSize();
  host_.MarkAlbumForRefresh();
  // At quit no window is left to say it: the line on standard error is all there is.
  LogWrite("video", LogLevel::kWarning, "the last recording was not saved; kept as %s",
           kept.c_str());
  if (tell && !albumError.empty()) {
    host_.ShowMessage(
        "The last recording was not saved and could not be moved to the album "
        "folder " +
        wanted.string() + " (" + albumError + "). It was kept as " + kept + ".");
  }
  return kept;
}

bool CaptureFile::MendBeforeKeep() {
  // Without its index the film would not play from the album: it stays the unsaved
  // capture, mended at the next start or the next keep, when the disk has room again.
  std::string why;
  uint32_t frames = 0;
  if (!MendKeepingTime(&why, &frames)) {
    keepFailure_ = "it could not be given its index (" + why + ")";
    TraceFile("cannot keep %s: %s\n", path_.c_str(), keepFailure_.c_str());
    return false;
  }
  unmended_ = false;
  if (frames == 0) {
    // Only sound reached the disk before it filled: an album entry that plays as nothing.
    framesRecorded_ = 0;
    unsaved_ = false;
    MarkUnsaved(false);
    return false;
  }
  return true;
}

std::string CaptureFile::MoveAway(const std::filesystem::path& album,
                                  const std::filesystem::path& data, std::string* albumError) {
  // Named from the end of the recording, which may be days before the start that keeps it.
  struct stat st {};
  const std::time_t recorded = ::stat(path_.c_str(), &st) == 0 ? st.st_mtime : std::time(nullptr);
  std::string kept;
  if (!album.empty()) kept = KeepAsDated(album, recorded, albumError);
  // An album folder that cannot be written (read-only, another user's) must not hold back
  // the next recording: the recording stays beside the capture file, under a name of its own.
  std::string dataError;
  if (kept.empty()) kept = KeepAsDated(data, recorded, &dataError);
  if (kept.empty()) {
    keepFailure_ = album.empty()
                       ? "it cannot be renamed in " + data.string() + " (" + dataError + ")"
                       : "it can be moved neither into the album folder " + album.string() + " (" +
                             *albumError + ") nor into " + data.string() + " (" + dataError + ")";
    TraceFile("cannot keep %s: %s\n", path_.c_str(), keepFailure_.c_str());
  }
  return kept;
}

std::string CaptureFile::KeepAsDated(const std::filesystem::path& folder, std::time_t recorded,
                                     std::string* error) {
  std::error_code ec;
  for (int copy = 1; copy < 100; ++copy) {
    const std::filesystem::path target = folder / DatedName(recorded, copy);
    bool ok = false;
    if (!settings_.allocMem) {
      ok = ::renameat2(AT_FDCWD, path_.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0;
      if (!ok && errno == EEXIST) continue;
    }
    // A pre-allocated capture file stays for the next recording; another file system
    // cannot take a rename.
    if (!ok) {
      if (std::filesystem::exists(target, ec)) continue;
      if (!ReplaceWithCopy(path_, target, error)) return {};
      if (!settings_.allocMem) std::remove(path_.c_str());
    }
    return target.string();
  }
  *error = "every dated name is taken";
  return {};
}

void CaptureFile::RemoveScratch() {
  // The capture file is a scratch file unless it is kept pre-allocated for the next run; a
  // recording in it that could not be kept stays, and the next start finds it.
  if (!settings_.allocMem && !unsaved_ && !path_.empty() && !IsForeign()) {
    std::remove(path_.c_str());
    MarkUnsaved(false);
  }
}

bool CaptureFile::SaveAs(const std::string& target) {
  if (lifecycle_.IsCapturing() || savingCopy_) return false;
  // A film without a picture plays as nothing: it must not take the place of a file there.
  if (framesRecorded_ == 0) {
    host_.ShowMessageBox("", "Capture file save ERROR\n" + target +
                                 ": the recording holds no picture, so it was not saved");
    return false;
  }
  // The target is replaced in one step, and only once the recording is whole beside it: a
  // failed save keeps both the capture file and the film it was to overwrite.
  std::string error;
  struct stat from {};
  struct stat to {};
  // Saved onto itself (by any path) the film would stay the scratch file that the viewer
  // deletes or records over.
  const bool itself = ::stat(path_.c_str(), &from) == 0 && ::stat(target.c_str(), &to) == 0 &&
                      from.st_dev == to.st_dev && from.st_ino == to.st_ino;
  if (itself)
    error =
        "this is the capture file itself, which the next recording reuses; "
        "choose another name";
  bool aborted = false;
  bool ok = false;
  if (!itself && settings_.allocMem) {
    ok = Copy(target, &error, &aborted);
  } else if (!itself) {
    // A rename is instant whatever the size; only another file system needs the copy.
    ok = RenameReplacing(path_, target, &error);
    if (!ok && errno == EXDEV) {
      ok = Copy(target, &error, &aborted);
      if (ok) ::unlink(path_.c_str());
    }
  }
  if (aborted) {
    TraceFile("saving %s as %s aborted\n", path_.c_str(), target.c_str());
    host_.ShowMessageBox("", "Capture file save aborted");
    return false;
  }
  if (!ok) {
    TraceFile("cannot save %s as %s: %s\n", path_.c_str(), target.c_str(), error.c_str());
    host_.ShowMessageBox("", "Capture file save ERROR\n" + target + ": " + error);
    return false;
  }
  unsaved_ = false;
  MarkUnsaved(false);
  ReadSize();
  host_.MarkAlbumForRefresh();
  return true;
}

int64_t CaptureFile::FreeDiskSpaceKB(const std::string& path) {
  std::error_code ec;
  std::filesystem::path p = std::filesystem::absolute(path, ec);
  while (!p.empty() && !std::filesystem::exists(p, ec) && p != p.root_path()) p = p.parent_path();
  struct statvfs fs {};
  if (p.empty() || ::statvfs(p.c_str(), &fs) != 0) return -1;
  return static_cast<int64_t>(fs.f_bavail) * static_cast<int64_t>(fs.f_frsize) / 1024;
}

bool CaptureFile::Copy(const std::string& target, std::string* error, bool* aborted) {
  CopyControl control;
  control.afterPiece = copyWatch_;
  std::atomic<bool> finished{false};
  bool ok = false;
  std::string failure;
  const std::string source = path_;
  savingCopy_ = true;
  std::thread worker([&] {
    ok = ReplaceWithCopy(source, target, &failure, &control);
    finished = true;
  });
  host_.WaitForCopy(control, [&finished] { return finished.load(); });
  // A host that gave up waiting early still must not leave the copy running.
  worker.join();
  savingCopy_ = false;
  *aborted = !ok && control.cancel;
  *error = failure;
  return ok;
}
}  // namespace vd
