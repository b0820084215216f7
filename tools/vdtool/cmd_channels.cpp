// vdtool channels: shows, exports and imports the viewer's channel files (TV.CFG, FM.CFG,
// ChList.CFG).
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "command.h"
#include "vd/settings/instance_guard.h"
#include "vd/text.h"
#include "vd/tuning/channel_file.h"
#include "vd/tuning/channel_files.h"
#include "viewer_settings.h"

namespace {

const char* const kUsage =
    "Usage: vdtool channels show FILE [--radio | --tv]\n"
    "       vdtool channels export FILE [--radio | --tv]\n"
    "       vdtool channels import CSV FILE [--radio | --tv]\n"
    "\n"
    "Reads and writes the viewer's channel files (TV.CFG, FM.CFG, ChList.CFG in the data\n"
    "folder). The radio layout stores the current station after the station count; TV files\n"
    "do not. A file named FM.CFG (in any case) has the radio layout, any other the TV\n"
    "layout; --radio or --tv says which for a file of another name.\n"
    "\n"
    "show    lists the stations: position, slot id, name, frequency in MHz, channel number.\n"
    "export  writes the stations as CSV to standard output.\n"
    "import  reads CSV and replaces FILE's list with its stations (atomically). A row that\n"
    "        cannot be stored is named by line and refuses the whole import: FILE stays as\n"
    "        it was, and so it does for a CSV without stations. While the viewer runs, its\n"
    "        own data folder is refused (the viewer would write its list over the import).\n"
    "\n"
    "CSV format: a header line \"name,mhz,number,id\", then one station per line:\n"
    "  name    the station name, at most 31 bytes, quoted with \"...\" (\"\" for a quote);\n"
    "          leading and trailing spaces are kept\n"
    "  mhz     the frequency in MHz with up to six decimals, e.g. 98.1 or 175.25\n"
    "  number  the TV channel number (0 for radio stations); empty means 0\n"
    "  id      the station's slot, 0..2999, unique; empty picks the first free slot\n"
    "Stations keep the order of the rows; at most 3000. Fields may be separated by ';'\n"
    "instead (as spreadsheets write CSV where the comma is the decimal sign); the mhz\n"
    "field may then have a decimal comma, e.g. 55,25. The header, or without one the first\n"
    "row, says which separator the file uses.\n"
    "\n"
    "Exit status: 0 success, 1 damaged input, refused rows or a running viewer, 2 bad usage.\n";

struct Options {
  std::vector<std::string> words;
  bool radio = false;
  bool layoutGiven = false;
};

bool ParseOptions(const std::vector<std::string>& args, Options* options, std::string* error) {
  for (const std::string& a : args) {
    if (a == "--radio" || a == "--tv") {
      if (options->layoutGiven && options->radio != (a == "--radio")) {
        *error = "channels: give --radio or --tv, not both";
        return false;
      }
      options->radio = a == "--radio";
      options->layoutGiven = true;
    } else if (a.size() > 1 && a[0] == '-') {
      *error = "unknown option '" + a + "'";
      return false;
    } else {
      options->words.push_back(a);
    }
  }
  return true;
}

// Exact decimal text of a frequency in MHz: at least two decimals, at most six.
std::string MegahertzText(uint32_t hz) {
  char text[32];
  std::snprintf(text, sizeof text, "%u.%06u", hz / 1000000, hz % 1000000);
  std::string s = text;
  while (s.size() > 0 && s.back() == '0' && s.size() - s.find('.') > 3) s.pop_back();
  return s;
}

// A decimal comma is read only where ';' separates the fields, so that it cannot be one.
bool ParseMegahertz(std::string text, char separator, uint32_t* hz) {
  if (separator == ';' && std::count(text.begin(), text.end(), ',') == 1 &&
      text.find('.') == std::string::npos) {
    text[text.find(',')] = '.';
  }
  uint64_t whole = 0, fraction = 0;
  size_t i = 0, digits = 0, decimals = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++digits) {
    whole = whole * 10 + static_cast<uint64_t>(text[i] - '0');
    if (whole > 5000) return false;
  }
  if (i < text.size() && text[i] == '.') {
    for (++i; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++decimals) {
      if (decimals == 6) return false;
      fraction = fraction * 10 + static_cast<uint64_t>(text[i] - '0');
    }
  }
  if (i != text.size() || digits + decimals == 0) return false;
  while (decimals++ < 6) fraction *= 10;
  const uint64_t value = whole * 1000000 + fraction;
  if (value == 0 || value > UINT32_MAX) return false;
  *hz = static_cast<uint32_t>(value);
  return true;
}

bool ParseUnsigned(const std::string& text, uint64_t limit, uint64_t* value) {
  if (text.empty() || text.size() > 10) return false;
  uint64_t v = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + static_cast<uint64_t>(c - '0');
  }
  if (v > limit) return false;
  *value = v;
  return true;
}

