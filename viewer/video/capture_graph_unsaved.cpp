// CaptureGraph: recordings nobody saved go to the album instead of being overwritten.
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>

#include "avi_mend.h"
#include "vd/album/album_texts.h"
#include "vd/file_replace.h"
#include "vd/trace.h"
#include "vd/tuning/channel_files.h"
#include "vd/video/capture_graph.h"

VD_DEFINE_TRACE(TraceUnsaved, "video")

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

}  // namespace

std::string CaptureGraph::UnsavedMarkPath() const {
  const std::filesystem::path capture(captureFilePath_);
  return (capture.parent_path() / ("." + capture.filename().string() + ".unsaved")).string();
}

void CaptureGraph::MarkUnsaved(bool unsaved) {
  if (captureFilePath_.empty()) return;
  const std::string mark = UnsavedMarkPath();
  if (!unsaved) {
    ::unlink(mark.c_str());
    return;
  }
  const int fd = ::open(mark.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
  if (fd >= 0) {
    ::close(fd);
  } else {
    TraceUnsaved("cannot mark %s as unsaved: %s\n", captureFilePath_.c_str(), strerror(errno));
  }
}

bool CaptureGraph::UsableCaptureName(const std::string& name) {
  if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos)
    return false;
  const std::string gallery(vd::album_text::kGalleryFolder);
  for (const char* own : {vd::ChannelFiles::kWorkingName, vd::ChannelFiles::kTvName,
                          vd::ChannelFiles::kRadioName, gallery.c_str()}) {
    if (::strcasecmp(name.c_str(), own) == 0) return false;
  }
  return true;
}

