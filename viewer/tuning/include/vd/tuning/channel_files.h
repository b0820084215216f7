// The three channel files in the data folder and the way a mode moves its list in and out:
// the working file "ChList.CFG" is filled from the mode's saved file when the mode starts,
// kept empty and open while it runs, and written back into the saved file when it ends.
//
// Every replacement goes through a temporary file, fsync and rename, so at every instant the
// saved file holds one complete list: the one from the start of the mode, or the one stored
// last while it runs, until the new one has fully reached the disk.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "vd/unique_fd.h"

namespace vd {

class ChannelFiles {
 public:
  static constexpr const char* kWorkingName = "ChList.CFG";
  static constexpr const char* kTvName = "TV.CFG";
  static constexpr const char* kRadioName = "FM.CFG";

  explicit ChannelFiles(std::string folder);
  ~ChannelFiles();
  ChannelFiles(const ChannelFiles&) = delete;
  ChannelFiles& operator=(const ChannelFiles&) = delete;

  const std::string& Folder() const { return folder_; }
  std::string WorkingPath() const;
  std::string SavedPath(bool radio) const;

  // Called before every step that changes the disk; returning false stops that step and the
  // rest of the operation, as if the process had died there. Lets tests cut the protocol at
  // any point.
  void SetStepHook(std::function<bool(std::string_view step)> hook) { hook_ = std::move(hook); }

  // Start of a mode: the working file becomes a copy of the saved file (or is absent when
  // there is none). False when the copy could not be written; the saved list is then still
  // what ReadWorking returns.
  bool BeginMode(bool radio);
  // The working file's contents (or the saved list the working file could not take);
  // nullopt when it is missing or empty (no list).
  std::optional<std::vector<uint8_t>> ReadWorking() const;
  // Empties the working file and keeps it open while the mode runs.
  bool HoldEmptyWorking();
  // Writes the table into the working file and closes it. A list that is what the saved
  // file held when it was read or stored last is not written at all.
  bool StoreWorking(std::span<const uint8_t> bytes);
  // While the mode runs: the table goes into the working file and the mode's saved file at
  // once, so that a crash keeps it (a finished scan, the settings sheet's changes). True when
  // the saved file holds it; an unchanged list is not written again.
  bool StoreNow(bool radio, std::span<const uint8_t> bytes);
  // End of a mode: the saved file is replaced by the working file, which is then removed.
  // False when the saved file could not be replaced (it keeps the list of the mode's start).
  // An unchanged list leaves the saved file as it is.
  bool EndMode(bool radio);

  // A copy of a damaged saved list beside it ("TV.CFG.damaged", then ".damaged.2", ...), made
  // before the list of the stations that could be read replaces it. An earlier copy with the
  // same bytes is used again and never overwritten. The copy's path, or empty with the reason
  // in `error`.
  std::string KeepDamaged(bool radio, std::span<const uint8_t> bytes, std::string* error);

  // Replaced in one step: temporary file of this writer's own, fsync, rename, fsync of the
  // folder. `error` receives the reason on failure.
  static bool WriteAtomically(const std::string& path, std::span<const uint8_t> bytes,
                              std::string* error = nullptr);
  // At most maxBytes bytes; nullopt when the file cannot be read or is not a regular file
  // (a FIFO in its place is refused without blocking; errno is ENOENT when it is missing).
  static std::optional<std::vector<uint8_t>> ReadFile(const std::string& path, size_t maxBytes,
                                                      std::string* error = nullptr);

 private:
  bool Step(std::string_view step);
  bool IsSaved(std::span<const uint8_t> bytes) const;
  bool WriteWithHook(const std::string& path, std::span<const uint8_t> bytes);
  void CloseWorking();

  std::string folder_;
  std::function<bool(std::string_view)> hook_;
  bool stopped_ = false;
  // The last StoreWorking failed: a working file left from StoreNow is older than the table.
  bool storeFailed_ = false;
  UniqueFd workingFd_;
  std::optional<std::vector<uint8_t>> savedCopy_;
  // What the saved file held when this mode read or stored it last; none when unknown.
  std::optional<std::vector<uint8_t>> savedBytes_;
  // The last StoreWorking found the list as the saved file holds it.
  bool unchanged_ = false;
};

}  // namespace vd
