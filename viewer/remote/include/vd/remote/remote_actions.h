// The requests the remote procedure hands to the user-interface thread. Every operation is
// called on the stream parser's worker thread: an implementation only queues the request
// (and must not block for long, the parser's ring fills meanwhile); the work happens when the
// UI thread takes it from the queue.
#pragma once

#include <cstdint>
#include "vd/layout/command_ids.h"

namespace vd {

// The main window's command that opens and closes the teletext window.
inline constexpr int kTeletextCommand = command_id::kTeletext;

class RemoteActions {
 public:
  virtual ~RemoteActions() = default;

  // A command of the main window (digits 376..386, 168, 1024, 32808).
  virtual void PostMainCommand(int command) = 0;
  // A command of the control panel (1143, 1176, 1177, 1178, 561, 1131, 1133).
  virtual void PostPanelCommand(int command) = 0;
  // TV -> composite -> S-Video -> TV (radio stays radio), then apply the input without
  // advancing it; NextVideoSource gives the new input.
  virtual void PostVideoSourceCycle() = 0;
  // Radio <-> TV, then apply the input; TvRadioFlip gives the new input.
  virtual void PostTvRadioFlip() = 0;
  // Move the current station by deltaHz and tune (FineTune).
  virtual void PostFineTune(int32_t deltaHz) = 0;
  // The panel's mute toggle.
  virtual void PostMuteToggle() = 0;
  // Flip "RemoteFMmemory" and show FmMemoryText of the new state.
  virtual void PostFmMemoryToggle() = 0;
};

// The panel input after the remote's video-source key; the UI thread computes it from the
// input it holds, so two quick presses are never taken from the same stale value.
int NextVideoSource(int panelInput);
// The panel input after the remote's TV/radio key: radio goes to TV, every other input to
// radio.
int TvRadioFlip(int panelInput);
// "Memory ON" or "Memory OFF".
const char* FmMemoryText(bool on);

}  // namespace vd
