#include "vd/settings/main_settings.h"

#include <system_error>

#include "startup_helpers.h"
#include "vd/settings/locale_ids.h"
#include "vd/settings/settings_store.h"
#include "vd/settings/settings_table.h"
#include "xdg_paths.h"

namespace vd {

LoadContext LoadContext::FromSystem(std::function<bool(int32_t)> isKnownCountry) {
  LoadContext c;
  c.firstRun.osKind = GetOsKind();
  c.firstRun.locale = SystemLocaleIds();
  if (auto node = FindDeviceNode(kDevicePattern)) {
    c.firstRun.hardwareKey = node->hardwareKey;
    c.boxOnBus = true;
  }
  c.isKnownCountry = std::move(isKnownCountry);
  c.dataHome = xdg::DataHome();
  return c;
}

void LoadContext::TakeListedDevice(const std::string& hardwareKey, const std::string& location) {
  if (boxOnBus || ContainsNoCase(hardwareKey, kDevicePattern) == 0) return;
  firstRun.hardwareKey = hardwareKey;
  firstRun.deviceLocation = location;
}

RunValue<std::string> PathToRun(const std::string& stored, const std::filesystem::path& dataHome) {
  // A relative folder (such as a drive-letter path from an imported file) would put the
  // channel files wherever the viewer happened to be started.
  if (std::filesystem::path(stored).is_absolute()) return {stored};
  return {(dataHome / "lumatrope").string(), "not an absolute folder"};
}

RunValue<int32_t> CountryToRun(int32_t stored, const LoadContext& context) {
  RunValue<int32_t> run{stored};
  if (stored < 1) {
    run.value = DefaultCountry(context.firstRun);
    run.why = CountryFromLocation(context.firstRun.deviceLocation)
                  ? "below 1, so the place the TV box stands in decides"
              : context.firstRun.hardwareKey ? "below 1, so the device's product id decides"
                                             : "below 1, so the system's language decides";
  }
  if (context.isKnownCountry && !context.isKnownCountry(run.value)) {
    run.value = kFallbackCountry;
    run.why = "no country of the table has that code";
  }
  return run;
}

RunValue<int32_t> DelChWarningToRun(int32_t stored) {
  // The channel-delete warning is asked again in every run.
  if (stored == 0) return {0};
  return {0, "the delete warning is asked again in every run"};
}

RunValue<int32_t> IsMtsToRun(std::optional<int32_t> stored, const FirstRunInputs& in) {
  // The computed sound family is a first-run default: the one stored (the search page sets
  // it with the country) stands, when it is one of the three.
  if (stored && *stored >= -1 && *stored <= 1) return {*stored};
  return {DefaultIsMts(in),
          stored           ? (in.hardwareKey ? "outside -1..1, so the device's product id decides"
                                             : "outside -1..1, so the system's language decides")
          : in.hardwareKey ? "the device's product id decides"
                           : "the system's language decides"};
}

namespace {

// The stored numbers that name one of a few choices or lie on a scale: anything else (a
// hand edit, another program's value) runs, and is saved back, as the default.
struct Bounds {
  std::string_view name;
  int32_t low;
  int32_t high;
  int32_t fallback;
};
constexpr Bounds kBounds[] = {
    {setting::kWorkMode, 0, kWorkModeCount - 1, setting::kDefaultWorkMode},
    {setting::kVolume, 0, 65535, setting::kDefaultVolume},
    {setting::kSource, 0, 1, 0},
    {setting::kMtsMode, 0, 2, 0},
    {setting::kMtsPalMode, 0, 1, 0},
};

int32_t Bounded(std::string_view name, int32_t stored) {
  auto run = BoundedToRun(name, stored);
  return run ? run->value : stored;
}

}  // namespace

std::optional<RunValue<int32_t>> BoundedToRun(std::string_view name, int32_t stored) {
  for (const Bounds& b : kBounds) {
    if (b.name != name) continue;
    if (stored >= b.low && stored <= b.high) return RunValue<int32_t>{stored};
    return RunValue<int32_t>{b.fallback, "outside the values it can take"};
  }
  return std::nullopt;
}

void MainSettings::Load(const SettingsStore& store, const LoadContext& context) {
  Read(store, context);
  const std::string defaultPath = (context.dataHome / "lumatrope").string();
  std::error_code ec;
  // The data folder itself may not exist yet on a new account; a stored folder is made one
  // level only, as the user chose it.
  if (path == defaultPath) std::filesystem::create_directories(context.dataHome, ec);
  if (!path.empty()) std::filesystem::create_directory(path, ec);
}

void MainSettings::Read(const SettingsStore& store, const LoadContext& context) {
  using namespace setting;
  const std::string defaultPath = (context.dataHome / "lumatrope").string();
  path = PathToRun(store.ReadString(kSection, kPath, defaultPath), context.dataHome).value;

  delChWarning = store.ReadBool(kSection, kDelChWarning, 0);
  albumPageNum = store.ReadDword(kSection, kAlbumPageNum, 0);
  for (int i = 0; i < 4; ++i) toolPage[i] = store.ReadDword(kSection, kToolPageMode[i], 0);
  mute = store.ReadBool(kSection, kMute, 0);
  volume = Bounded(kVolume, store.ReadDword(kSection, kVolume, kDefaultVolume));
  country = store.ReadDword(kSection, kCountry, 0);
  source = Bounded(kSource, store.ReadDword(kSection, kSource, 0));
  workMode = WorkModeFromStored(
      Bounded(kWorkMode, store.ReadDword(kSection, kWorkMode, kDefaultWorkMode)));
  autoScan = store.ReadBool(kSection, kAutoScan, kDefaultAutoScan);
  displayModeWarning = store.ReadBool(kSection, kDisplayModeWarning, 0);
  forceRatio43 = store.ReadDword(kSection, kForceRatio43, 0);
  alwaysOnTopStored = store.ReadDword(kSection, kAlwaysOnTop, 0);
  alwaysOnTop = 0;
  videoBorder = store.ReadDword(kSection, kVideoBorder, 0);
  tileMode = store.ReadDword(kSection, kTileMode, 0);
  keyPadOpen = store.ReadDword(kSection, kKeyPadOpen, 0);
  vcrPadOpen = store.ReadDword(kSection, kVcrPadOpen, 0);
  const std::optional<int32_t> storedIsMts = store.FindDword(kSection, kIsMts);
  mtsMode = Bounded(kMtsMode, store.ReadDword(kSection, kMtsMode, 0));
  mtsPalMode = Bounded(kMtsPalMode, store.ReadDword(kSection, kMtsPalMode, 0));
  remoteFmMemory = store.ReadDword(kSection, kRemoteFmMemory, 0);
  controlMasterVolume =
      store.ReadDword(kSection, kControlMasterVolume, kDefaultControlMasterVolume);
  fmDisabled = store.ReadMachineDword(kFmMachineKey, kFmDisabled, 0);

  delChWarning = DelChWarningToRun(delChWarning).value;
  country = CountryToRun(country, context).value;
  isMts = IsMtsToRun(storedIsMts, context.firstRun).value;
}

bool MainSettings::Save(SettingsStore& store) const {
  using namespace setting;
  return store.Update([&](SettingsStore::Batch& b) {
    b.WriteBoolIfChanged(kSection, kDelChWarning, delChWarning);
    b.WriteDword(kSection, kAlbumPageNum, albumPageNum);
    for (int i = 0; i < 4; ++i) b.WriteDword(kSection, kToolPageMode[i], toolPage[i]);
    b.WriteBoolIfChanged(kSection, kMute, mute);
    b.WriteDword(kSection, kVolume, volume);
    b.WriteDword(kSection, kCountry, country);
    b.WriteDword(kSection, kSource, source);
    // The next start always comes up in TV; radio is chosen again on the panel.
    b.WriteDword(kSection, kWorkMode,
                 StoredNumber(workMode == WorkMode::kRadio ? WorkMode::kTv : workMode));
    b.WriteBoolIfChanged(kSection, kAutoScan, autoScan);
    b.WriteBoolIfChanged(kSection, kDisplayModeWarning, displayModeWarning);
    b.WriteDword(kSection, kWinHandle, 0);
    b.WriteDword(kSection, kForceRatio43, forceRatio43);
    b.WriteDword(kSection, kAlwaysOnTop, alwaysOnTop);
    b.WriteDword(kSection, kVideoBorder, videoBorder);
    b.WriteDword(kSection, kTileMode, tileMode);
    b.WriteDword(kSection, kKeyPadOpen, keyPadOpen);
    b.WriteDword(kSection, kVcrPadOpen, vcrPadOpen);
    b.WriteDword(kSection, kIsMts, isMts);
    b.WriteDword(kSection, kMtsMode, mtsMode);
    b.WriteDword(kSection, kMtsPalMode, mtsPalMode);
    b.WriteDword(kSection, kRemoteFmMemory, remoteFmMemory);
  });
}

void MainSettings::FillSnapshot(SettingsSnapshot* out) const {
  if (out == nullptr) return;
  out->workMode = StoredNumber(workMode);
  out->delChWarning = delChWarning;
  out->mute = mute;
  out->autoScan = autoScan;
  out->displayModeWarning = displayModeWarning;
  out->albumPageNum = albumPageNum;
  out->volume = volume;
  out->country = country;
  for (int i = 0; i < 4; ++i) out->toolPage[i] = toolPage[i];
  out->source = source;
}

SettingsSnapshot MainSettings::Snapshot() const {
  SettingsSnapshot s;
  FillSnapshot(&s);
  return s;
}

void MainSettings::SetToolPage(int32_t page) {
  toolPage[StoredNumber(workMode)] = page;
}

}  // namespace vd
