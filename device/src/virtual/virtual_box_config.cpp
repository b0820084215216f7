#include "vd/virtual_box_config.h"

#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>

#include "vd/file_read.h"
#include "vd/text.h"
#include "vd/trace.h"
#include "virtual_locations.h"

namespace vd {

namespace {
std::optional<uint32_t> ParseNumber(std::string_view s) {
  int base = 10;
  if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
    s.remove_prefix(2);
    base = 16;
  }
  uint32_t v = 0;
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v, base);
  if (ec != std::errc() || end != s.data() + s.size() || s.empty()) return std::nullopt;
  return v;
}

std::optional<bool> ParseBool(std::string_view s) {
  if (s == "yes" || s == "1" || s == "true" || s == "on") return true;
  if (s == "no" || s == "0" || s == "false" || s == "off") return false;
  return std::nullopt;
}

// A file's numbers are written with a point whatever the user's language: the process
// locale (which a Qt program sets from the environment) must not decide how they read.
std::optional<double> ParseDecimal(std::string_view s) {
  double v = 0;
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (s.empty() || ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
  return v;
}

// "471.25 Name of station" -> station; the tone follows the frequency.
std::optional<Station> ParseStation(std::string_view s, uint32_t minHz, uint32_t maxHz) {
  size_t space = s.find_first_of(" \t");
  const std::string_view number = s.substr(0, space);
  std::string_view name = space == std::string_view::npos ? "" : Trim(s.substr(space), kWhitespace);
  const std::optional<double> parsed = ParseDecimal(number);
  if (!parsed || name.empty()) return std::nullopt;
  const double mhz = *parsed;
  double hz = std::round(mhz * 1e6);
  if (!(hz >= minHz && hz <= maxHz)) return std::nullopt;
  auto f = static_cast<uint32_t>(hz);
  return Station{f, std::string(name), 300 + (f / 50000) % 900};
}
// Test suites set VIEWDECK_VIRTUAL_BOX_TEST_CARRIERS=yes: every plan of every country then
// finds the carriers and names they were written against.
bool TestCarriersByDefault() {
  const char* value = std::getenv("VIEWDECK_VIRTUAL_BOX_TEST_CARRIERS");
  return value != nullptr && ParseBool(value).value_or(false);
}

std::string Joined(const std::vector<std::string>& words) {
  std::string out;
  for (const auto& w : words) out += (out.empty() ? "" : ", ") + w;
  return out;
}

// What the file has said so far; the settings that need the whole file go in at its end.
struct Reading {
  VirtualBoxConfig& config;
  std::vector<Station> tv, fm;
  bool badStation = false;
  std::optional<std::string> location;
  std::optional<bool> testCarriers;
  bool productIdGiven = false;
};

// Each takes one setting and gives the message when its value is wrong.
using Error = std::optional<std::string>;

Error TakeProductId(std::string_view, std::string_view value, Reading& r) {
  auto v = ParseNumber(value);
  if (!v || *v > 0xFFFF) return "product_id must be a number from 0 to 0xFFFF";
  r.config.productId = *v;
  r.productIdGiven = true;
  return std::nullopt;
}

Error TakeLockTime(std::string_view, std::string_view value, Reading& r) {
  auto v = ParseNumber(value);
  if (!v || *v > 5000) return "lock_time_ms must be a number from 0 to 5000";
  r.config.lockTimeMs = *v;
  return std::nullopt;
}

Error TakeStation(std::string_view key, std::string_view value, Reading& r) {
  bool isTv = key == "tv_station";
  auto s =
      isTv ? ParseStation(value, 44000000, 870000000) : ParseStation(value, 87500000, 108000000);
  if (!s) {
    r.badStation = true;
    return isTv ? "tv_station needs a frequency from 44 to 870 MHz and a name"
                : "fm_station needs a frequency from 87.5 to 108 MHz and a name";
  }
  (isTv ? r.tv : r.fm).push_back(*s);
  return std::nullopt;
}

Error TakePin(std::string_view key, std::string_view value, Reading& r) {
  auto b = ParseBool(value);
  if (!b) return std::string(key) + " must be yes or no";
  (key == "preview_pin" ? r.config.previewPin
   : key == "still_pin" ? r.config.stillPin
                        : r.config.bulkPin) = *b;
  return std::nullopt;
}

Error TakeLocation(std::string_view, std::string_view value, Reading& r) {
  std::string code(value);
  for (char& c : code) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (!VirtualLocations::TvStations(code))
    return "location must be one of " + Joined(VirtualLocations::Countries());
  r.location = code;
  return std::nullopt;
}

Error TakeTestCarriers(std::string_view, std::string_view value, Reading& r) {
  auto b = ParseBool(value);
  if (!b) return "test_carriers must be yes or no";
  r.testCarriers = *b;
  return std::nullopt;
}

Error TakeBulkReplay(std::string_view, std::string_view value, Reading& r) {
  if (value.empty()) return "bulk_replay needs a file name";
  r.config.bulkReplayFile = std::string(value);
  return std::nullopt;
}

Error TakeDroppedFrames(std::string_view, std::string_view value, Reading& r) {
  const std::optional<double> parsed = ParseDecimal(value);
  const double percent = parsed.value_or(-1);
  // Beyond half, every n-th cannot say it; all of them stands for a source that sends
  // sound but no picture.
  if (!(percent >= 0) || (percent > 50 && percent != 100))
    return "dropped_frames_percent must be a number from 0 to 50, or 100 for no picture";
  r.config.faults.dropEveryNth =
      percent > 0 ? static_cast<uint32_t>(std::lround(100 / percent)) : 0;
  return std::nullopt;
}

Error TakeClockDrift(std::string_view, std::string_view value, Reading& r) {
  int32_t ppm = 0;
  auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), ppm);
  if (ec != std::errc() || end != value.data() + value.size() || value.empty() || ppm < -50000 ||
      ppm > 50000)
    return "clock_drift_ppm must be a whole number from -50000 to 50000";
  r.config.faults.clockDriftPpm = ppm;
  return std::nullopt;
}

