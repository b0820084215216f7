#include "settings_store.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>

#include "vd/file_read.h"
#include "vd/file_replace.h"
#include "vd/trace.h"
#include "vd/unique_fd.h"
#include "xdg_paths.h"

VD_DEFINE_TRACE(SettingsTrace, "settings")

namespace vd {

namespace {

constexpr const char* kFolder = "Corvalen";
constexpr const char* kFileName = "viewdeck.reg";

// The settings file is replaced in one step: a crash or a second program leaves the old
// settings or the new ones, never a mix.
bool StoreFile(const std::filesystem::path& target, std::string_view content) {
  std::string error;
  if (ReplaceFile(target, content, &error)) return true;
  SettingsTrace("cannot write %s: %s\n", target.c_str(), error.c_str());
  return false;
}

std::mutex& DefaultMutex() {
  static std::mutex m;
  return m;
}

std::unique_ptr<SettingsStore>& DefaultHolder() {
  static std::unique_ptr<SettingsStore> store;
  return store;
}

}  // namespace

RegDocument LoadRegFile(const std::filesystem::path& file) {
  // A FIFO or a folder put in the file's place reads as no settings, without blocking.
  UniqueFd file_fd = OpenRegularFile(file);
  if (!file_fd) return {};
  const int fd = file_fd.Get();
  struct stat st {};
  if (::fstat(fd, &st) != 0) return {};
  // A UTF-16 file needs two bytes a character; anything beyond is cut by the parser anyway.
  const size_t limit = RegDocument::kMaxFileBytes * 2 + 2;
  std::string bytes;
  bytes.resize(std::min<size_t>(static_cast<size_t>(st.st_size), limit));
  size_t got = 0;
  while (got < bytes.size()) {
    ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<size_t>(n);
  }
  bytes.resize(got);
  return RegDocument::Parse(bytes);
}

SettingsStore::SettingsStore(std::filesystem::path userFile,
                             std::vector<std::filesystem::path> machineFiles)
    : userFile_(std::move(userFile)), machineFiles_(std::move(machineFiles)) {}

std::unique_ptr<SettingsStore> SettingsStore::FromEnvironment() {
  std::vector<std::filesystem::path> machine;
  for (const auto& dir : xdg::ConfigDirs()) machine.push_back(dir / kFolder / kFileName);
  return std::make_unique<SettingsStore>(xdg::ConfigHome() / kFolder / kFileName,
                                         std::move(machine));
}

SettingsStore& SettingsStore::Default() {
  std::lock_guard lock(DefaultMutex());
  auto& holder = DefaultHolder();
  if (!holder) holder = FromEnvironment();
  return *holder;
}

void SettingsStore::ResetDefault(std::unique_ptr<SettingsStore> store) {
  std::lock_guard lock(DefaultMutex());
  DefaultHolder() = std::move(store);
}

std::string SettingsStore::SectionKey(std::string_view section) {
  std::string key(kUserRoot);
  key += section;
  return key;
}

RegDocument SettingsStore::LoadUser() const {
  return LoadRegFile(userFile_);
}

std::optional<std::filesystem::path> SettingsStore::MachineFile() const {
  for (const auto& f : machineFiles_) {
    std::error_code ec;
    if (std::filesystem::is_regular_file(f, ec)) return f;
  }
  return std::nullopt;
}

RegDocument SettingsStore::LoadMachine() const {
  auto file = MachineFile();
  return file ? LoadRegFile(*file) : RegDocument{};
}

const RegValue* SettingsStore::FindUser(const RegDocument& doc, std::string_view section,
                                        std::string_view name) const {
  return doc.Find(SectionKey(section), name);
}

int32_t SettingsStore::ReadBool(std::string_view section, std::string_view name,
                                int32_t defaultValue) const {
  RegDocument doc = LoadUser();
  const RegValue* v = FindUser(doc, section, name);
  if (v == nullptr || v->type != RegType::kDword) return defaultValue;
  return v->dword != 0 ? 1 : 0;
}

int32_t SettingsStore::ReadDword(std::string_view section, std::string_view name,
                                 int32_t defaultValue) const {
  RegDocument doc = LoadUser();
  const RegValue* v = FindUser(doc, section, name);
  if (v == nullptr || v->type != RegType::kDword) return defaultValue;
  return static_cast<int32_t>(v->dword);
}

std::string SettingsStore::ReadString(std::string_view section, std::string_view name,
                                      std::string_view defaultValue) const {
  RegDocument doc = LoadUser();
  const RegValue* v = FindUser(doc, section, name);
  if (v == nullptr || v->type != RegType::kString) return std::string(defaultValue);
  return v->text;
}

int32_t SettingsStore::ReadMachineDword(std::string_view keyPath, std::string_view name,
                                        int32_t defaultValue) const {
  RegDocument doc = LoadMachine();
  const RegValue* v = doc.Find(std::string(kMachineRoot) + std::string(keyPath), name);
  if (v == nullptr || v->type != RegType::kDword) return defaultValue;
  return static_cast<int32_t>(v->dword);
}

std::string SettingsStore::ReadVfwDriverName(std::string_view defaultValue) const {
  RegDocument doc = LoadMachine();
  const RegValue* v =
      doc.Find(std::string(kMachineRoot) + std::string(kDriverServiceKey), "VfwDriverName");
  if (v == nullptr || v->type != RegType::kString) return std::string(defaultValue);
  return v->text;
}

void SettingsStore::Batch::WriteDword(std::string_view section, std::string_view name,
                                      int32_t value) {
  RegValue v{std::string(name), RegType::kDword, static_cast<uint32_t>(value), {}};
  changed_ = doc_.Set(SectionKey(section), std::move(v)) || changed_;
}

void SettingsStore::Batch::WriteBoolIfChanged(std::string_view section, std::string_view name,
                                              int32_t value) {
  // The read uses the negation as its default, so a missing value always differs.
  const RegValue* v = doc_.Find(SectionKey(section), name);
  int32_t current =
      (v != nullptr && v->type == RegType::kDword) ? (v->dword != 0 ? 1 : 0) : (value == 0 ? 1 : 0);
  if (current != value) WriteDword(section, name, value);
}

void SettingsStore::Batch::WriteString(std::string_view section, std::string_view name,
                                       std::string_view text) {
  // A string value ends at its terminator, as it would in the registry.
  text = text.substr(0, text.find('\0'));
  RegValue v{std::string(name), RegType::kString, 0, std::string(text)};
  changed_ = doc_.Set(SectionKey(section), std::move(v)) || changed_;
}

bool SettingsStore::Update(const std::function<void(Batch&)>& edit) {
  std::error_code ec;
  std::filesystem::create_directories(userFile_.parent_path(), ec);
  std::string lockPath = userFile_.string() + ".lock";
  UniqueFd lock(::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
  if (!lock) {
    SettingsTrace("cannot open %s: %s\n", lockPath.c_str(), std::strerror(errno));
    return false;
  }
  while (::flock(lock.Get(), LOCK_EX) != 0) {
    if (errno != EINTR) return false;
  }
  RegDocument doc = LoadUser();
  Batch batch(doc);
  edit(batch);
  if (!batch.Changed()) return true;
  return StoreFile(userFile_, doc.Serialize());
}

bool SettingsStore::WriteDword(std::string_view section, std::string_view name, int32_t value) {
  return Update([&](Batch& b) { b.WriteDword(section, name, value); });
}

bool SettingsStore::WriteBoolIfChanged(std::string_view section, std::string_view name,
                                       int32_t value) {
  return Update([&](Batch& b) { b.WriteBoolIfChanged(section, name, value); });
}

bool SettingsStore::WriteString(std::string_view section, std::string_view name,
                                std::string_view text) {
  return Update([&](Batch& b) { b.WriteString(section, name, text); });
}

}  // namespace vd
