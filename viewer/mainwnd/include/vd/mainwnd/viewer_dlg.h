// The viewer's main window: the video area, the status label, the view-state strip and the
// capture-statistics bar. It owns the control panel, the mixer and the album window, uses the
// capture engine and the stream parser (vd::ViewerDevices holds them), and routes the
// commands of the panel, the keyboard and the remote between them. UI thread only, except
// where a member says otherwise.
#pragma once

#include <QLabel>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <map>
#include <memory>
#include <span>

#include "command_table.h"
#include "mixer_link.h"
#include "remote_bridge.h"
#include "vd/album/album_host.h"
#include "vd/layout/window_geometry.h"
#include "vd/mixer/mixer_host.h"
#include "vd/remote/remote_state.h"
#include "vd/settings/main_settings.h"
#include "vd/video/capture_graph.h"
#include "vd/video/capture_host.h"
#include "vd/video/file_player.h"
#include "viewer_album_host.h"
#include "viewer_bars.h"
#include "viewer_devices.h"
#include "viewer_entry.h"
#include "viewer_parts.h"
#include "viewer_sheet_host.h"
#include "viewer_teletext.h"
#include "viewer_tuning_context.h"

class CAlbumFrame;
class CControlPanel;
class CMixer;
class QMimeData;
class QSocketNotifier;
class QUrl;
class VideoArea;
class ViewStateStrip;

namespace vd {
class DeviceEnumerator;
class KeyRouter;
class MixerBackend;
class PanelVolume;
class PanelWindow;
class ScreenSaverInhibit;
class SettingsStore;
class ViewerAlbumHost;
class ViewerBars;
class ViewerSheetHost;
class ViewerEntry;
class ViewerTeletext;
class ViewerTuningContext;

// What tests replace: the screen depth and the Display Warning's answer.
struct ViewerOptions {
  int screenDepth = 0;  // 0: ask the screen
  // Shows the Display Warning; returns whether "Do not show this warning again." was ticked.
  std::function<bool(QWidget*)> displayWarning;
  bool startParser = true;
  // The mixer's back-end; empty: the machine's (or the one VIEWDECK_MIXER names).
  std::function<std::unique_ptr<MixerBackend>()> mixerBackend;
  // Hands the help page to the desktop's program for it; false when none took it. Empty:
  // QDesktopServices::openUrl.
  std::function<bool(const QUrl&)> openUrl;
  // The help page; empty: the one installed beside the program.
  std::string helpFile;
  // The system beep of a key or command without meaning; empty: QApplication::beep.
  std::function<void()> beep;
  // Answers the start's question whether to use a card the settings rule out (its text);
  // empty: a message box asks.
  std::function<bool(const std::string&)> offerCard;
};
}  // namespace vd

