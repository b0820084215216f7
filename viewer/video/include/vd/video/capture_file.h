// The file recordings go into, and the recordings in it that nobody saved.
//
// A recording that was never saved (the save dialog cancelled, a capture cut by a full disk or
// a stop signal, one a killed viewer left behind) is never thrown away: before the capture
// file is reused and when the engine goes, it moves into the album as "Capture <date>
// <time>.avi", or, when that folder cannot take it, beside the capture file under such a name.
//
// Threads: the UI thread; a save's copy runs on a worker while the host waits.
#pragma once

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <functional>
#include <string>

#include "disk_budget.h"

namespace vd {
class CaptureHost;
class CaptureLifecycle;
struct CaptureSettings;

struct FileOptions {
  std::string path;
  int32_t sizeKb = 0;
  bool allocate = false;
};

class CaptureFile {
 public:
  CaptureFile(CaptureSettings& settings, CaptureHost& host, const CaptureLifecycle& lifecycle);
  CaptureFile(const CaptureFile&) = delete;
  CaptureFile& operator=(const CaptureFile&) = delete;

  // At start: the file named in the settings inside `dataFolder` (the default name where
  // that is not a file of its own there), a recording a killed viewer left in it mended and
  // counted as unsaved, and its pre-allocation as the settings want it.
  void Open(const std::string& dataFolder);
  const std::string& Path() const { return path_; }
  // Records into `path` instead of the data folder's capture file (not while recording):
  // a file beside the save's target shares its disk, so the free-space guard measures the
  // disk the recording ends on and the save is a rename that needs no room.
  bool UseCaptureFile(const std::string& path);
  // The most a recording writes before it is ended (the AVI index's room unless a caller
  // wants less); the next recording keeps to it.
  void SetLargestCaptureFile(int64_t bytes) { largest_ = bytes; }
  int64_t LargestCaptureFile() const { return largest_; }
  FileOptions Options();
  void SetOptions(const FileOptions& options);

  // A recording starts writing: the mark that tells an unsaved one from a saved one is set.
  void RecordingStarts();
  // The start failed after `frames` pictures reached the file (it may have been emptied).
  void RecordingRefused(int64_t frames);
  // The recording ended with `frames` pictures in the file; `unmended` when no index could
  // be written after it (tried again before it is kept).
  void RecordingEnded(int64_t frames, bool unmended);
  // Pictures the last recording put into the file; -1 before a recording has ended.
  int64_t FramesRecorded() const { return framesRecorded_; }
  bool HasUnsavedCapture() const { return unsaved_; }
  // Why the last attempt to keep the unsaved recording failed.
  const std::string& KeepFailure() const { return keepFailure_; }
  // The unsaved recording moved into `album` or beside the capture file; `release` lets go
  // of whatever still holds the file first. Returns the new name, or empty when there was
  // nothing to keep or it could not be kept (the file then stays as it is). `tell`: the user
  // hears where it went when it is not the album; without it, a recording waits for a start
  // that knows the album (`albumKnown`).
  std::string Keep(std::filesystem::path album, bool albumKnown, bool tell,
                   const std::function<void()>& release);
  // At the engine's end: a scratch file that holds nothing to keep goes.
  void RemoveScratch();
  // A file at the capture path that no recording of this program wrote: never moved,
  // deleted or recorded over.
  bool IsForeign() const;

  // Copies (a pre-allocated capture file, another file system) run on a worker thread while
  // the host waits (CaptureHost::WaitForCopy); an abort keeps the recording unsaved.
  bool SaveAs(const std::string& target);
  // A save is copying the capture file: nothing may write, move or delete it.
  bool SavingCopy() const { return savingCopy_; }
  // Called on the copying thread after each piece of a save's copy (tests use it to act
  // while a copy is known to be under way).
  void WatchSaveCopy(std::function<void(int64_t done)> afterPiece) {
    copyWatch_ = std::move(afterPiece);
  }

  // The space left to an unprivileged user on the disk `path` is on (or would be on: the
  // nearest folder that exists decides), in KB; -1 when it cannot be told.
  static int64_t FreeDiskSpaceKB(const std::string& path);
  // A name that stays in the data folder and is none of the program's other files there.
  static bool UsableCaptureName(const std::string& name);

 private:
  void ReadSize();
  bool Allocate(int32_t kb);
  void FindLeftover();
  // A pre-allocated capture file outlives every recording, so a mark beside it tells a
  // killed viewer's unsaved recording from one that was saved: set before a recording
  // writes, cleared once it is saved or kept.
  std::string MarkPath() const;
  void MarkUnsaved(bool unsaved);
  // AviMend::Mend on the file, leaving its time as the recording left it.
  bool MendKeepingTime(std::string* why, uint32_t* frames);
  // The index a full disk kept from an unsaved recording; false when it cannot be kept (yet).
  bool MendBeforeKeep();
  // The file under a dated name in `album`, else in `data`; empty with the reason when
  // neither takes it.
  std::string MoveAway(const std::filesystem::path& album, const std::filesystem::path& data,
                       std::string* albumError);
  // The file under a dated name in `folder` that nothing has yet; empty with *error when the
  // folder cannot take it.
  std::string KeepAsDated(const std::filesystem::path& folder, std::time_t recorded,
                          std::string* error);
  // The file copied over `target` off the UI thread; *aborted when the user stopped it.
  bool Copy(const std::string& target, std::string* error, bool* aborted);

  CaptureSettings& settings_;
  CaptureHost& host_;
  const CaptureLifecycle& lifecycle_;
  std::string path_;
  int64_t largest_ = DiskBudget::kAviFileBytes;
  int64_t existingSizeKb_ = 0;
  int64_t framesRecorded_ = -1;
  bool unsaved_ = false;     // the file holds a recording nobody saved
  std::string keepFailure_;  // why the last attempt to keep it failed
  bool unmended_ = false;    // its writer failed and no index could be written after it
  bool savingCopy_ = false;
  std::function<void(int64_t)> copyWatch_;
};
}  // namespace vd
