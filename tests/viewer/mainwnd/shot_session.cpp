#include "shot_session.h"

#include <QApplication>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "vd/settings/settings_table.h"
#include "vd/virtual_tv_box.h"

namespace vdshots {

void Pump(int ms) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < end) {
    QApplication::processEvents(QEventLoop::AllEvents, 10);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

bool PrepareFolders(const char* prefix, std::filesystem::path* root) {
  std::string tmpl =
      (std::filesystem::temp_directory_path() / (std::string(prefix) + "-XXXXXX")).string();
  if (::mkdtemp(tmpl.data()) == nullptr) return false;
  *root = tmpl;
  setenv("XDG_DATA_HOME", (*root / "data").c_str(), 1);
  setenv("XDG_RUNTIME_DIR", root->c_str(), 1);
  setenv("VIEWDECK_AUDIO_SINK", "fake", 1);
  setenv("VIEWDECK_MIXER", "virtual", 1);
  return true;
}

std::unique_ptr<CViewerDlg> StartViewer(vd::SettingsStore& store) {
  vd::VirtualTvBox::Shared()->SetLockTime(std::chrono::milliseconds(0));
  store.WriteDword(vd::kSection, vd::setting::kAutoScan, 0);
  store.WriteDword(vd::kSection, vd::setting::kNotShowAgain, 1);
  auto window = std::make_unique<CViewerDlg>(store);
  if (!window->Start()) return nullptr;
  return window;
}

}  // namespace vdshots