struct Setting {
  std::string_view key;
  Error (*take)(std::string_view key, std::string_view value, Reading& r);
};

constexpr Setting kSettings[] = {
    {"product_id", TakeProductId},
    {"lock_time_ms", TakeLockTime},
    {"tv_station", TakeStation},
    {"fm_station", TakeStation},
    {"preview_pin", TakePin},
    {"still_pin", TakePin},
    {"bulk_pin", TakePin},
    {"location", TakeLocation},
    {"test_carriers", TakeTestCarriers},
    {"bulk_replay", TakeBulkReplay},
    {"dropped_frames_percent", TakeDroppedFrames},
    {"clock_drift_ppm", TakeClockDrift},
};

Error TakeSetting(std::string_view key, std::string_view value, Reading& r) {
  for (const Setting& setting : kSettings)
    if (setting.key == key) return setting.take(key, value, r);
  return "unknown key '" + std::string(key) + "'";
}

// The box stands in a country and receives its stations, unless it is asked for the
// carriers the tests share. Those are on every country's plan, so the locale does not place
// such a box: test runs stay alike whatever the developer's language.
void PlaceBox(Reading& r) {
  VirtualBoxConfig& config = r.config;
  const VirtualSky builtIn = VirtualSky::BuiltIn();
  const bool carriers = r.testCarriers.value_or(TestCarriersByDefault());
  config.location = r.location.value_or(carriers ? std::string() : VirtualLocations::FromLocale());
  if (!carriers) {
    config.sky = VirtualSky(*VirtualLocations::TvStations(config.location), builtIn.FmStations());
  }
  // A box bought in that country is the model sold there.
  if (!r.productIdGiven && !config.location.empty())
    config.productId = *VirtualLocations::ProductId(config.location);
  if (!r.badStation && (!r.tv.empty() || !r.fm.empty())) {
    // Whichever band the file leaves out keeps the stations it would have had.
    if (r.tv.empty()) {
      config.sky = VirtualSky(config.sky.ExplicitTvStations(), r.fm, config.sky.UsesHashRule());
    } else {
      config.sky = VirtualSky(r.tv, r.fm.empty() ? builtIn.FmStations() : r.fm);
    }
  }
}
}  // namespace

VirtualBoxConfig VirtualBoxConfig::Parse(std::string_view text, std::string_view source) {
  VirtualBoxConfig config;
  Reading reading{config};
  int lineNo = 0;
  while (!text.empty()) {
    ++lineNo;
    size_t nl = text.find('\n');
    std::string_view line = text.substr(0, nl);
    text = nl == std::string_view::npos ? std::string_view() : text.substr(nl + 1);
    if (size_t hash = line.find('#'); hash != std::string_view::npos) line = line.substr(0, hash);
    line = Trim(line, kWhitespace);
    if (line.empty()) continue;
    size_t eq = line.find('=');
    const std::optional<std::string> error =
        eq == std::string_view::npos ? "expected 'key = value'"
                                     : TakeSetting(Trim(line.substr(0, eq), kWhitespace),
                                                   Trim(line.substr(eq + 1), kWhitespace), reading);
    if (error)
      config.errors.push_back(std::string(source) + ":" + std::to_string(lineNo) + ": " + *error);
  }
  PlaceBox(reading);
  return config;
}

std::string VirtualBoxConfig::DefaultPath() {
  if (const char* p = std::getenv("VIEWDECK_VIRTUAL_BOX_CONFIG"); p != nullptr && *p != '\0')
    return p;
  std::string base;
  if (const char* x = std::getenv("XDG_CONFIG_HOME"); x != nullptr && *x != '\0') {
    base = x;
  } else if (const char* h = std::getenv("HOME"); h != nullptr) {
    base = std::string(h) + "/.config";
  } else {
    return {};
  }
  return base + "/Corvalen/virtualbox.conf";
}

VirtualBoxConfig VirtualBoxConfig::Load() {
  std::string path = DefaultPath();
  // Without a file the defaults still depend on where the box stands.
  if (path.empty()) return Parse("", "");
  // Only a regular file, and only as much as a hand-written file could hold: a FIFO here
  // would hang the program and a device would never end.
  std::string error;
  auto bytes = ReadRegularFile(path, kMaxFileBytes + 1, &error);
  if (!bytes) {
    if (errno != ENOENT)
      LogWrite("device", LogLevel::kWarning, "viewdeck: %s: %s; the box keeps its defaults\n",
               path.c_str(), error.c_str());
    return Parse("", path);
  }
  if (bytes->size() > kMaxFileBytes) {
    LogWrite("device", LogLevel::kWarning,
             "viewdeck: %s is larger than %zu KB; the box keeps its defaults\n", path.c_str(),
             kMaxFileBytes >> 10);
    return Parse("", path);
  }
  const std::string text(bytes->begin(), bytes->end());
  VirtualBoxConfig config = Parse(text, path);
  for (const auto& e : config.errors)
    LogWrite("device", LogLevel::kWarning, "viewdeck: %s\n", e.c_str());
  return config;
}

}  // namespace vd
