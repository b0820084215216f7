// The main window's settings: loaded once when the main window object is made, saved when
// it closes, read by the other components through SettingsSnapshot.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "first_run_defaults.h"
#include "vd/view_modes.h"

namespace vd {
class SettingsStore;
}

// The 13 main settings other components read, in this order. Numbers as stored.
struct SettingsSnapshot {
  int32_t workMode = 0;
  int32_t delChWarning = 0;
  int32_t mute = 0;
  int32_t autoScan = 0;
  int32_t displayModeWarning = 0;
  int32_t albumPageNum = 0;
  int32_t volume = 0;
  int32_t country = 0;
  int32_t toolPage[4] = {};  // iToolPage_mode0 .. iToolPage_mode3
  int32_t source = 0;
};
static_assert(sizeof(SettingsSnapshot) == 13 * sizeof(int32_t));

namespace vd {

// What loading needs from outside this library.
struct LoadContext {
  FirstRunInputs firstRun;
  // Whether a dialling code is one of the country table's codes.
  std::function<bool(int32_t)> isKnownCountry;
  // Default of Path: <dataHome>/lumatrope.
  std::filesystem::path dataHome;
  // The bus lookup found a box: its key stands whatever the device layer lists.
  bool boxOnBus = false;

  // The system's own inputs: GetOsKind(), the POSIX locale, FindDeviceNode(kDevicePattern)
  // and $XDG_DATA_HOME.
  static LoadContext FromSystem(std::function<bool(int32_t)> isKnownCountry);
  // A device the device layer lists, with its hardware key and location (DeviceInfo). A box
  // on no bus (the virtual one) is not in sysfs: its key and location count when the bus
  // lookup found no box and the key is the box's (kDevicePattern). Of several, the last
  // listed wins, as the capture engine takes the last device.
  void TakeListedDevice(const std::string& hardwareKey, const std::string& location);
};

// A value the viewer runs with, and why it is not the one stored (null when it is).
template <typename T>
struct RunValue {
  T value;
  const char* why = nullptr;
};

// The rules loading applies to a stored value; vdtool shows their results beside the file's.
RunValue<std::string> PathToRun(const std::string& stored, const std::filesystem::path& dataHome);
RunValue<int32_t> CountryToRun(int32_t stored, const LoadContext& context);
RunValue<int32_t> DelChWarningToRun(int32_t stored);
RunValue<int32_t> IsMtsToRun(std::optional<int32_t> stored, const FirstRunInputs& in);
// A setting of a few choices or a bounded scale (WorkMode, Volume, Source, MTSmode,
// MTS_PALmode): its default when the stored number is outside them. nullopt for any other.
std::optional<RunValue<int32_t>> BoundedToRun(std::string_view name, int32_t stored);

struct MainSettings {
  std::string path;
  WorkMode workMode = WorkMode::kTv;
  int32_t delChWarning = 0;
  int32_t mute = 0;
  int32_t autoScan = 1;
  int32_t displayModeWarning = 0;
  int32_t albumPageNum = 0;
  int32_t volume = 0x7FFF;
  int32_t country = kFallbackCountry;
  int32_t toolPage[4] = {};
  int32_t source = 0;
  int32_t videoBorder = 0;
  int32_t tileMode = 0;
  // Process-wide values.
  int32_t forceRatio43 = 0;
  int32_t alwaysOnTopStored = 0;
  int32_t alwaysOnTop = 0;  // the current state; the main window turns it on at start
  int32_t keyPadOpen = 0;
  int32_t vcrPadOpen = 0;
  int32_t isMts = -1;
  int32_t mtsMode = 0;
  int32_t mtsPalMode = 0;
  int32_t remoteFmMemory = 0;
  int32_t controlMasterVolume = 1;
  int32_t fmDisabled = 0;

  // Reads every value in table order and applies the first-run rules. Path's folder is made
  // when missing; a stored Path that is not absolute gives way to the default.
  void Load(const SettingsStore& store, const LoadContext& context);
  // The same without making the folder: what the viewer would run with.
  void Read(const SettingsStore& store, const LoadContext& context);
  // Writes the main settings in their order in one transaction. The caller puts the mixer's
  // mute state and volume into `mute` and `volume` first. False when the file could not be
  // written.
  bool Save(SettingsStore& store) const;

  // A null record is ignored.
  void FillSnapshot(SettingsSnapshot* out) const;
  SettingsSnapshot Snapshot() const;
  // The settings sheet's page for the current work mode; ignored for a work mode outside
  // 0..3.
  void SetToolPage(int32_t page);
};

}  // namespace vd
