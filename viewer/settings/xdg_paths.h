// The freedesktop base folders, resolved from the environment at each call so that tests
// and tools can point them elsewhere.
#pragma once

#include <filesystem>
#include <vector>

namespace vd::xdg {

// $HOME, or the password database's home folder when HOME is unset or empty.
std::filesystem::path HomeDir();
// $XDG_CONFIG_HOME when absolute, else ~/.config.
std::filesystem::path ConfigHome();
// The absolute entries of $XDG_CONFIG_DIRS, else /etc/xdg.
std::vector<std::filesystem::path> ConfigDirs();
// $XDG_DATA_HOME when absolute, else ~/.local/share.
std::filesystem::path DataHome();
// $XDG_RUNTIME_DIR when absolute, else /tmp.
std::filesystem::path RuntimeDir();

}  // namespace vd::xdg
