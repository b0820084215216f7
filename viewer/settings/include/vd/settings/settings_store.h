// The user and machine settings files and the typed accessors over them. The user file
// stands for HKEY_CURRENT_USER, the machine file (read only) for HKEY_LOCAL_MACHINE.
//
// Reads never fail: a missing file, key or value, or a value of the other type, gives the
// default. Writes are read-modify-write transactions under an flock on a lock file beside
// the user file, written to a temporary file that is synced and renamed over the target, so
// concurrent writers (processes or threads) neither corrupt the file nor lose each other's
// values.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "reg_document.h"
#include "vd/unique_fd.h"

namespace vd {

inline constexpr std::string_view kUserRoot = "HKEY_CURRENT_USER\\Software\\Corvalen\\";
inline constexpr std::string_view kMachineRoot = "HKEY_LOCAL_MACHINE\\";
inline constexpr std::string_view kDriverServiceKey =
    "System\\CurrentControlSet\\Services\\KX2210.1";

class SettingsStore {
 public:
  // machineFiles are tried in order; the first that exists is the machine file.
  SettingsStore(std::filesystem::path userFile, std::vector<std::filesystem::path> machineFiles);

  // User file $XDG_CONFIG_HOME/Corvalen/viewdeck.reg (default ~/.config); machine file in
  // the first folder of $XDG_CONFIG_DIRS (default /etc/xdg) that has Corvalen/viewdeck.reg.
  static std::unique_ptr<SettingsStore> FromEnvironment();

  // The process-wide store, made from the environment on first use.
  static SettingsStore& Default();
  // Replaces the process-wide store (null: made from the environment again on next use).
  // Only while no other thread uses it.
  static void ResetDefault(std::unique_ptr<SettingsStore> store = nullptr);

  // "AviCap" -> HKEY_CURRENT_USER\Software\Corvalen\AviCap
  static std::string SectionKey(std::string_view section);

  int32_t ReadBool(std::string_view section, std::string_view name, int32_t defaultValue) const;
  int32_t ReadDword(std::string_view section, std::string_view name, int32_t defaultValue) const;
  // The stored DWORD; none when the value is missing or has the other type, for a default
  // that must be told apart from any value the user could have stored.
  std::optional<int32_t> FindDword(std::string_view section, std::string_view name) const;
  std::string ReadString(std::string_view section, std::string_view name,
                         std::string_view defaultValue) const;
  int32_t ReadMachineDword(std::string_view keyPath, std::string_view name,
                           int32_t defaultValue) const;
  std::string ReadVfwDriverName(std::string_view defaultValue) const;

  // Each returns false when the file could not be written; the system's callers ignore
  // that, as they ignore a registry key that cannot be created.
  bool WriteDword(std::string_view section, std::string_view name, int32_t value);
  bool WriteBoolIfChanged(std::string_view section, std::string_view name, int32_t value);
  bool WriteString(std::string_view section, std::string_view name, std::string_view text);

  // Several writes in one transaction: one lock, one rename.
  class Batch {
   public:
    explicit Batch(RegDocument& doc) : doc_(doc) {}
    void WriteDword(std::string_view section, std::string_view name, int32_t value);
    void WriteBoolIfChanged(std::string_view section, std::string_view name, int32_t value);
    void WriteString(std::string_view section, std::string_view name, std::string_view text);
    bool Changed() const { return changed_; }

   private:
    RegDocument& doc_;
    bool changed_ = false;
  };
  bool Update(const std::function<void(Batch&)>& edit);

  // The current contents, for listing tools and tests.
  RegDocument LoadUser() const;
  RegDocument LoadMachine() const;
  const std::filesystem::path& UserFile() const { return userFile_; }
  std::optional<std::filesystem::path> MachineFile() const;
  // How often a file was parsed: reads between changes of the file cost none.
  size_t Parses() const;

 private:
  // A file is parsed once and parsed again only when it changed. The descriptor is held so
  // that the inode number cannot be handed to a new file while the cache stands for it.
  struct Cache {
    UniqueFd fd;
    uint64_t dev = 0, ino = 0, size = 0;
    int64_t mtimeNs = 0, ctimeNs = 0;
    std::shared_ptr<const RegDocument> doc;
    bool reported = false;
  };
  std::shared_ptr<const RegDocument> Cached(const std::filesystem::path& file,
                                            std::string_view ownRoot, Cache& cache) const;
  std::shared_ptr<const RegDocument> User() const;
  std::shared_ptr<const RegDocument> Machine() const;

  std::filesystem::path userFile_;
  std::vector<std::filesystem::path> machineFiles_;
  mutable std::mutex cacheMutex_;
  mutable Cache userCache_, machineCache_;
  mutable size_t parses_ = 0;
};

// Reads a settings file; a missing or unreadable file is an empty document. ownRoot: see
// RegDocument::Reader.
RegDocument LoadRegFile(const std::filesystem::path& file, std::string_view ownRoot = {});

}  // namespace vd