std::string QuoteCsv(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

// Splits one CSV line; false when a quoted field is not closed.
bool SplitCsv(const std::string& line, char separator, std::vector<std::string>* fields) {
  fields->assign(1, "");
  bool quoted = false;
  for (size_t i = 0; i < line.size(); ++i) {
    char c = line[i];
    if (quoted) {
      if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
        fields->back() += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        fields->back() += c;
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == separator) {
      fields->emplace_back();
    } else {
      fields->back() += c;
    }
  }
  return !quoted;
}

// ';' when the line has a semicolon outside quotes, ',' otherwise. A misread line is refused
// and then nothing is written.
char SeparatorOf(const std::string& line) {
  bool quoted = false;
  for (char c : line) {
    if (c == '"') quoted = !quoted;
    if (!quoted && c == ';') return ';';
  }
  return ',';
}

// The viewer keeps its working list open while it runs and stores it over the saved file
// when a mode ends: an import into its own data folder would be undone. A held guard keeps
// the viewer from starting until the import is written.
bool ViewerHoldsFolder(const std::string& file, std::unique_ptr<vd::InstanceGuard>* guard) {
  std::error_code ec;
  return vdtool::ViewerHoldsDataFolder(std::filesystem::absolute(file, ec).parent_path(), guard,
                                       "channels import");
}

int Load(const std::string& path, bool radio, vd::ChannelFileContents* contents) {
  std::string error;
  auto bytes = vd::ChannelFiles::ReadFile(path, vd::ChannelFile::kMaxBytes + 1, &error);
  if (!bytes) {
    std::cerr << "vdtool: cannot read " << path << ": " << error << "\n";
    return 1;
  }
  *contents = vd::ChannelFile::Decode(*bytes, radio);
  if (contents->damage) {
    std::cerr << "vdtool: " << path << " is damaged: " << *contents->damage << "; "
              << contents->stations.size() << " station(s) before the damage are shown\n";
    return 1;
  }
  return 0;
}

int Show(const Options& o) {
  if (o.words.size() != 2) return vdtool::UsageError("channels show needs FILE");
  vd::ChannelFileContents c;
  int status = Load(o.words[1], o.radio, &c);
  if (status != 0 && c.stations.empty() && !c.damage) return status;
  std::printf("%zu station(s)", c.stations.size());
  if (o.radio) std::printf(", current %d", c.current);
  std::printf("\n");
  for (size_t i = 0; i < c.stations.size(); ++i) {
    const CChannel& s = c.stations[i];
    std::printf("%4zu  id %4u  %-31s  %10s MHz  channel %u\n", i, s.id,
                ("\"" + s.Name() + "\"").c_str(), MegahertzText(s.frequency).c_str(), s.number);
  }
  return status;
}

int Export(const Options& o) {
  if (o.words.size() != 2) return vdtool::UsageError("channels export needs FILE");
  vd::ChannelFileContents c;
  int status = Load(o.words[1], o.radio, &c);
  if (status != 0 && !c.damage) return status;
  std::cout << "name,mhz,number,id\n";
  for (const CChannel& s : c.stations) {
    std::cout << QuoteCsv(s.Name()) << ',' << MegahertzText(s.frequency) << ',' << s.number << ','
              << s.id << '\n';
  }
  return status;
}

// A station of the CSV, as the line gives it.
struct Row {
  size_t line;
  std::string name;
  uint32_t hz;
  uint32_t number;
  int64_t id;  // -1: first free
};

struct CsvRows {
  std::vector<Row> rows;
  std::set<uint32_t> ids;  // those the rows give
  int refused = 0;
};

// Checks the fields of one line and keeps its station; why it is refused otherwise.
std::optional<std::string> TakeRow(std::vector<std::string> f, char separator, size_t lineNo,
                                   CsvRows* csv) {
  if (f.size() < 2 || f.size() > 4)
    return std::string("expected name") + separator + "mhz" + separator + "number" + separator +
           "id";
  f.resize(4);
  Row row{lineNo, f[0], 0, 0, -1};
  uint64_t v = 0;
  if (row.name.size() > CChannel::kMaxNameBytes) return "name longer than 31 bytes";
  if (row.name.find('\n') != std::string::npos) return "name with a line feed";
  if (!ParseMegahertz(std::string(vd::Trim(f[1])), separator, &row.hz))
    return "frequency '" + f[1] + "' is not a frequency in MHz";
  if (!vd::Trim(f[2]).empty() && !ParseUnsigned(std::string(vd::Trim(f[2])), UINT32_MAX, &v))
    return "channel number '" + f[2] + "' is not a number";
  row.number = static_cast<uint32_t>(v);
  if (!vd::Trim(f[3]).empty()) {
    if (!ParseUnsigned(std::string(vd::Trim(f[3])), vd::ChannelFile::kCapacity - 1, &v))
      return "id '" + f[3] + "' is not in 0..2999";
    if (!csv->ids.insert(static_cast<uint32_t>(v)).second)
      return "id " + std::string(vd::Trim(f[3])) + " is used twice";
    row.id = static_cast<int64_t>(v);
  }
  if (csv->rows.size() >= vd::ChannelFile::kCapacity) return "more than 3000 stations";
  csv->rows.push_back(row);
  return std::nullopt;
}

// The stations of the CSV `name`; each line refused is named on standard error.
CsvRows ReadRows(std::istream& in, const std::string& name) {
  CsvRows csv;
  char separator = 0;  // from the first line read
  std::string line;
  size_t lineNo = 0;
  while (std::getline(in, line)) {
    ++lineNo;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    // Spreadsheets mark their UTF-8 with a byte-order mark.
    if (lineNo == 1 && line.rfind("\xEF\xBB\xBF", 0) == 0) line.erase(0, 3);
    if (vd::Trim(line).empty()) continue;
    if (separator == 0) separator = SeparatorOf(line);
    if (lineNo == 1 && vd::Trim(line).rfind("name", 0) == 0) continue;  // the header
    std::vector<std::string> f;
    std::optional<std::string> refusal;
    if (!SplitCsv(line, separator, &f)) {
      refusal = "unclosed quote";
    } else {
      refusal = TakeRow(std::move(f), separator, lineNo, &csv);
    }
    if (refusal) {
      std::cerr << name << ":" << lineNo << ": refused: " << *refusal << "\n";
      ++csv.refused;
    }
  }
  return csv;
}

// The rows as stations, in their order; those without an id get the first free ones.
std::vector<CChannel> StationsOf(const CsvRows& csv) {
  std::set<uint32_t> ids = csv.ids;
  std::vector<CChannel> stations;
  uint32_t nextFree = 0;
  for (const Row& r : csv.rows) {
    uint32_t id = static_cast<uint32_t>(r.id);
    if (r.id < 0) {
      while (ids.count(nextFree) != 0) ++nextFree;
      id = nextFree;
      ids.insert(id);
    }
    stations.emplace_back(id, r.name, r.hz, r.number);
  }
  return stations;
}

// Replaces FILE's list with `stations`, unless the viewer holds its folder.
int WriteStations(const std::string& file, bool radio, const std::vector<CChannel>& stations) {
  std::unique_ptr<vd::InstanceGuard> guard;
  if (ViewerHoldsFolder(file, &guard)) {
    std::cerr << "vdtool: channels: " << vdtool::RunningHolder()
              << "; close it first or import into a file outside the viewer's data folder\n";
    return 1;
  }
  // Said with the count, so a list that shrinks does not go unnoticed.
  std::string held;
  std::string error;
  if (auto old = vd::ChannelFiles::ReadFile(file, vd::ChannelFile::kMaxBytes + 1, &error)) {
    held =
        " (it held " + std::to_string(vd::ChannelFile::Decode(*old, radio).stations.size()) + ")";
  }
  const auto bytes = vd::ChannelFile::Encode(stations, radio, -1);
  if (!vd::ChannelFiles::WriteAtomically(file, bytes, &error)) {
    std::cerr << "vdtool: cannot write " << file << ": " << error << "\n";
    return 1;
  }
  std::cout << "wrote " << stations.size() << " station(s) to " << file << held << "\n";
  return 0;
}

int Import(const Options& o) {
  if (o.words.size() != 3) return vdtool::UsageError("channels import needs CSV and FILE");
  std::ifstream in(o.words[1], std::ios::binary);
  if (!in) {
    std::cerr << "vdtool: cannot read " << o.words[1] << "\n";
    return 1;
  }
  const CsvRows csv = ReadRows(in, o.words[1]);
  if (csv.refused > 0 || csv.rows.empty()) {
    if (csv.rows.empty() && csv.refused == 0) std::cerr << o.words[1] << ": no stations\n";
    std::cerr << "vdtool: nothing was written to " << o.words[2] << "\n";
    return 1;
  }
  return WriteStations(o.words[2], o.radio, StationsOf(csv));
}

int Run(const std::vector<std::string>& args) {
  Options o;
  std::string error;
  if (!ParseOptions(args, &o, &error)) return vdtool::UsageError(error);
  if (o.words.empty()) return vdtool::UsageError("channels needs show, export or import");
  // The channel file is the last word: FILE of show and export, the target of import.
  if (!o.layoutGiven && o.words.size() >= 2) {
    o.radio = vdtool::Lower(std::filesystem::path(o.words.back()).filename().string()) == "fm.cfg";
  }
  if (o.words[0] == "show") return Show(o);
  if (o.words[0] == "export") return Export(o);
  if (o.words[0] == "import") return Import(o);
  return vdtool::UsageError("unknown channels action '" + o.words[0] + "'");
}

const vdtool::Registrar kRegistrar({"channels", "show, export and import channel files", kUsage,
                                    Run});

}  // namespace
