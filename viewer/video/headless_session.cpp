#include "vd/video/headless_session.h"

#include <fcntl.h>
#include <glib-unix.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <ctime>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "avi_mend.h"
#include "vd/file_replace.h"
#include "vd/settings/settings_store.h"
#include "vd/settings/settings_table.h"
#include "vd/stop_signals.h"
#include "vd/trace.h"
#include "video_standards.h"

namespace vd {

namespace {
constexpr const char* kLockName = ".lock";
constexpr const char* kBesideLinkName = "recording-beside";
constexpr const char* kBesideSuffix = ".part";
}  // namespace

HeadlessSession::HeadlessSession(vd::WorkMode mode, int32_t countryCode) {
  workMode = mode;
  country = countryCode;
  std::error_code ec;
  scratchParent_ = std::filesystem::temp_directory_path(ec);
  std::string tmpl = (scratchParent_ / "viewdeck-XXXXXX").string();
  if (ec) {
    const char* tmpdir = std::getenv("TMPDIR");
    scratchParent_ = tmpdir != nullptr ? tmpdir : "";
    scratchError_ = ec.message();
  } else if (::mkdtemp(tmpl.data()) != nullptr) {
    folder_ = tmpl;
    // Held for the session's life: a folder whose lock nobody holds belongs to a dead run.
    lock_.Reset(::open((folder_ / kLockName).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
    if (lock_) ::flock(lock_.Get(), LOCK_EX | LOCK_NB);
    RescueDeadRuns();
  } else {
    scratchError_ = std::strerror(errno);
  }
  folder = folder_.string();
  store_ = std::make_unique<SettingsStore>(folder_ / "settings.reg",
                                           std::vector<std::filesystem::path>{});
  // No device page chooses the external inputs' standard here, so the country sets it for
  // them as for the tuner: a German composite source runs at 25 frames a second too.
  const int32_t family = VideoStandards::DetectFamily(countryCode);
  if (folder_.empty()) return;  // Start reports it; nothing may land in the working folder
  store_->WriteDword(kSection, setting::kVideoStandard0, family);
  store_->WriteDword(kSection, setting::kVideoStandard1, family);
  // Which cards the engine may use is the user's choice, here as in the viewer.
  store_->WriteBoolIfChanged(
      kSection, setting::kOnlyCorvalenDevices,
      SettingsStore::Default().ReadBool(kSection, setting::kOnlyCorvalenDevices,
                                        setting::kDefaultOnlyCorvalenDevices));
  // So is the sound chosen for each card.
  const std::string cardSound = SettingsStore::SectionKey(kCardSoundSection);
  const RegDocument viewers = SettingsStore::Default().LoadUser();
  for (const RegKey& key : viewers.Keys()) {
    if (key.path != cardSound) continue;
    store_->Update([&](SettingsStore::Batch& batch) {
      for (const RegValue& value : key.values)
        if (value.type == RegType::kString)
          batch.WriteString(kCardSoundSection, value.name, value.text);
    });
  }
}

HeadlessSession::~HeadlessSession() {
  engine_.reset();
  if (signalWatch_ != 0) g_source_remove(signalWatch_);
  for (auto& [id, source] : timers_) g_source_remove(source);
  std::error_code ec;
  if (!folder_.empty()) std::filesystem::remove_all(folder_, ec);
}

bool HeadlessSession::Start(VideoFrameSink* video, DeviceEnumerator* devices) {
  if (folder_.empty()) {
    LogWrite("video", LogLevel::kError, "vdtool: cannot make a scratch folder in %s (TMPDIR): %s\n",
             scratchParent_.c_str(), scratchError_.c_str());
    return false;
  }
  DeviceEnumerator& enumerator = devices != nullptr ? *devices : DeviceEnumerator::Default();
  engine_ = std::make_unique<CaptureGraph>(enumerator, *store_, *this, *this);
  engine_->Devices().Sound().Override(cardSound_);
  if (!engine_->Init(video)) return false;
  const DeviceInfo& used = engine_->Devices().VideoDeviceInfo();
  if (!card_.empty() && (used.busPath.empty() ? used.path : used.busPath) != card_) {
    LogWrite("video", LogLevel::kError,
             "vdtool: the card chosen (%s) cannot be used: the setting Only_Corvalen_Devices "
             "(1) allows only the product's devices; set it to 0 in %s to use any card\n",
             card_.c_str(), SettingsStore::Default().UserFile().c_str());
    return false;
  }
  return true;
}

void HeadlessSession::UseCard(const std::string& key) {
  card_ = key;
  if (!folder_.empty()) store_->WriteString(kSection, setting::kVideoCardBus, key);
}

bool HeadlessSession::OfferCard(const CardOffer& card) {
  // The engine's own message names no cause; said before it, this is the cause.
  if (card.nothingElse) {
    LogWrite("video", LogLevel::kError,
             "vdtool: %s (driver %s, %s) is not a device of the product, and the setting "
             "Only_Corvalen_Devices (1) allows no other; set it to 0 in %s to use any card\n",
             card.name.c_str(), card.driver.empty() ? "unknown" : card.driver.c_str(),
             card.busPath.empty() ? "no bus path" : card.busPath.c_str(),
             SettingsStore::Default().UserFile().c_str());
  }
  return false;
}

bool HeadlessSession::RunUntil(const std::function<bool()>& done,
                               std::chrono::milliseconds timeout) {
  auto deadline = std::chrono::steady_clock::now() + timeout;
  quit_ = false;
  // A condition that nothing on the loop changes (a signal that never comes) must still end
  // at the deadline, so a timeout source wakes the blocking iteration then.
  const guint wake = g_timeout_add(
      static_cast<guint>(timeout.count()), [](gpointer) { return G_SOURCE_REMOVE; }, nullptr);
  bool timedOut = false;
  while (!done() && !quit_ && stopSignal_ == 0) {
    if (std::chrono::steady_clock::now() >= deadline) {
      timedOut = true;
      break;
    }
    // Blocks until a timer, a pipeline message or a device change needs the engine.
    g_main_context_iteration(nullptr, TRUE);
  }
  if (GSource* source = g_main_context_find_source_by_id(nullptr, wake)) {
    g_source_destroy(source);
  }
  return !timedOut && done();
}

bool HeadlessSession::CatchStopSignals() {
  if (signalWatch_ != 0) return true;
  if (!StopSignals::Install()) return false;
  stopSignal_ = StopSignals::Received();
  signalWatch_ = g_unix_fd_add(
      StopSignals::ReadFd(), G_IO_IN,
      [](gint, GIOCondition, gpointer data) -> gboolean {
        static_cast<HeadlessSession*>(data)->stopSignal_ = StopSignals::Take();
        return G_SOURCE_CONTINUE;
      },
      this);
  return true;
}

void HeadlessSession::RescueDeadRuns() {
  namespace fs = std::filesystem;
  std::error_code ec;
  for (const fs::directory_entry& entry : fs::directory_iterator(scratchParent_, ec)) {
    const std::string name = entry.path().filename().string();
    if (name.size() != 15 || name.rfind("viewdeck-", 0) != 0 || entry.path() == folder_ ||
        !entry.is_directory(ec) || entry.is_symlink(ec))
      continue;
    struct stat st {};
    if (::lstat(entry.path().c_str(), &st) != 0 || st.st_uid != ::geteuid()) continue;
    UniqueFd lock(::open((entry.path() / kLockName).c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW));
    // Without a lock file the folder may be a run between mkdtemp and its lock: only an old
    // one is taken for dead.
    if (!lock && ::time(nullptr) - st.st_mtime < 60) continue;
    if (lock && ::flock(lock.Get(), LOCK_EX | LOCK_NB) != 0) continue;  // still running
    bool keepFolder = false;
    for (const fs::directory_entry& file : fs::directory_iterator(entry.path(), ec)) {
      if (file.path().filename() == kBesideLinkName) {
        RescueBeside(file.path());
        continue;
      }
      std::string ext = file.path().extension().string();
      for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      if (ext != ".avi" || !file.is_regular_file(ec) || file.file_size(ec) <= 64) continue;
      // The killed run's recording gets the end its writer could not write, and a name of
      // its own beside the scratch folders, as a failed save would have left it.
      std::string why;
      uint32_t frames = 0;
      const bool mended = AviMend::Mend(file.path().string(), &why, &frames);
      if (mended && frames == 0) continue;  // killed before its first picture
      // One that cannot be mended is kept as it is: it goes with the folder otherwise.
      const fs::path kept = KeepFile(file.path(), mended);
      if (kept.empty()) {
        keepFolder = true;
      } else if (mended) {
        LogWrite("video", LogLevel::kWarning,
                 "vdtool: a recording a stopped run left is kept as %s\n", kept.c_str());
      } else {
        LogWrite("video", LogLevel::kWarning,
                 "vdtool: a recording a stopped run left could not be mended (%s); it is kept "
                 "as it was, as %s\n",
                 why.c_str(), kept.c_str());
      }
    }
    if (!keepFolder) fs::remove_all(entry.path(), ec);
  }
}

void HeadlessSession::NoteRecordingAt(const std::string& path) {
  if (folder_.empty() || path.empty()) return;
  std::error_code ec;
  const std::filesystem::path target = std::filesystem::absolute(path, ec);
  if (!ec) std::filesystem::create_symlink(target, folder_ / kBesideLinkName, ec);
}

void HeadlessSession::RescueLeftBeside(const std::string& file) {
  namespace fs = std::filesystem;
  const fs::path target = FollowLinks(file).value_or(fs::path(file));
  const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
  const size_t suffix = std::char_traits<char>::length(kBesideSuffix);
  std::error_code ec;
  std::vector<fs::path> left;
  // "NAME.XXXXXX.part", whatever NAME the killed run was to save.
  for (const fs::directory_entry& entry : fs::directory_iterator(folder, ec)) {
    const std::string name = entry.path().filename().string();
    if (name.size() <= 8 + suffix || name[name.size() - suffix - 7] != '.' ||
        name.compare(name.size() - suffix, suffix, kBesideSuffix) != 0)
      continue;
    // A run makes its mark only once it holds its file: with the mark there and the file
    // free, the run that wrote it is gone.
    const bool marked = fs::exists(folder / ("." + name + ".unsaved"), ec);
    const UniqueFd held(::open(entry.path().c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    struct stat st {};
    if (!held || ::fstat(held.Get(), &st) != 0 || !S_ISREG(st.st_mode) ||
        st.st_uid != ::geteuid() || ::flock(held.Get(), LOCK_EX | LOCK_NB) != 0)
      continue;
    if (marked) {
      left.push_back(entry.path());
    } else if (st.st_size == 0 && ::time(nullptr) - st.st_mtime > 60) {
      // Killed before it recorded anything; a young empty one may be a run just starting.
      ::unlink(entry.path().c_str());
    }
  }
  for (const fs::path& part : left) RescuePart(part);
}

void HeadlessSession::RescueBeside(const std::filesystem::path& link) {
  std::error_code ec;
  const std::filesystem::path target = std::filesystem::read_symlink(link, ec);
  if (!ec) RescuePart(target);
}

void HeadlessSession::RescuePart(const std::filesystem::path& target) {
  namespace fs = std::filesystem;
  const std::string name = target.string();
  const size_t suffix = std::char_traits<char>::length(kBesideSuffix);
  // Only a recording this program names so, still there, a file of this user's: a link
  // left dangling by a recording that had become its target is nothing to rescue.
  struct stat st {};
  if (name.size() <= suffix + 7 || name.compare(name.size() - suffix, suffix, kBesideSuffix) != 0 ||
      ::lstat(name.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid())
    return;
  std::string why;
  uint32_t frames = 0;
  // The engine's mark of an unsaved recording beside it goes with the rescue.
  ::unlink((target.parent_path() / ("." + target.filename().string() + ".unsaved")).c_str());
  const bool mended = AviMend::Mend(name, &why, &frames);
  // Killed before its first picture: there is nothing to keep.
  if ((mended && frames == 0) || (!mended && st.st_size <= 64)) {
    ::unlink(name.c_str());
    return;
  }
  if (!mended) {
    LogWrite("video", LogLevel::kWarning,
             "vdtool: a recording a stopped run left at %s could not be mended: %s\n", name.c_str(),
             why.c_str());
    return;
  }
  // Beside the file it was to become, never over it: "film-rescued-XXXXXX.avi".
  const fs::path meant(name.substr(0, name.size() - suffix - 7));
  std::string kept =
      (meant.parent_path() / (meant.stem().string() + "-rescued-XXXXXX.avi")).string();
  const int fd = ::mkstemps(kept.data(), 4);
  if (fd >= 0) {
    ::close(fd);
    if (::rename(name.c_str(), kept.c_str()) != 0) {
      ::unlink(kept.c_str());
      kept = name;
    }
  } else {
    kept = name;
  }
  LogWrite("video", LogLevel::kWarning, "vdtool: a recording a stopped run left is kept as %s\n",
           kept.c_str());
}

std::filesystem::path HeadlessSession::KeepFile(const std::filesystem::path& file, bool mend) {
  std::string name = (scratchParent_ / "viewdeck-recording-XXXXXX.avi").string();
  // mkstemps reserves the name, so no other run (or user) can be handed the same one.
  const int fd = ::mkstemps(name.data(), 4);
  if (fd < 0) return {};
  ::close(fd);
  if (::rename(file.c_str(), name.c_str()) == 0) return name;
  // A recording written beside its target lies on another disk, or in a folder that turned
  // read-only: it is copied, and given the end its writer could not write there.
  std::error_code ec;
  std::string why;
  if (!std::filesystem::copy_file(file, name, std::filesystem::copy_options::overwrite_existing,
                                  ec) ||
      (mend && !AviMend::Mend(name, &why))) {
    ::unlink(name.c_str());
    return {};
  }
  ::unlink(file.c_str());
  return name;
}

std::filesystem::path HeadlessSession::KeepCaptureFile() {
  if (engine_ == nullptr || folder_.empty()) return {};
  return KeepFile(engine_->File().Path());
}

void HeadlessSession::ShowMessage(const std::string& text) {
  ++messages_;
  std::fprintf(stderr, "vdtool: %s\n", text.c_str());
}

void HeadlessSession::ShowStatusNote(const std::string& text) {
  // Not counted as a message: the command goes on.
  std::fprintf(stderr, "vdtool: %s\n", text.c_str());
}

void HeadlessSession::ShowMessageBox(const std::string& caption, const std::string& text) {
  ++messages_;
  std::fprintf(stderr, "vdtool: %s%s%s\n", caption.c_str(), caption.empty() ? "" : ": ",
               text.c_str());
}

void HeadlessSession::ShowMessage(const std::string& caption, const std::string& text) {
  ShowMessageBox(caption, text);
}

void HeadlessSession::WaitForCopy(CopyControl& control, const std::function<bool()>& finished) {
  // No window to keep alive; a stop signal ends the copy, and the caller keeps the recording.
  while (!finished()) {
    if (StopSignals::Received() != 0) control.cancel = true;
    g_usleep(20 * 1000);
  }
}

void HeadlessSession::OnDeviceLost() {
  aborted_ = true;
  ShowMessage("The capture device was unplugged.");
}

void HeadlessSession::SetTimer(uint32_t id, uint32_t milliseconds) {
  KillTimer(id);
  struct Tick {
    HeadlessSession* self;
    uint32_t id;
  };
  timers_[id] = g_timeout_add_full(
      G_PRIORITY_DEFAULT, milliseconds,
      [](gpointer data) -> gboolean {
        auto* tick = static_cast<Tick*>(data);
        if (tick->self->engine_ != nullptr) tick->self->engine_->OnTimer(tick->id);
        return G_SOURCE_CONTINUE;
      },
      new Tick{this, id}, [](gpointer data) { delete static_cast<Tick*>(data); });
}

void HeadlessSession::KillTimer(uint32_t id) {
  auto it = timers_.find(id);
  if (it == timers_.end()) return;
  g_source_remove(it->second);
  timers_.erase(it);
}

void HeadlessSession::RunCaptureCommand() {
  if (engine_ != nullptr) engine_->StopCapture();
  quit_ = true;
}

}  // namespace vd
