// The bars docked under the main window's video area (capture statistics, playback, the tool
// strips and the status line) and the commands that belong to them: the strip toggles
// 164/165/166/180 and the engine's dialogs 39..50. The main window keeps the geometry rule:
// what these bars take is its bottom reserve.
#pragma once

#include <QString>
#include <memory>

#include "engine_dialog_table.h"
#include "tool_strips.h"
#include "vd/pages/graph_pages_engine.h"
#include "vd/settings/main_settings.h"
#include "vd/video/capture_host.h"

class CaptureGraph;
class CaptureStatsBar;
class PlaybackBar;
class QMenu;

namespace vd {

class ViewerBars {
 public:
  // What the bars ask of the main window.
  struct Owner {
    // The window the bars, their dialogs and their menus belong to.
    virtual QWidget& Widget() = 0;
    virtual CaptureGraph* Engine() = 0;
    // What the engine's pages reach of the window.
    virtual PagesWindow PagesHooks() = 0;
    virtual void OnCommand(int id) = 0;
    virtual void OnPanelCommand(int id) = 0;
    virtual vd::WorkMode WorkModeValue() const = 0;
    virtual bool FullScreen() const = 0;
    virtual MainSettings& Settings() = 0;
    // The settings' sound mode to the device and the panel.
    virtual void ApplySoundMode() = 0;
    virtual void RefreshDeviceStatus() = 0;

   protected:
    ~Owner() = default;
  };

  // Bar ids of the dock beside the strips' template numbers.
  static constexpr int kStatisticsBar = 1;
  static constexpr int kPlaybackBar = 2;

  explicit ViewerBars(Owner& window);
  ~ViewerBars();
  ViewerBars(const ViewerBars&) = delete;
  ViewerBars& operator=(const ViewerBars&) = delete;

  // Once the capture engine runs: the strips and dialogs work on it from then on.
  void AttachEngine();
  // Before the engine goes.
  void DetachEngine();

  // Places the shown bars at the bottom of a client of `width` x `height`; returns the
  // height they take (the bottom reserve).
  int Layout(int width, int height, bool fullScreen);
  void OnViewState(ViewState viewState);
  void RefreshStatus();
  void ShowNetworkName(const QString& name);

  // The capture statistics and the status display during a capture.
  void ShowStatistics(const StatisticsText& text);
  void ShowCaptureProgress(double seconds, int64_t bytes);
  // A passing note in the status line (the next status replaces it).
  void ShowStatusNote(const QString& text);

  // A clip was opened in the player: the bar takes its length.
  void OpenClip();
  void ShowPlaybackTimes(const std::string& length, const std::string& elapsed);
  void StartPlaybackTimer(uint32_t id, uint32_t periodMs);
  void StopPlaybackTimer(uint32_t id);

  // Strip toggles and engine dialogs; false for other commands. The caller lays out again.
  bool OnCommand(int command);
  // The engine dialogs the device offers now.
  EnginePageFlags PageFlags();
  // The context menu's "Toolbars" and "Video settings" submenus.
  void AddMenus(QMenu& menu);

  CaptureStatsBar* Statistics() const { return statistics_; }
  PlaybackBar* Playback() const { return playback_; }
  ToolStrips& Strips() { return *strips_; }
  PagesEngine* Pages();

 private:
  bool RunEngineDialog(int command);
  void ShowTunerPage();
  void ShowTvAudioPage();

  Owner& window_;
  CaptureStatsBar* statistics_ = nullptr;
  PlaybackBar* playback_ = nullptr;
  std::unique_ptr<ToolStrips> strips_;
  std::unique_ptr<GraphPagesEngine> pages_;
  ViewState viewState_ = ViewState::kStartUp;
};

}  // namespace vd
