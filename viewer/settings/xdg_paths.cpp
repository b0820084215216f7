#include "xdg_paths.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <string_view>

namespace vd::xdg {

namespace {

// The base-directory rules ignore relative values: they would depend on the current folder.
std::filesystem::path AbsoluteEnv(const char* name) {
  const char* v = std::getenv(name);
  if (v == nullptr || v[0] != '/') return {};
  return std::filesystem::path(v);
}

}  // namespace

std::filesystem::path HomeDir() {
  if (const char* home = std::getenv("HOME"); home != nullptr && home[0] != '\0') return home;
  long size = sysconf(_SC_GETPW_R_SIZE_MAX);
  std::string buffer(size > 0 ? static_cast<size_t>(size) : 16384, '\0');
  passwd entry{};
  passwd* found = nullptr;
  if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
      found->pw_dir != nullptr) {
    return found->pw_dir;
  }
  return "/";
}

std::filesystem::path ConfigHome() {
  auto p = AbsoluteEnv("XDG_CONFIG_HOME");
  return p.empty() ? HomeDir() / ".config" : p;
}

std::vector<std::filesystem::path> ConfigDirs() {
  std::vector<std::filesystem::path> dirs;
  if (const char* v = std::getenv("XDG_CONFIG_DIRS"); v != nullptr) {
    std::string_view list(v);
    while (!list.empty()) {
      size_t colon = list.find(':');
      std::string_view entry = list.substr(0, colon);
      if (!entry.empty() && entry.front() == '/') dirs.emplace_back(entry);
      if (colon == std::string_view::npos) break;
      list.remove_prefix(colon + 1);
    }
  }
  if (dirs.empty()) dirs.emplace_back("/etc/xdg");
  return dirs;
}

std::filesystem::path DataHome() {
  auto p = AbsoluteEnv("XDG_DATA_HOME");
  return p.empty() ? HomeDir() / ".local" / "share" : p;
}

std::filesystem::path RuntimeDir() {
  auto p = AbsoluteEnv("XDG_RUNTIME_DIR");
  return p.empty() ? std::filesystem::path("/tmp") : p;
}

}  // namespace vd::xdg
