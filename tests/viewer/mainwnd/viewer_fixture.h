// A main window on the virtual TV box with private settings, data and runtime folders.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "vd/mainwnd/viewer_dlg.h"
#include "vd/settings/settings_store.h"

class CChannelTable;

namespace vdtest {

class ViewerTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Writes a value into the user settings before the window starts.
  void Preset(const std::string& name, int32_t value);
  void DisableFm();
  // Makes and starts the main window; false when Start failed.
  bool Launch(CViewerDlg::Options options = {});
  // As Launch, without the stream parser (tests that drive the window directly).
  bool LaunchQuiet();
  CChannelTable* Table() const;
  void Close();
  std::unique_ptr<vd::SettingsStore> ReopenStore() const;
  int32_t Stored(const std::string& name, int32_t fallback = -99) const;
  std::vector<std::filesystem::path> AlbumFiles(const std::string& extension) const;

  static bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);
  static void PumpFor(std::chrono::milliseconds time);

  std::filesystem::path root_;
  std::unique_ptr<vd::SettingsStore> store_;
  std::unique_ptr<CViewerDlg> window_;
  std::vector<std::string> shown_;
};

}  // namespace vdtest
