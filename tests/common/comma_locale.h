// A process locale that writes and reads decimals with a comma, as a German or French user's
// does once the viewer's toolkit has set the locale from the environment. Built with localedef
// into a private folder, so the machine need not have any such locale generated.
#pragma once

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <unistd.h>

namespace vdtest {

class CommaLocale {
 public:
  CommaLocale() {
    std::string dir = (std::filesystem::temp_directory_path() / "vd-comma-XXXXXX").string();
    if (::mkdtemp(dir.data()) == nullptr) return;
    dir_ = dir;
    const std::filesystem::path source = dir_ / "comma";
    {
      std::FILE* f = std::fopen(source.c_str(), "w");
      if (f == nullptr) return;
      std::fputs(
          "LC_NUMERIC\ndecimal_point \"<U002C>\"\nthousands_sep \"\"\ngrouping -1\n"
          "END LC_NUMERIC\n",
          f);
      std::fclose(f);
    }
    // -c: the other categories are left out on purpose.
    const std::string command = "localedef -c -i " + source.string() + " -f ANSI_X3.4-1968 " +
                                (dir_ / "comma").string() + ".ascii >/dev/null 2>&1";
    if (std::system(command.c_str()) == -1) return;
    ::setenv("LOCPATH", dir_.c_str(), 1);
    active_ = std::setlocale(LC_NUMERIC, "comma.ascii") != nullptr &&
              std::localeconv()->decimal_point[0] == ',';
  }
  ~CommaLocale() {
    std::setlocale(LC_NUMERIC, "C");
    ::unsetenv("LOCPATH");
    std::error_code ec;
    if (!dir_.empty()) std::filesystem::remove_all(dir_, ec);
  }
  CommaLocale(const CommaLocale&) = delete;
  CommaLocale& operator=(const CommaLocale&) = delete;

  // False when localedef is missing or failed: the caller skips.
  bool Active() const { return active_; }

 private:
  std::filesystem::path dir_;
  bool active_ = false;
};

}  // namespace vdtest
