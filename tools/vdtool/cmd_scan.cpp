// vdtool scan: the full station search of the viewer's search dialogs, from the command line.
// The stations found are stored in the data folder's channel files, where the viewer finds
// them the next time it starts in that mode.
#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "arguments.h"
#include "command.h"
#include "country_table.h"
#include "tuner_device.h"
#include "unplug_watch.h"
#include "vd/device_enumerator.h"
#include "vd/device_props.h"
#include "vd/settings/instance_guard.h"
#include "vd/settings/settings_store.h"
#include "vd/settings/settings_table.h"
#include "vd/stop_signals.h"
#include "vd/tuning/channel.h"
#include "vd/tuning/channel_files.h"
#include "vd/tuning/channel_table.h"
#include "vd/tuning/radio_tuner_control.h"
#include "vd/tuning/scan_engine.h"
#include "vd/tuning/tv_tuner_control.h"
#include "vd/tuning/unattended_tuning.h"
#include "vd/virtual_tv_box.h"
#include "viewer_settings.h"

namespace {

const char kUsage[] =
    "Usage: vdtool scan [COUNTRY] [cable|antenna] [--data DIR] [--lock-ms N]\n"
    "       vdtool scan [COUNTRY] radio [--data DIR] [--lock-ms N]\n"
    "\n"
    "Runs the full station search on the last capture device with a tuner, as the\n"
    "viewer's search dialog does: prints the progress and every station found, then stores\n"
    "the list in the data folder's channel file (TV.CFG, or FM.CFG for radio) and says where.\n"
    "Stations already in that file are kept; the search passes over them.\n"
    "\n"
    "  COUNTRY      a name as 'vdtool countries' lists it (case is ignored), code:N for a\n"
    "               dialling code or index:N for a row of the table, e.g. Germany,\n"
    "               code:49 or index:15; its cable or antenna plan numbers and names the\n"
    "               TV stations (\"U.S.A. (HRC)\" by plan A, not by the plan of the\n"
    "               other rows of code 1). Without one, the viewer's country is taken, as\n"
    "               its Channel Search page shows it (settings \"Country\" and \"Country1\");\n"
    "               without cable or antenna, the viewer's band (setting \"Source\").\n"
    "               Radio needs no country; one given is checked and otherwise ignored.\n"
    "  --data DIR   the data folder (default: the viewer's \"Path\" setting)\n"
    "  --lock-ms N  tuner settling time of the virtual TV box, 0-5000 ms (default: its\n"
    "               configuration)\n"
    "\n"
    "Ctrl+C (or SIGTERM, SIGHUP) ends the search early; the stations found so far are\n"
    "stored. Without --data the viewer must not be running (its own channel files would be\n"
    "overwritten).\n"
    "Exit status: 0 success (also when nothing was found), 1 no device, no tuner, the device\n"
    "unplugged during the search (what was found before is stored) or the list could not be\n"
    "stored, 2 bad usage, 128+N stopped by signal N after storing what was found (130 for\n"
    "Ctrl+C, 143 for SIGTERM).\n";

constexpr int kMaxLockMs = 5000;

// The command line's answers to what the tuning code asks of the viewer: no questions (the
// start-up offer of an automatic scan is declined, so an empty list stays empty rather than
// being filled with the plan's unnamed channels), messages on stderr, real waits.
class CliTuningContext : public vd::UnattendedTuning {
 public:
  CliTuningContext(std::string dataFolder, bool radio, int row, int32_t band) {
    folder = std::move(dataFolder);
    workMode = radio ? vd::WorkMode::kRadio : vd::WorkMode::kTv;
    // The row, not only its code, picks the plan: code 1 alone would find Bahamas first.
    country = row >= 0 ? static_cast<int32_t>(CountryTable::Record(row).code) : 0;
    country1 = row;
    source = band;
    autoScan = true;
    // The viewer's own "TV_Station" stays as it is; the list clamps it when it starts.
    tvStation = 0;
  }
  void ShowMessage(const std::string& caption, const std::string& text) override {
    std::fprintf(stderr, "vdtool: %s: %s\n", caption.c_str(), text.c_str());
  }
};

// The progress window as lines on stdout: one line per percentage reached.
class CliProgress : public vd::ScanProgress {
 public:
  explicit CliProgress(const vdtool::UnplugWatch& unplug) : unplug_(unplug) {}
  void Open(int32_t first, int32_t last) override {
    first_ = first;
    last_ = last;
    position_ = first;
    Show();
  }
  void Close() override {}
  // A stop signal (Ctrl+C, logout) or the card's removal ends the search at the next step;
  // what was found is stored as at the end of a full search.
  bool Cancelled() override { return vd::StopSignals::Received() != 0 || unplug_.Unplugged(); }
  int32_t Position() const override { return position_; }
  void SetPosition(int32_t position) override {
    position_ = position;
    Show();
  }
  void SetText(const std::string& text) override { std::printf("%s\n", text.c_str()); }

