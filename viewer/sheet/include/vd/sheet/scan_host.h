// What the station-search page, the automatic scan dialog and the channel list need from the
// rest of the viewer: the tuner control of the mode, the settings they read and change, the
// control panel and the capture engine's active band. The main window implements it on the UI
// thread; tests implement it with a fake.
#pragma once

#include <cstdint>
#include <string>

#include "vd/view_modes.h"

class TunerControl;
struct ChannelBand;

namespace vd {

class ScanHost {
 public:
  virtual ~ScanHost() = default;

  // The tuner control of the running mode; null when there is none (no tuner, or an
  // external-input mode).
  virtual TunerControl* Tuner() = 0;
  virtual vd::WorkMode WorkMode() const = 0;
  // The interface language tag ("English", "France", ...), which picks the country names.
  virtual std::string LanguageTag() const = 0;

  // "Country" (dialling code) and "Source" (0 cable, 1 antenna), held by the main window.
  virtual int32_t Country() const = 0;
  virtual void SetCountry(int32_t code) = 0;
  virtual int32_t Source() const = 0;
  virtual void SetSource(int32_t source) = 0;
  // "Country1", stored at once: which of the records sharing code 1 the user picked.
  virtual int32_t Country1() const = 0;
  virtual void SetCountry1(int32_t index) = 0;
  // "isMTS" and the panel's sound-mode button that goes with it.
  virtual void SetIsMts(int32_t value) = 0;
  virtual void EnableSoundModeButton(bool enable) = 0;
  // The band by which TV stations are named (kept by the capture engine).
  virtual void SetActiveBand(const ChannelBand* band) = 0;

  // "DelChWarning": true once the user asked for no more delete confirmations.
  virtual bool DeleteWarningOff() const = 0;
  virtual void SwitchOffDeleteWarning() = 0;

  // The control panel: a scan began or ended (it refuses mode changes meanwhile), and its
  // channel display must show the current station again.
  virtual void ScanRunning(bool running) = 0;
  virtual void RefreshChannelDisplay() = 0;
  // Stores the mode's station list at once (a scan found stations, the dialog closes), so that a
  // crash does not lose it.
  virtual void StoreChannelList() = 0;
  // The name the tuned TV station gives itself in its teletext; empty when none has come.
  virtual std::string TeletextName() const { return {}; }
};

}  // namespace vd
