// Plays recorded clips (and any media file the user opens or drops) in the video area in
// place of the live picture: one GStreamer playbin per file. Owned by CaptureGraph.
// Threads: every operation runs on the UI thread; pipeline messages reach OnPlayerEvent
// through a bus watch on the default GLib main context, which the UI loop runs.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "video_frame_sink.h"

namespace vd {

// What the player asks of the window that shows it.
class FilePlayerHost {
 public:
  // The player's failure messages ("Sorry, I do not know how to play this file.", ...).
  virtual void ShowPlayerMessage(const std::string& text) = 0;
  // Resize the main window so that its video area is width x height.
  virtual void ResizeVideoArea(int32_t width, int32_t height) = 0;
  // The clip ended (not looping): the main window updates its controls.
  virtual void OnClipEnded() = 0;
  // The playback bar's texts: clip length and elapsed time, "%002.2d:%002.2d".
  virtual void ShowPlaybackTimes(const std::string& length, const std::string& elapsed) = 0;
  // The playback bar's 1000 ms timer. A host that keeps its own timers returns true and
  // calls FilePlayer::OnPlaybackTimer(id) on every tick; by default the player runs the
  // timer itself on the default GLib main context.
  virtual bool StartPlaybackTimer(uint32_t id, uint32_t periodMs) { return false; }
  virtual void StopPlaybackTimer(uint32_t id) {}

 protected:
  ~FilePlayerHost() = default;
};

}  // namespace vd

class FilePlayer {
 public:
  enum State : int32_t { kNoFile = 0, kStopped = 1, kPaused = 2, kRunning = 3 };
  // Pipeline messages the engine forwards (the same numbers as the graph events it knows).
  enum Event : int32_t { kComplete = 1, kUserAbort = 2, kErrorAbort = 3 };

  FilePlayer(vd::VideoFrameSink* video, vd::FilePlayerHost* host);
  ~FilePlayer();
  FilePlayer(const FilePlayer&) = delete;
  FilePlayer& operator=(const FilePlayer&) = delete;

  bool OpenFile(const std::string* path);  // null: reopen the last file
  bool OpenAndShow(const std::string& path);
  bool PlayFile();
  bool PauseFile();
  bool StopFile();
  bool StopAndRewind(bool close);
  void EndOfClip();
  // Moves an open clip to `seconds` (clamped to its length); the elapsed count follows. A
  // stopped clip moved away from its start counts as paused there, so Play goes on from it.
  bool Seek(int32_t seconds);
  void ToggleLoop();
  bool GetDuration(int32_t* seconds);
  bool GetVideoSize(int32_t* width, int32_t* height);
  void OnPlayerEvent(int32_t event);
  void ResetPlayer();
  // A tick of the timer the host started through StartPlaybackTimer.
  void OnPlaybackTimer(uint32_t id);

  State GetState() const;
  bool IsActive() const;  // a file occupies the video area
  bool IsLooping() const;
  const std::string& LastFile() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};