bool CaptureGraph::ForeignFileAtCapturePath() const {
  const int fd = ::open(captureFilePath_.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
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

void CaptureGraph::FindLeftoverCapture() {
  // The capture file holds an unsaved recording while its mark is there: every recording
  // marks it before it starts, and only a save or a keep takes the mark away. A pre-allocated
  // file keeps its saved film after the save, also once it is no longer kept pre-allocated,
  // so the file alone says nothing. A marked one found at start belongs to a viewer that was
  // killed, so it gets the end its writer could not write and joins the unsaved recordings.
  if (!HasRecording(captureFilePath_)) return;
  struct stat mark {};
  if (::stat(UnsavedMarkPath().c_str(), &mark) != 0) return;
  if (ForeignFileAtCapturePath()) {
    vd::LogWrite("video", vd::LogLevel::kWarning,
                 "%s is not a recording of this program: it is left as it is",
                 captureFilePath_.c_str());
    return;
  }
  std::string why;
  uint32_t frames = 0;
  const bool mended = MendKeepingTime(&why, &frames);
  if (!mended) {
    // Not an AVI this program can mend: kept as it is rather than lost.
    TraceUnsaved("left-over capture %s cannot be mended: %s\n", captureFilePath_.c_str(),
                 why.c_str());
  } else if (frames == 0) {
    MarkUnsaved(false);
    return;  // killed before the first picture: nothing was recorded
  }
  unsavedCapture_ = true;
}

bool CaptureGraph::MendKeepingTime(std::string* why, uint32_t* frames) {
  // The file's time is when the recording ended; the mend must not make it the time of the
  // start that mends it.
  struct stat before {};
  const bool timed = ::stat(captureFilePath_.c_str(), &before) == 0;
  const bool mended = vd::AviMend::Mend(captureFilePath_, why, frames);
  if (timed) {
    const timespec times[2] = {before.st_atim, before.st_mtim};
    ::utimensat(AT_FDCWD, captureFilePath_.c_str(), times, 0);
  }
  return mended;
}

std::string CaptureGraph::KeepUnsavedCapture() {
  return KeepUnsaved(true);
}

std::string CaptureGraph::KeepUnsaved(bool tell) {
  keepFailure_.clear();
  if (!unsavedCapture_ || lifecycle_.IsCapturing()) return {};
  if (!HasRecording(captureFilePath_)) {
    unsavedCapture_ = false;
    MarkUnsaved(false);
    return {};
  }
  std::filesystem::path album;
  {
    std::lock_guard lock(stillMutex_);
    // A viewer that quits before it learned the album (no card) leaves the recording, marked,
    // for the next start that knows it; a new recording is not held back for it.
    if (!albumKnown_ && !tell) return {};
    album = stillFolder_;
  }
  if (!album.has_filename()) album = album.parent_path();  // the separator is optional
  const std::filesystem::path data = std::filesystem::path(captureFilePath_).parent_path();
  std::error_code ec;
  std::string albumError;
  if (std::filesystem::equivalent(album, data, ec)) album.clear();
  const std::filesystem::path wanted = album;
  if (!album.empty() && !std::filesystem::is_directory(album, ec)) {
    albumError = "there is no such folder";
    album.clear();
  }
  // A pipeline still holding the file would write the next recording into the kept one.
  if (lifecycle_.HasCaptureGraph()) TearDownGraph();
  if (unmended_) {
    // Without its index the film would not play from the album: it stays the unsaved
    // capture, mended at the next start or the next keep, when the disk has room again.
    std::string why;
    uint32_t frames = 0;
    if (!MendKeepingTime(&why, &frames)) {
      keepFailure_ = "it could not be given its index (" + why + ")";
      TraceUnsaved("cannot keep %s: %s\n", captureFilePath_.c_str(), keepFailure_.c_str());
      return {};
    }
    unmended_ = false;
    if (frames == 0) {
      // Only sound reached the disk before it filled: an album entry that plays as nothing.
      framesRecorded_ = 0;
      unsavedCapture_ = false;
      MarkUnsaved(false);
      return {};
    }
  }
  // Named from the end of the recording, which may be days before the start that keeps it.
  struct stat st {};
  const std::time_t recorded =
      ::stat(captureFilePath_.c_str(), &st) == 0 ? st.st_mtime : std::time(nullptr);
  std::string kept;
  if (!album.empty()) kept = KeepAsDated(album, recorded, &albumError);
  // An album folder that cannot be written (read-only, another user's) must not hold back
  // the next recording: the recording stays beside the capture file, under a name of its own.
  std::string dataError;
  if (kept.empty()) kept = KeepAsDated(data, recorded, &dataError);
  if (kept.empty()) {
    keepFailure_ = album.empty()
                       ? "it cannot be renamed in " + data.string() + " (" + dataError + ")"
                       : "it can be moved neither into the album folder " + album.string() + " (" +
                             albumError + ") nor into " + data.string() + " (" + dataError + ")";
    TraceUnsaved("cannot keep %s: %s\n", captureFilePath_.c_str(), keepFailure_.c_str());
    return {};
  }
  unsavedCapture_ = false;
  MarkUnsaved(false);
  ReadCaptureFileSize();
  host_.MarkAlbumForRefresh();
  // At quit no window is left to say it: the line on standard error is all there is.
  vd::LogWrite("video", vd::LogLevel::kWarning, "the last recording was not saved; kept as %s",
               kept.c_str());
  if (tell && !albumError.empty()) {
    host_.ShowMessage(
        "The last recording was not saved and could not be moved to the album "
        "folder " +
        wanted.string() + " (" + albumError + "). It was kept as " + kept + ".");
  }
  return kept;
}

std::string CaptureGraph::KeepAsDated(const std::filesystem::path& folder, std::time_t recorded,
                                      std::string* error) {
  std::error_code ec;
  for (int copy = 1; copy < 100; ++copy) {
    const std::filesystem::path target = folder / DatedName(recorded, copy);
    bool ok = false;
    if (!settings_.allocMem) {
      ok = ::renameat2(AT_FDCWD, captureFilePath_.c_str(), AT_FDCWD, target.c_str(),
                       RENAME_NOREPLACE) == 0;
      if (!ok && errno == EEXIST) continue;
    }
    // A pre-allocated capture file stays for the next recording; another file system
    // cannot take a rename.
    if (!ok) {
      if (std::filesystem::exists(target, ec)) continue;
      if (!vd::ReplaceWithCopy(captureFilePath_, target, error)) return {};
      if (!settings_.allocMem) std::remove(captureFilePath_.c_str());
    }
    return target.string();
  }
  *error = "every dated name is taken";
  return {};
}