 private:
  void Show() {
    const std::string text = vd::ScanEngine::PercentText(position_, first_, last_);
    if (text == shown_) return;
    shown_ = text;
    std::printf("%s\n", text.c_str());
    std::fflush(stdout);
  }

  const vdtool::UnplugWatch& unplug_;
  int32_t first_ = 0;
  int32_t last_ = 0;
  int32_t position_ = 0;
  std::string shown_;
};

class CliView : public vd::ScanView {
 public:
  explicit CliView(TunerControl& tuner) : tuner_(tuner) {}
  void BeginScan() override {}
  void StationFound() override {
    CChannelTable* table = tuner_.Table();
    const CChannel* station = table->Get(table->Current());
    if (station == nullptr) return;
    std::printf("  station %d: %s  %.2f MHz\n", table->Current() + 1, station->Name().c_str(),
                station->frequency / 1e6);
    std::fflush(stdout);
  }
  void EndScan() override {}

 private:
  TunerControl& tuner_;
};

struct Options {
  bool radio = false;
  int country = -1;     // index; -1: the viewer's
  int32_t source = -1;  // -1: the viewer's
  std::string data;
  int lockMs = -1;
};

int ParseArgs(const std::vector<std::string>& args, Options* o) {
  std::vector<std::string> words;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--data" || a == "--lock-ms") {
      if (i + 1 >= args.size()) return vdtool::UsageError("scan: " + a + " needs a value");
      const std::string& value = args[++i];
      if (a == "--data") {
        if (value.empty()) return vdtool::UsageError("scan: --data needs a folder");
        o->data = value;
      } else {
        const bool digits = !value.empty() && value.size() <= 4 &&
                            std::all_of(value.begin(), value.end(),
                                        [](unsigned char c) { return std::isdigit(c); });
        if (!digits || std::stoi(value) > kMaxLockMs) {
          return vdtool::UsageError("scan: --lock-ms takes a number of milliseconds 0-5000, not '" +
                                    value + "'");
        }
        o->lockMs = std::stoi(value);
      }
    } else if (a.size() > 1 && a[0] == '-') {
      return vdtool::UsageError("scan: unknown option '" + a + "'");
    } else {
      words.push_back(a);
    }
  }
  if (words.size() > 2) {
    return vdtool::UsageError("scan: expected [COUNTRY] and cable|antenna|radio");
  }
  const std::string mode = words.empty() ? std::string() : vdtool::Lower(words.back());
  const bool modeGiven = mode == "radio" || mode == "cable" || mode == "antenna";
  if (mode == "radio") {
    o->radio = true;
  } else if (mode == "cable" || mode == "antenna") {
    o->source = mode == "antenna" ? 1 : 0;
  } else if (words.size() == 2) {
    return vdtool::UsageError("scan: unknown source '" + words.back() +
                              "' (cable, antenna or radio)");
  }
  if (words.size() == 2 || (words.size() == 1 && !modeGiven)) {
    std::string error;
    o->country = vdtool::ParseCountry(words[0], &error);
    if (o->country < 0) return vdtool::UsageError("scan: " + error);
  }
  return 0;
}

// What the viewer starts with: "Country" as its start-up reads it, the row its Channel Search
// page shows for it, and "Source".
void TakeViewersCountry(Options* o) {
  const vd::MainSettings settings = vdtool::ViewersSettings();
  if (o->country < 0) {
    o->country = CountryTable::PageSelection(
        settings.country,
        vd::SettingsStore::FromEnvironment()->ReadDword(vd::kSection, vd::setting::kCountry1, 0));
  }
  if (o->source < 0) o->source = settings.source == 1 ? 1 : 0;
}

// The running viewer keeps the working channel file of the default folder open and writes
// the saved file when it ends; scanning underneath it would lose one list or the other.
// A --data folder that is the viewer's own is guarded the same way. False (said why) when
// the folder cannot be used; *guard holds it otherwise.
bool TakeDataFolder(const Options& o, std::unique_ptr<vd::InstanceGuard>* guard,
                    std::string* folder) {
  *folder = o.data.empty() ? vdtool::ViewersSettings().path : o.data;
  const bool held = o.data.empty() ? (*guard = vdtool::TakeViewersLock("scan")) == nullptr
                                   : vdtool::ViewerHoldsDataFolder(*folder, guard, "scan");
  if (held) {
    std::fprintf(stderr, "vdtool: scan: %s; close it first or give --data DIR outside %s\n",
                 vdtool::RunningHolder().c_str(), vdtool::ViewersSettings().path.c_str());
    return false;
  }
  std::error_code ec;
  std::filesystem::create_directories(*folder, ec);
  if (!std::filesystem::is_directory(*folder, ec)) {
    std::fprintf(stderr, "vdtool: scan: cannot use the data folder %s\n", folder->c_str());
    return false;
  }
  return true;
}

