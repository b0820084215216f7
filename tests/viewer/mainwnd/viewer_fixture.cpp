#include "viewer_fixture.h"

#include <gst/gst.h>

#include <QApplication>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "vd/settings/settings_table.h"
#include "vd/tuning/tuner_control.h"
#include "vd/virtual_tv_box.h"

namespace vdtest {

void ViewerTest::SetUp() {
  std::string tmpl = (std::filesystem::temp_directory_path() / "vd-mainwnd-XXXXXX").string();
  ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
  root_ = tmpl;
  for (const char* dir : {"config", "data", "run", "etc"}) {
    std::filesystem::create_directories(root_ / dir);
  }
  setenv("XDG_CONFIG_HOME", (root_ / "config").c_str(), 1);
  setenv("XDG_DATA_HOME", (root_ / "data").c_str(), 1);
  setenv("XDG_RUNTIME_DIR", (root_ / "run").c_str(), 1);
  setenv("XDG_CONFIG_DIRS", (root_ / "etc").c_str(), 1);
  setenv("VIEWDECK_AUDIO_SINK", "fake", 1);
  setenv("VIEWDECK_MIXER", "virtual", 1);
  gst_init(nullptr, nullptr);
  vd::VirtualTvBox::Shared()->SetLockTime(std::chrono::milliseconds(0));
  store_ = ReopenStore();
  // A known start: stations filled from the plan instead of the scan question.
  Preset("AutoScan", 0);
}

void ViewerTest::TearDown() {
  Close();
  store_.reset();
  std::error_code ec;
  std::filesystem::remove_all(root_, ec);
}

std::unique_ptr<vd::SettingsStore> ViewerTest::ReopenStore() const {
  return std::make_unique<vd::SettingsStore>(
      root_ / "config" / "Corvalen" / "viewdeck.reg",
      std::vector<std::filesystem::path>{root_ / "etc" / "Corvalen" / "viewdeck.reg"});
}

void ViewerTest::Preset(const std::string& name, int32_t value) {
  ASSERT_TRUE(store_->WriteDword(vd::kSection, name, value));
}

void ViewerTest::DisableFm() {
  std::filesystem::create_directories(root_ / "etc" / "Corvalen");
  std::ofstream(root_ / "etc" / "Corvalen" / "viewdeck.reg")
      << "Windows Registry Editor Version 5.00\n\n"
         "[HKEY_LOCAL_MACHINE\\Software\\Ardmoor\\Brevant\\Video\\BRTVUSB]\n"
         "\"FM_Disabled\"=dword:00000001\n";
}

bool ViewerTest::Launch(CViewerDlg::Options options) {
  options.screenDepth = options.screenDepth != 0 ? options.screenDepth : 16;
  window_ = std::make_unique<CViewerDlg>(*store_, std::move(options));
  window_->SetMessageSink(
      [this](const std::string&, const std::string& text) { shown_.push_back(text); });
  return window_->Start();
}

bool ViewerTest::LaunchQuiet() {
  CViewerDlg::Options options;
  options.startParser = false;
  return Launch(options);
}

CChannelTable* ViewerTest::Table() const {
  return window_->Parts().Engine()->Tuner()->Table();
}

void ViewerTest::Close() {
  if (!window_) return;
  window_->Shutdown();
  window_.reset();
}

int32_t ViewerTest::Stored(const std::string& name, int32_t fallback) const {
  return ReopenStore()->ReadDword(vd::kSection, name, fallback);
}

std::vector<std::filesystem::path> ViewerTest::AlbumFiles(const std::string& extension) const {
  std::vector<std::filesystem::path> found;
  std::error_code ec;
  for (auto it = std::filesystem::recursive_directory_iterator(root_ / "data", ec);
       it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    if (it->path().extension() == extension &&
        it->path().string().find("Gallery") != std::string::npos) {
      found.push_back(it->path());
    }
  }
  return found;
}

bool ViewerTest::PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 10);
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

void ViewerTest::PumpFor(std::chrono::milliseconds time) {
  const auto end = std::chrono::steady_clock::now() + time;
  PumpUntil([&] { return std::chrono::steady_clock::now() >= end; }, time * 2);
}

}  // namespace vdtest
