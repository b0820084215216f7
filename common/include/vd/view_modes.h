// The viewer's two shared words: the work mode (which input is watched) and the view state
// (what the main window shows). They live here, in the layer every component may include,
// so that tuning, video and the settings sheet name them instead of copying their numbers.
#pragma once

namespace vd {

// The numbers are the ones the settings file stores under WorkMode; they never change.
enum class WorkMode : int { kSVideo = 0, kComposite = 1, kRadio = 2, kTv = 3 };

inline constexpr int kWorkModeCount = 4;

constexpr int StoredNumber(WorkMode mode) {
  return static_cast<int>(mode);
}

// A stored number out of range is read as TV, the default mode.
constexpr WorkMode WorkModeFromStored(int stored) {
  return stored >= 0 && stored < kWorkModeCount ? static_cast<WorkMode>(stored) : WorkMode::kTv;
}

// Composite and S-Video: the picture comes from a socket, not from the tuner.
constexpr bool IsExternalInput(WorkMode mode) {
  return mode == WorkMode::kSVideo || mode == WorkMode::kComposite;
}

// What the main window shows. Code names the states; their numbers mean nothing of their own.
enum class ViewState : int {
  kStartUp = 0,  // the window is being built; no live picture yet
  kLive,         // the live picture (or, in radio, the live sound)
  kCapturing,    // recording
  kClipOpen,     // a film of the album plays in the window
  kStillShown,   // a picture of the album is shown
  kFinishing,    // a recording has stopped and is being saved
};

// Start-up and live: the live picture is (to be) on show and nothing of the album is.
constexpr bool IsLive(ViewState state) {
  return state == ViewState::kStartUp || state == ViewState::kLive;
}

// Recording, or saving what was recorded: the device and the album's next file are busy.
constexpr bool IsRecordingView(ViewState state) {
  return state == ViewState::kCapturing || state == ViewState::kFinishing;
}

// A file of the album is on show in place of the live picture.
constexpr bool ShowsAlbumFile(ViewState state) {
  return state == ViewState::kClipOpen || state == ViewState::kStillShown;
}

// Every change the window makes, and no other: a change outside this table is an order of work
// gone wrong (a file opened over a recording, a recording that finishes without having begun).
constexpr bool ViewStateChangeAllowed(ViewState from, ViewState to) {
  using V = ViewState;
  switch (to) {
    // Only the start itself stands in the start-up state.
    case V::kStartUp:
      return from == V::kStartUp;
    // Anything ends in live: a stopped file, a saved or aborted recording, a new work mode.
    case V::kLive:
      return true;
    case V::kCapturing:
      return IsLive(from);
    case V::kFinishing:
      return from == V::kCapturing;
    // A file opens over live, over another file, or over a recording just saved (its film),
    // never over a recording that is running.
    case V::kClipOpen:
    case V::kStillShown:
      return from != V::kCapturing;
  }
  return false;
}

constexpr const char* NameOf(ViewState state) {
  switch (state) {
    case ViewState::kStartUp:
      return "start-up";
    case ViewState::kLive:
      return "live";
    case ViewState::kCapturing:
      return "capturing";
    case ViewState::kClipOpen:
      return "clip open";
    case ViewState::kStillShown:
      return "still shown";
    case ViewState::kFinishing:
      return "finishing";
  }
  return "?";
}

}  // namespace vd
