#include "headless_session.h"

#include <cstdio>
#include <cstdlib>

#include "settings_store.h"
#include "settings_table.h"
#include "video_standards.h"

namespace vd {

HeadlessSession::HeadlessSession(int32_t mode, int32_t countryCode) {
  workMode = mode;
  country = countryCode;
  std::string tmpl = (std::filesystem::temp_directory_path() / "viewdeck-XXXXXX").string();
  if (::mkdtemp(tmpl.data()) != nullptr) folder_ = tmpl;
  folder = folder_.string();
  store_ = std::make_unique<SettingsStore>(folder_ / "settings.reg",
                                           std::vector<std::filesystem::path>{});
  // No device page chooses the external inputs' standard here, so the country sets it for
  // them as for the tuner: a German composite source runs at 25 frames a second too.
  const int32_t family = VideoStandards::DetectFamily(countryCode);
  store_->WriteDword(kSection, setting::kVideoStandard0, family);
  store_->WriteDword(kSection, setting::kVideoStandard1, family);
  // Which cards the engine may use is the user's choice, here as in the viewer.
  store_->WriteBoolIfChanged(kSection, setting::kOnlyCorvalenDevices,
                    SettingsStore::Default().ReadBool(kSection, setting::kOnlyCorvalenDevices,
                                                      setting::kDefaultOnlyCorvalenDevices));
}

HeadlessSession::~HeadlessSession() {
  engine_.reset();
  for (auto& [id, source] : timers_) g_source_remove(source);
  std::error_code ec;
  if (!folder_.empty()) std::filesystem::remove_all(folder_, ec);
}

bool HeadlessSession::Start(VideoFrameSink* video) {
  if (folder_.empty()) return false;
  engine_ = std::make_unique<CaptureGraph>(DeviceEnumerator::Default(), *store_, *this, *this);
  if (engine_->Init(video)) return true;
  // The engine's own message names no cause; a card that is there but not the product's is
  // the usual one.
  const auto found = DeviceEnumerator::Default().VideoInputDevices();
  if (!found.empty() &&
      store_->ReadBool(kSection, setting::kOnlyCorvalenDevices,
                       setting::kDefaultOnlyCorvalenDevices) != 0) {
    std::fprintf(stderr,
                 "vdtool: %s is not a device of the product, and the setting "
                 "Only_Corvalen_Devices (1) allows no other; set it to 0 in %s to use any card\n",
                 found.front().friendlyName.c_str(), SettingsStore::Default().UserFile().c_str());
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
  while (!done() && !quit_) {
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

void HeadlessSession::ShowMessage(const std::string& text) {
  ++messages_;
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