// The helpers it owns reach it only through their Owner interfaces, each the few calls that
// helper makes.
class CViewerDlg : public QWidget,
                   public vd::CaptureHost,
                   public vd::FilePlayerHost,
                   private vd::ViewerAlbumHost::Owner,
                   private vd::ViewerBars::Owner,
                   private vd::ViewerEntry::Owner,
                   private vd::ViewerSheetHost::Owner,
                   private vd::ViewerTeletext::Owner,
                   private vd::ViewerTuningContext::Owner,
                   private vd::RemoteBridge::Owner,
                   private vd::MixerLink::Owner {
  Q_OBJECT

 public:
  using Options = vd::ViewerOptions;

  static constexpr int kTimerAlbum = 214;
  static constexpr int kTimerEntry = 213;
  static constexpr int kTimerRecordLamp = 215;
  static constexpr const char* kTitle = "Brevant TV USB";

  explicit CViewerDlg(vd::SettingsStore& store, Options options = {});
  ~CViewerDlg() override;

  // What the main settings are loaded with: the system's inputs and the TV box among
  // `devices` (the constructor passes the process's enumerator).
  static vd::LoadContext FirstRunContext(vd::DeviceEnumerator& devices);

  // The start-up sequence; false when there is no usable capture hardware (the process then
  // ends with status 1).
  bool Start();
  // The close request: refused (false) while a channel scan runs.
  bool Shutdown();
  // A stop signal (a logout, a shutdown) ends the viewer: from now on no message waits for
  // an answer; each goes to the log (standard error) instead.
  void EndOnStopSignal(int signal);

  // Commands of the main window and of the panel (both run here, through one table that
  // names the view states each runs in).
  void OnCommand(int id) override;
  void OnPanelCommand(int id) override;
  void SetWorkMode(vd::WorkMode workMode);
  // Refuses, and logs, a change vd::ViewStateChangeAllowed does not allow: the state stays.
  void SetViewState(vd::ViewState viewState);
  // Resizes the window around a video area of that size; with `placeWindows`, a window that
  // changed size places its companions again.
  void SetVideoSize(int width, int height, bool placeWindows = true);
  void ShowAlbumWindow() override;
  void ToggleAlbumWindow();
  // An album file in place of the live picture: a picture (still shown) or a film (clip open).
  void OpenAlbumFile(const std::string& path, bool picture) override;
  // What a drop on the window does: an album file record or a URL opens the file, a station
  // record of a channel list tunes that station. True when the drop was taken.
  bool DropData(const QMimeData* data);

  vd::ViewState ViewState() const override { return viewState_; }
  // View-state changes refused since the window was made (none where the order of work is
  // right).
  int RefusedViewStateChanges() const { return refusedViewStateChanges_; }
  vd::WorkMode WorkModeValue() const override { return settings_.workMode; }
  bool FullScreen() const override { return fullScreen_; }
  bool DisplayWarningShown() const { return displayWarningShown_; }
  // The panel, the video area, the engine and the other parts, as they are at each call.
  const vd::ViewerParts& Parts() const { return parts_; }
  // The video rectangle (client coordinates) the layout rule gives now.
  QRect VideoRect() const;
  vd::MainSettings& Settings() override { return settings_; }
  // Inside Wait: a station change is letting the tuner settle.
  bool InTuningWait() const override;
  // Messages shown to the user, newest last (tests read them).
  const std::vector<std::string>& Messages() const { return messages_; }
  // Their icons, in the same order.
  const std::vector<vd::MessageIcon>& MessageIcons() const { return messageIcons_; }
  // Replaces the message boxes (tests): receives caption and text.
  void SetMessageSink(std::function<void(const std::string&, const std::string&)> sink) {
    messageSink_ = std::move(sink);
  }
  // The engine's timers (and the entry's), by id.
  void SetTimer(uint32_t id, uint32_t milliseconds) override;

  // Requests of the remote procedure, queued here by the bridge.
  void RemoteFineTune(int32_t deltaHz) override;
  void RemoteMuteToggle() override;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // vd::CaptureHost
  void ShowMessage(const std::string& text) override;
  void ShowMessageBox(const std::string& caption, const std::string& text) override;
  void KillTimer(uint32_t id) override;
  void ShowStatistics(const vd::StatisticsText& text) override;
  void ShowCaptureProgress(double seconds, int64_t bytes) override;
  void ShowStatusNote(const std::string& text) override;
  void OnWorkModeForced(vd::WorkMode mode) override;
  void OnDeviceLost() override;
  void RefreshControls() override;
  void OnCaptureAborted() override;
  void RunCaptureCommand() override;
  void MarkAlbumForRefresh() override;
  void ResizeVideoArea(int32_t width, int32_t height) override;
  // A progress dialog over all the viewer's windows; its Cancel or ESC stops the copy.
  void WaitForCopy(vd::CopyControl& control, const std::function<bool()>& finished) override;
  bool OfferCard(const vd::CardOffer& card) override;

  // vd::FilePlayerHost (ResizeVideoArea serves both hosts)
  void ShowPlayerMessage(const std::string& text) override { ShowMessage(text); }
  void OnClipEnded() override;
  void ShowPlaybackTimes(const std::string& length, const std::string& elapsed) override;
  bool StartPlaybackTimer(uint32_t id, uint32_t periodMs) override;
  void StopPlaybackTimer(uint32_t id) override;

  // What the helpers ask of the window (their Owner interfaces), beyond the public part.
  CaptureGraph* Engine() override { return parts_.Engine(); }
  CControlPanel* Panel() override { return panel_.get(); }
  VideoArea* Video() override { return video_; }
  QWidget& Widget() override { return *this; }
  QWidget* DialogParent() override { return this; }
  void ShowMessageBox(const std::string& caption, const std::string& text,
                      vd::MessageIcon icon) override;
  // Questions go to the message sink when there is one (answered no).
  bool AskYesNo(const std::string& caption, const std::string& text) override;
  // The beep of a key or command that means nothing now.
  void Beep() override;
  void ShowStatusText(const QString& text) override;
  void ShowNetworkName(const QString& name) override;
  QString TeletextNetworkName() override;
  TunerControl* CurrentTuner() override;
  bool SaveCaptureAs(const std::string& path) override;
  vd::PagesWindow PagesHooks() override;
  bool IsMuted() const override;
  void SetMuted(bool muted) override;
  void TakeMixerVolume() override;
  // The stored sound mode to the device; with ApplySoundMode, to the panel as well.
  void SelectSoundMode();
  void ApplySoundMode() override;
  void RefreshDeviceStatus() override;
  // WM_USER+103: back to the stored TV station.
  void RetuneStoredStation() override;
  // The shown picture or playing film goes (its file is being deleted): back to live.
  void CloseShownFile() override;
  // An album was renamed or deleted: if it was the one the device's stills go to, they go
  // to the current album now.
  void FollowStillAlbum() override;
  // The panel's channel display shows the tuner's current station.
  void RefreshChannelDisplay() override;
  // The open station lists (sheet page, automatic-scan dialog) show the table's change.
  void RefreshChannelList() override;
  // The remote procedure's copy of the panel input, the country and full screen, after any
  // of them changed.
  void SyncRemoteState() override;
  // The mode's station list to disk at once, with the country and band that number it (after a
  // scan and when the settings sheet closes), so that a crash does not lose it.
  void StoreChannelList() override;
  void RemoteVideoSourceCycle() override;
  void RemoteTvRadioFlip() override;
  void RemoteFmMemoryToggle() override;

  using CommandRow = vd::CommandRow<CViewerDlg>;
  static std::span<const CommandRow> Commands();
  void RunCommand(vd::CommandSource source, int id);
  // The handlers of the table's rows.
  void TogglePanel();
  void ToggleAlwaysOnTop();
  void ToggleForceRatio();
  void ToggleTvFrame();
  void ToggleTileMode();
  void FollowMovedPanel();
  void EscapeKey();
  void PressCapturePad();
  void BarCommand(int id);
  void DigitCommand(int id);
  void PowerButton();
  void MinimizeButton();
  void ShowAbout();
  void VolumeButton(int id);
  void NextSoundMode();
  void StopButton();
  void KeypadButton(int id);

  void BuildChildren();
  void LayoutChildren();
  vd::RestoredLayout ClientLayout();
  // Moves windows of the viewer without the move handlers placing the others in turn.
  void MoveWindow(QWidget* window, const vd::Point& to);
  void CreateAlbum();
  void CreatePanel();
  void CreateKeyRouter();
  // The windows' first places, and then the windows.
  void ShowWindows();
  void StartMixer();
  // Opens the mixer (again) and watches its descriptors; false when none opened. At start-up
  // it applies the stored sound settings; `again` (the card went) applies the panel's state.
  bool OpenMixer(bool again = false);
  void OnMixerEvents();
  void StartParser();
  void StopParser();
  void MaybeShowDisplayWarning();
  void OnTimerFired(uint32_t id);
  void ChannelStep(bool up);
  void RefreshPanelVolume();
  void CaptureAction();
  void TakeSnapshot();
  void ChooseVideoDevice(int index);
  bool SnapshotAllowed() const;
  void ToggleFullScreen();
  void ApplyRatio43();
  void TilePanel();
  enum class Placing {
    kPanelShown,
    kResized,     // the picture changed the window's size
    kAlbumShown,  // the album window is about to be shown and needs its room
    kStart,       // the windows' first places
  };
  void PlaceWindows(Placing why = Placing::kPanelShown);
  void ShowContextMenu(const QPoint& at);
  void ShowVirtualRemote();
  void OpenHelp();
  void OpenSettingsSheet();
  bool SelectDroppedStation(int32_t index);
  void StopShownFile();

  vd::SettingsStore& store_;
  Options options_;
  vd::MainSettings settings_;
  vd::RemoteState remoteState_;
  std::unique_ptr<vd::ViewerTuningContext> tuning_;

  // Children (owned by this window through Qt's parent).
  VideoArea* video_ = nullptr;
  ViewStateStrip* strip_ = nullptr;
  QLabel* status_ = nullptr;

  std::unique_ptr<vd::ViewerBars> bars_;
  std::unique_ptr<CControlPanel> panel_;
  std::unique_ptr<vd::PanelWindow> panelWindow_;
  std::unique_ptr<vd::KeyRouter> keys_;
  std::unique_ptr<vd::ViewerAlbumHost> albumHost_;
  std::unique_ptr<vd::ViewerSheetHost> sheetHost_;
  std::unique_ptr<vd::ViewerEntry> entry_;
  std::unique_ptr<CAlbumFrame> album_;
  std::unique_ptr<vd::MixerLink> mixerLink_;
  std::unique_ptr<CMixer> mixer_;
  std::unique_ptr<vd::PanelVolume> volume_;
  std::vector<std::unique_ptr<QSocketNotifier>> mixerNotifiers_;
  // Tries the mixer again while its card is away.
  std::unique_ptr<QTimer> mixerRetry_;
  static constexpr int kMixerRetryMs = 2000;
  // Declared before the devices, whose parser feeds it from its worker until it is deleted.
  std::unique_ptr<vd::ViewerTeletext> teletext_;
  std::unique_ptr<vd::ViewerDevices> devices_;
  std::unique_ptr<vd::ScreenSaverInhibit> inhibit_;
  QPointer<QWidget> virtualRemote_;
  QPointer<QWidget> about_;
  QPointer<QWidget> help_;
  QPointer<QWidget> autoScan_;
  QSize storedVideoSize_;  // the video area's size before radio hid the window
  bool sheetOpen_ = false;
  bool panelBeforeFullScreen_ = false;
  bool placing_ = false;
  std::map<uint32_t, std::unique_ptr<QTimer>> timers_;

  std::vector<std::string> messages_;
  std::vector<vd::MessageIcon> messageIcons_;
  std::function<void(const std::string&, const std::string&)> messageSink_;
  std::string shownFile_;
  vd::ViewState viewState_ = vd::ViewState::kStartUp;
  int refusedViewStateChanges_ = 0;
  bool started_ = false;
  // A device went away under the running parser: its bulk source died with it.
  bool parserOnLostDevice_ = false;
  bool closed_ = false;
  int stopSignal_ = 0;  // the stop signal ending the viewer, 0 while none came
  bool fullScreen_ = false;
  bool videoPresent_ = false;
  bool tunerPresent_ = false;
  bool stillPresent_ = false;
  bool displayWarningShown_ = false;
  bool lampOn_ = false;
  bool albumRefreshPending_ = false;
  std::optional<QPoint> dragOffset_;
  // Where the start placed the panel, until the window manager has framed the main window.
  std::optional<QPoint> panelPlacedAt_;
  QRect normalGeometry_;  // the window before full screen
  // Last: it refers to the members above.
  vd::ViewerParts parts_;
};
