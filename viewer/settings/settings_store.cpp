#include "vd/settings/settings_store.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
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
  LogWrite("settings", LogLevel::kWarning, "%s: cannot save the settings in %s: %s\n",
           program_invocation_short_name, target.c_str(), error.c_str());
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

namespace {

RegDocument ReadFrom(int fd, uint64_t size, std::string_view ownRoot) {
  RegDocument::Reader reader(ownRoot);
  std::vector<char> chunk(size_t{1} << 20);
  uint64_t got = 0;
  while (!reader.Full()) {
    ssize_t n = ::read(fd, chunk.data(), chunk.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<uint64_t>(n);
    reader.Feed(std::string_view(chunk.data(), static_cast<size_t>(n)));
  }
  return reader.Finish(size > got ? size - got : 0);
}

std::string Describe(const RegDocument& doc) {
  std::string what = std::to_string(doc.IgnoredLines()) + " line(s)";
  if (doc.UnreadBytes() != 0) {
    what += " and the last " + std::to_string(doc.UnreadBytes()) + " byte(s)";
  }
  return what;
}

}  // namespace

RegDocument LoadRegFile(const std::filesystem::path& file, std::string_view ownRoot) {
  // A FIFO or a folder put in the file's place reads as no settings, without blocking.
  UniqueFd fd = OpenRegularFile(file);
  if (!fd) return {};
  struct stat st {};
  if (::fstat(fd.Get(), &st) != 0) return {};
  return ReadFrom(fd.Get(), static_cast<uint64_t>(st.st_size), ownRoot);
}

std::shared_ptr<const RegDocument> SettingsStore::Cached(const std::filesystem::path& file,
                                                         std::string_view ownRoot,
                                                         Cache& cache) const {
  static const auto kEmpty = std::make_shared<const RegDocument>();
  std::lock_guard lock(cacheMutex_);
  struct stat st {};
  if (::stat(file.c_str(), &st) != 0) return kEmpty;
  auto same = [&](const struct stat& s) {
    return s.st_dev == cache.dev && s.st_ino == cache.ino &&
           static_cast<uint64_t>(s.st_size) == cache.size &&
           s.st_mtim.tv_sec * 1'000'000'000LL + s.st_mtim.tv_nsec == cache.mtimeNs &&
           s.st_ctim.tv_sec * 1'000'000'000LL + s.st_ctim.tv_nsec == cache.ctimeNs;
  };
  // An edit in place within one tick of the file system's clock that keeps the size goes
  // unseen; every writer of this program replaces the file, which gives it a new inode.
  if (cache.doc && cache.fd && same(st)) return cache.doc;
  UniqueFd fd = OpenRegularFile(file);
  if (!fd || ::fstat(fd.Get(), &st) != 0) return kEmpty;
  const bool sameFile = cache.fd && st.st_dev == cache.dev && st.st_ino == cache.ino;
  auto doc = std::make_shared<const RegDocument>(
      ReadFrom(fd.Get(), static_cast<uint64_t>(st.st_size), ownRoot));
  ++parses_;
  cache.fd = std::move(fd);
  cache.dev = st.st_dev;
  cache.ino = st.st_ino;
  cache.size = static_cast<uint64_t>(st.st_size);
  cache.mtimeNs = st.st_mtim.tv_sec * 1'000'000'000LL + st.st_mtim.tv_nsec;
  cache.ctimeNs = st.st_ctim.tv_sec * 1'000'000'000LL + st.st_ctim.tv_nsec;
  cache.doc = doc;
  if (!sameFile) cache.reported = false;
  if (doc->Incomplete() && !cache.reported) {
    cache.reported = true;
    LogWrite("settings", LogLevel::kWarning,
             "%s: %s goes past the bounds of a settings file (%zu MB; %zu values for this "
             "program, %zu for others): %s were ignored. The next save "
             "keeps the file as it is now as %s.bak, unless that exists.\n",
             program_invocation_short_name, file.c_str(), RegDocument::kMaxFileBytes >> 20,
             RegDocument::kMaxValues, RegDocument::kMaxValues, Describe(*doc).c_str(),
             file.filename().c_str());
  }
  return doc;
}

std::shared_ptr<const RegDocument> SettingsStore::User() const {
  return Cached(userFile_, kUserRoot, userCache_);
}

std::shared_ptr<const RegDocument> SettingsStore::Machine() const {
  auto file = MachineFile();
  if (!file) return std::make_shared<const RegDocument>();
  return Cached(*file, std::string(kMachineRoot) + std::string(kDriverServiceKey), machineCache_);
}

size_t SettingsStore::Parses() const {
  std::lock_guard lock(cacheMutex_);
  return parses_;
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
  return *User();
}

std::optional<std::filesystem::path> SettingsStore::MachineFile() const {
  for (const auto& f : machineFiles_) {
    std::error_code ec;
    if (std::filesystem::is_regular_file(f, ec)) return f;
  }
  return std::nullopt;
}

RegDocument SettingsStore::LoadMachine() const {
  return *Machine();
}

int32_t SettingsStore::ReadBool(std::string_view section, std::string_view name,
                                int32_t defaultValue) const {
  const auto doc = User();
  const RegValue* v = doc->Find(SectionKey(section), name);
  if (v == nullptr || v->type != RegType::kDword) return defaultValue;
  return v->dword != 0 ? 1 : 0;
}

int32_t SettingsStore::ReadDword(std::string_view section, std::string_view name,
                                 int32_t defaultValue) const {
  return FindDword(section, name).value_or(defaultValue);
}

std::optional<int32_t> SettingsStore::FindDword(std::string_view section,
                                                std::string_view name) const {
  const auto doc = User();
  const RegValue* v = doc->Find(SectionKey(section), name);
  if (v == nullptr || v->type != RegType::kDword) return std::nullopt;
  return static_cast<int32_t>(v->dword);
}

std::string SettingsStore::ReadString(std::string_view section, std::string_view name,
                                      std::string_view defaultValue) const {
  const auto doc = User();
  const RegValue* v = doc->Find(SectionKey(section), name);
  if (v == nullptr || v->type != RegType::kString) return std::string(defaultValue);
  return v->text;
}

int32_t SettingsStore::ReadMachineDword(std::string_view keyPath, std::string_view name,
                                        int32_t defaultValue) const {
  const auto doc = Machine();
  const RegValue* v = doc->Find(std::string(kMachineRoot) + std::string(keyPath), name);
  if (v == nullptr || v->type != RegType::kDword) return defaultValue;
  return static_cast<int32_t>(v->dword);
}

std::string SettingsStore::ReadVfwDriverName(std::string_view defaultValue) const {
  const auto doc = Machine();
  const RegValue* v =
      doc->Find(std::string(kMachineRoot) + std::string(kDriverServiceKey), "VfwDriverName");
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
  // What the bounds left unread, and the comments and damaged lines of a file edited by
  // hand, are not written back: keep the file as it was, once, and never over an earlier
  // copy.
  const bool linesLost = doc.DamagedLines() != 0 || doc.CommentLines() != 0;
  if (doc.Incomplete() || linesLost) {
    const std::string copy = userFile_.string() + ".bak";
    // Through a link to the file it names, so the copy holds the text, not the link.
    const bool kept =
        ::linkat(AT_FDCWD, userFile_.c_str(), AT_FDCWD, copy.c_str(), AT_SYMLINK_FOLLOW) == 0;
    const int why = errno;
    if (!kept && why != EEXIST) {
      SettingsTrace("cannot keep %s: %s\n", copy.c_str(), std::strerror(why));
    }
    if (linesLost) {
      LogWrite("settings", LogLevel::kWarning,
               "%s: %s has %zu comment and %zu unreadable line(s) that saving does not keep; "
               "%s\n",
               program_invocation_short_name, userFile_.c_str(), doc.CommentLines(),
               doc.DamagedLines(),
               (kept            ? "the file as it was is kept as " + copy
                : why == EEXIST ? "an earlier copy " + copy + " is left as it is"
                                : "no copy could be kept: " + std::string(std::strerror(why)))
                   .c_str());
    }
  }
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
