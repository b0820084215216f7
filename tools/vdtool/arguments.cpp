#include "arguments.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "command.h"
#include "country_table.h"

namespace vdtool {

namespace {
// Digits only, at most four of them (codes reach 886, rows 56).
bool SmallNumber(const std::string& text, int* value) {
  if (text.empty() || text.size() > 4) return false;
  if (!std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); }))
    return false;
  *value = std::stoi(text);
  return true;
}

std::string NameInBrackets(int index) {
  return std::string(" (") + CountryTable::EnglishName(index) + ")";
}
}  // namespace

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

int ParseCountry(const std::string& word, std::string* error) {
  int number = 0;
  const std::string lower = Lower(word);
  if (lower.rfind("code:", 0) == 0) {
    const std::string digits = word.substr(5);
    const int index = SmallNumber(digits, &number) ? CountryTable::FirstIndexOfCode(number) : -1;
    if (index < 0) *error = "no country has the dialling code '" + digits + "'";
    return index;
  }
  if (lower.rfind("index:", 0) == 0) {
    const std::string digits = word.substr(6);
    if (SmallNumber(digits, &number) && number < CountryTable::kCount) return number;
    *error = "country index '" + digits + "' is not in 0-56";
    return -1;
  }
  if (SmallNumber(word, &number)) {
    const int byCode = CountryTable::FirstIndexOfCode(number);
    *error = "country '" + word + "' could be a dialling code or a row: say code:" + word +
             (byCode >= 0 ? NameInBrackets(byCode) : "") + " or index:" + word +
             (number < CountryTable::kCount ? NameInBrackets(number) : "");
    return -1;
  }
  for (int i = 0; i < CountryTable::kCount; ++i) {
    if (Lower(CountryTable::EnglishName(i)) == lower) return i;
  }
  *error = "unknown country '" + word + "' (see 'vdtool countries')";
  return -1;
}

bool ParseCountryCode(const std::string& word, int32_t* code, std::string* error) {
  const int index = ParseCountry(word, error);
  if (index < 0) return false;
  *code = static_cast<int32_t>(CountryTable::Record(index).code);
  return true;
}

std::optional<vd::WorkMode> ParseVideoInput(const std::string& word, std::string* error) {
  const std::string input = Lower(word);
  if (input == "tv") return vd::WorkMode::kTv;
  if (input == "composite") return vd::WorkMode::kComposite;
  if (input == "svideo") return vd::WorkMode::kSVideo;
  *error = input == "radio" ? "the radio input has no picture (tv, composite or svideo)"
                            : "unknown input '" + word + "' (tv, composite or svideo)";
  return std::nullopt;
}

bool ParseNumber(const std::string& word, double* value) {
  if (word.empty() || std::isspace(static_cast<unsigned char>(word[0]))) return false;
  char* end = nullptr;
  errno = 0;
  const double v = std::strtod(word.c_str(), &end);
  if (errno != 0 || *end != '\0' || !std::isfinite(v)) return false;
  *value = v;
  return true;
}

bool OutputPathUsable(const std::string& path, std::string* error) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::path file(path);
  if (fs::is_directory(file, ec)) {
    *error = path + " is a folder";
    return false;
  }
  const fs::path folder = file.has_parent_path() ? file.parent_path() : fs::path(".");
  if (!fs::is_directory(folder, ec)) {
    *error = "the folder " + folder.string() + " does not exist";
    return false;
  }
  const bool exists = fs::exists(file, ec);
  // A link loop, or a link to where nothing can be made, would fail only at the end of the
  // work, which then lands elsewhere.
  if (ec) {
    *error = path + ": " + ec.message();
    return false;
  }
  if (!exists && fs::is_symlink(fs::symlink_status(file, ec))) {
    fs::path target = fs::read_symlink(file, ec);
    if (target.is_relative()) target = folder / target;
    const fs::path targetFolder = target.has_parent_path() ? target.parent_path() : folder;
    if (ec || !fs::is_directory(targetFolder, ec)) {
      *error = path + " links to " + target.string() + ", whose folder does not exist";
      return false;
    }
    if (::access(targetFolder.c_str(), W_OK) != 0) {
      *error = "the folder " + targetFolder.string() + ": " + std::strerror(errno);
      return false;
    }
    return true;
  }
  // Checked before any work: a recording into a FIFO or a device would be lost at its end.
  if (exists && !fs::is_regular_file(file, ec)) {
    *error = path + " is not a regular file (a FIFO or a device)";
    return false;
  }
  if (::access(exists ? path.c_str() : folder.c_str(), W_OK) != 0) {
    *error = (exists ? path : "the folder " + folder.string()) + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

}  // namespace vdtool
