// Everything the tuning code needs from the rest of the viewer: settings, the user's answers,
// the mixer's mute state, the cursor and the control panel. The viewer implements it on the
// UI thread; tests implement it with a fake that records the calls.
#pragma once

#include <cstdint>
#include <string>

#include "vd/view_modes.h"

namespace vd {

// The kinds of the system beep (the values of the platform's message-beep types).
inline constexpr uint32_t kBeepDefault = 0;
inline constexpr uint32_t kBeepQuestion = 0x20;  // "nothing to tune to"

class TuningContext {
 public:
  virtual ~TuningContext() = default;

  // The data folder ("Path") that holds the channel files.
  virtual std::string DataFolder() const = 0;
  virtual vd::WorkMode WorkMode() const = 0;
  virtual int32_t Country() const = 0;  // dialling code
  virtual int32_t Source() const = 0;   // 0 cable, 1 antenna
  // "Country1": the row of the country table the user picked; it tells apart the records
  // that share code 1.
  virtual int32_t Country1() const = 0;
  virtual bool AutoScan() const = 0;
  virtual void SwitchOffAutoScan() = 0;  // in memory only
  virtual bool RemoteFmMemory() const = 0;

  // "TV_Station" and "TV_OldStation".
  virtual int32_t TvStation() const = 0;
  virtual int32_t TvOldStation() const = 0;
  virtual void WriteTvStations(int32_t station, int32_t oldStation) = 0;

  // A yes/no question with the question icon; true for Yes.
  virtual bool AskYesNo(const std::string& caption, const std::string& text) = 0;
  // An information message box.
  virtual void ShowMessage(const std::string& caption, const std::string& text) = 0;
  // Opens the automatic station search once the main window is up.
  virtual void RequestAutomaticScan() = 0;

  virtual void Beep(uint32_t kind) = 0;
  virtual bool IsMuted() const = 0;
  virtual void SetMuted(bool muted) = 0;
  // Lets the tuner settle; the viewer keeps its event loop running meanwhile.
  virtual void Wait(uint32_t milliseconds) = 0;

  virtual void BeginWaitCursor() = 0;
  virtual void EndWaitCursor() = 0;
  // The control panel's channel display.
  virtual void RefreshChannelDisplay() = 0;
  // The channel list of the automatic scan dialog, when that dialog is open.
  virtual void RefreshChannelList() = 0;
};

}  // namespace vd