// The tuner control over the device's property set, which it owns from here on, activated;
// null (said why) when it cannot tune the band.
std::unique_ptr<TunerControl> ActiveTuner(vd::KsPropertySet* props, CliTuningContext& context,
                                          bool radio, const std::string& deviceName) {
  std::unique_ptr<TunerControl> tuner;
  if (radio) {
    tuner = std::make_unique<RadioTunerControl>(props, context);
  } else {
    tuner = std::make_unique<TvTunerControl>(props, context);
  }
  if (!tuner->HasTuner()) {
    std::fprintf(stderr,
                 "vdtool: scan: the tuner module %s could not be loaded (set "
                 "VIEWDECK_MODULE_DIR to its folder)\n",
                 vd::TunerModule::kFileName);
    return nullptr;
  }
  if (!tuner->Activate() || tuner->Table() == nullptr) {
    std::fprintf(stderr, "vdtool: scan: the tuner of %s cannot tune %s\n", deviceName.c_str(),
                 radio ? "FM radio" : "TV");
    return nullptr;
  }
  return tuner;
}

void SayWhatIsScanned(const Options& o, const std::string& deviceName, bool fromViewer,
                      int32_t before) {
  if (o.radio) {
    std::printf("Scanning FM radio on %s\n", deviceName.c_str());
  } else {
    std::printf("Scanning %s %s on %s%s\n", CountryTable::EnglishName(o.country),
                o.source == 1 ? "antenna" : "cable", deviceName.c_str(),
                fromViewer ? " (the viewer's settings)" : "");
  }
  if (before > 0) std::printf("%d station(s) already in the list are kept\n", before);
  std::fflush(stdout);
}

// Stores the list and tells what the search found; the exit status.
int StoreList(TunerControl& tuner, const CChannelTable& table, bool radio, int found,
              int stopSignal, bool unplugged) {
  const int32_t total = table.Count();
  const std::string saved = tuner.Files().SavedPath(radio);
  // The context has told the user why when the list could not be stored.
  const bool stored = tuner.CloseList();
  if (stopSignal != 0) std::printf("Interrupted (%s).\n", strsignal(stopSignal));
  if (unplugged) std::printf("Interrupted: %s.\n", vdtool::UnplugWatch::kText);
  std::printf("%d new station(s), %d in the list\n", found, total);
  std::error_code ec;
  if (!stored || (total > 0 && !std::filesystem::exists(saved, ec))) {
    std::fprintf(stderr, "vdtool: scan: the list was not stored in %s\n", saved.c_str());
    return 1;
  }
  std::printf("Stored in %s\n", saved.c_str());
  if (unplugged) {
    // The steps after the removal found nothing because nothing answered: not a full list.
    std::fprintf(stderr, "vdtool: scan: %s; the stations found before it are stored\n",
                 vdtool::UnplugWatch::kText);
    return 1;
  }
  return stopSignal != 0 ? 128 + stopSignal : 0;
}

int Run(const std::vector<std::string>& args) {
  Options o;
  if (int status = ParseArgs(args, &o); status != 0) return status;
  // From the start: a stop that comes while the device and the lists are still being opened
  // ends the search before its first step, with the list stored as for any other stop.
  vd::StopSignals::Install();
  const bool fromViewer = !o.radio && (o.country < 0 || o.source < 0);
  if (fromViewer) TakeViewersCountry(&o);
  if (!o.radio && o.country < 0) {
    std::fprintf(stderr, "vdtool: scan: the viewer's country is none of the table's; give one\n");
    return 1;
  }
  std::unique_ptr<vd::InstanceGuard> guard;
  std::string folder;
  if (!TakeDataFolder(o, &guard, &folder)) return 1;
  if (o.lockMs >= 0) vd::VirtualTvBox::Shared()->SetLockTime(std::chrono::milliseconds(o.lockMs));

  std::string deviceName, why;
  vd::KsPropertySet* props = vdtool::OpenTunerDevice(&deviceName, &why);
  if (props == nullptr) {
    std::fprintf(stderr, "vdtool: scan: %s\n", why.c_str());
    return 1;
  }
  const vdtool::UnplugWatch unplug(deviceName);
  CliTuningContext context(folder, o.radio, o.country, o.source);
  const std::unique_ptr<TunerControl> tuner = ActiveTuner(props, context, o.radio, deviceName);
  if (tuner == nullptr) return 1;
  CChannelTable* table = tuner->Table();
  SayWhatIsScanned(o, deviceName, fromViewer, table->Count());

  CliView view(*tuner);
  CliProgress progress(unplug);
  vd::ScanEngine engine(*tuner);
  const int found = engine.FullScan(view, progress, vd::ScanEngine::Origin::kAutoScanDialog);
  const int stopSignal = vd::StopSignals::Received();
  return StoreList(*tuner, *table, o.radio, found, stopSignal, unplug.Unplugged());
}

const vdtool::Registrar kScan({"scan", "search a country's TV plan or the FM band for stations",
                               kUsage, Run});

}  // namespace
