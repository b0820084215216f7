// The main window's command routing, work modes, view states and window rules.
#include <filesystem>

#include "about_window.h"
#include "gated_post.h"
#include "panel_window.h"
#include "vd/albumui/album_frame.h"
#include "vd/layout/command_ids.h"
#include "vd/layout/panel_display.h"
#include "vd/layout/panel_ids.h"
#include "vd/layout/work_modes.h"
#include "vd/mainwnd/command_table.h"
#include "vd/mainwnd/engine_dialog_table.h"
#include "vd/mainwnd/tool_strip_set.h"
#include "vd/mainwnd/viewer_album_host.h"
#include "vd/mainwnd/viewer_bars.h"
#include "vd/mainwnd/viewer_dlg.h"
#include "vd/mainwnd/viewer_entry.h"
#include "vd/mainwnd/viewer_sheet_host.h"
#include "vd/mainwnd/viewer_teletext.h"
#include "vd/mainwnd/viewer_tuning_context.h"
#include "vd/mixer/mixer.h"
#include "vd/mixer/panel_volume.h"
#include "vd/panel/control_panel.h"
#include "vd/remote/keyboard_table.h"
#include "vd/remote/remote_actions.h"
#include "vd/settings/settings_store.h"
#include "vd/settings/settings_table.h"
#include "vd/sheet/auto_scan_dlg.h"
#include "vd/sheet/channel_list_ctrl.h"
#include "vd/trace.h"
#include "vd/tuning/channel_table.h"
#include "vd/tuning/tuner_control.h"
#include "vd/tuning/tv_tuner_control.h"
#include "video_area.h"
#include "view_state_strip.h"

namespace pid = vd::panel_id;
namespace cid = vd::command_id;

namespace {

using vd::CommandSource;
using vd::Refusal;
using vd::ViewState;
using vd::ViewStateSet;
using Row = vd::CommandRow<CViewerDlg>;

constexpr CommandSource kMain = CommandSource::kMain;
constexpr CommandSource kPanel = CommandSource::kPanel;
constexpr ViewStateSet kAny = ViewStateSet::All();
constexpr ViewStateSet kLiveOnly{ViewState::kStartUp, ViewState::kLive};
// Full screen: not while a recording runs or is saved, nor over a playing film; a still
// picture may fill the screen.
constexpr ViewStateSet kFullScreenStates{ViewState::kStartUp, ViewState::kLive,
                                         ViewState::kStillShown};
// The settings sheet's pages rebuild the graphs, which would end a recording.
constexpr ViewStateSet kNoRecording{ViewState::kStartUp, ViewState::kLive, ViewState::kClipOpen,
                                    ViewState::kStillShown};
// Esc ends a capture, else full screen (which a playing film or a save in progress keeps).
constexpr ViewStateSet kEscapeStates{ViewState::kStartUp, ViewState::kLive, ViewState::kCapturing,
                                     ViewState::kStillShown};
// A saved recording is being put into the album: nothing to start or stop until it is.
constexpr ViewStateSet kNotFinishing = ViewStateSet::All().Without(ViewState::kFinishing);
constexpr ViewStateSet kNotCapturing = ViewStateSet::All().Without(ViewState::kCapturing);
constexpr ViewStateSet kCaptureOrClip{ViewState::kCapturing, ViewState::kClipOpen};
// Only an open clip plays: with a still shown, the player still holds the clip that was open
// before it, which would play unseen behind the picture.
constexpr ViewStateSet kClipOnly{ViewState::kClipOpen};

}  // namespace

std::span<const CViewerDlg::CommandRow> CViewerDlg::Commands() {
  using W = CViewerDlg;
  static constexpr Row kRows[] = {
      // The main window's commands: menus, keys, the strips, the remote.
      {kMain, cid::kPanel, cid::kPanel, kAny, Refusal::kIgnore,
       [](W& w, int) { w.TogglePanel(); }},
      {kMain, cid::kAlwaysOnTop, cid::kAlwaysOnTop, kAny, Refusal::kIgnore,
       [](W& w, int) { w.ToggleAlwaysOnTop(); }},
      {kMain, cid::kForceRatio, cid::kForceRatio, kLiveOnly, Refusal::kIgnore,
       [](W& w, int) { w.ToggleForceRatio(); }},
      {kMain, cid::kApplyRatio, cid::kApplyRatio, kLiveOnly, Refusal::kIgnore,
       [](W& w, int) { w.ApplyRatio43(); }},
      {kMain, cid::kFullScreen, cid::kFullScreen, kFullScreenStates, Refusal::kIgnore,
       [](W& w, int) { w.ToggleFullScreen(); }},
      {kMain, cid::kFullScreenKey, cid::kFullScreenKey, kFullScreenStates, Refusal::kIgnore,
       [](W& w, int) {
         if (w.settings_.workMode != vd::WorkMode::kRadio) w.ToggleFullScreen();
       }},
      {kMain, cid::kTvFrame, cid::kTvFrame, kAny, Refusal::kIgnore,
       [](W& w, int) { w.ToggleTvFrame(); }},
      {kMain, cid::kTileWindows, cid::kTileWindows, kAny, Refusal::kIgnore,
       [](W& w, int) { w.ToggleTileMode(); }},
      {kMain, cid::kTilePanel, cid::kTilePanel, kAny, Refusal::kIgnore,
       [](W& w, int) {
         if (w.settings_.tileMode) w.TilePanel();
       }},
      {kMain, cid::kFollowPanel, cid::kFollowPanel, kAny, Refusal::kIgnore,
       [](W& w, int) { w.FollowMovedPanel(); }},
      {kMain, cid::kAbout, cid::kAbout, kAny, Refusal::kIgnore, [](W& w, int) { w.ShowAbout(); }},
      {kMain, cid::kHelp, cid::kHelp, kAny, Refusal::kIgnore, [](W& w, int) { w.OpenHelp(); }},
      {kMain, cid::kSettings, cid::kSettings, kNoRecording, Refusal::kBeep,
       [](W& w, int) { w.OpenSettingsSheet(); }},
      {kMain, cid::kEscape, cid::kEscape, kEscapeStates, Refusal::kIgnore,
       [](W& w, int) { w.EscapeKey(); }},
      {kMain, cid::kCapturePad, cid::kCapturePad, kAny, Refusal::kIgnore,
       [](W& w, int) { w.PressCapturePad(); }},
      {kMain, cid::kGallery, cid::kGallery, kAny, Refusal::kIgnore,
       [](W& w, int) { w.ToggleAlbumWindow(); }},
      {kMain, cid::kCapture, cid::kCapture, kNotFinishing, Refusal::kIgnore,
       [](W& w, int) { w.CaptureAction(); }},
      {kMain, cid::kSnapshot, cid::kSnapshot, kAny, Refusal::kIgnore,
       [](W& w, int) { w.TakeSnapshot(); }},
      {kMain, cid::kAlbumWindow, cid::kAlbumWindow, kAny, Refusal::kIgnore,
       [](W& w, int) { w.ShowAlbumWindow(); }},
      {kMain, cid::kTeletext, cid::kTeletext, kAny, Refusal::kIgnore,
       [](W& w, int) {
         if (w.teletext_) w.teletext_->Toggle();
       }},
      // The pins change format only between captures and with no file in the video area.
      {kMain, vd::EngineDialogTable::kFirstCommand, vd::EngineDialogTable::kLastCommand, kLiveOnly,
       Refusal::kIgnore, [](W& w, int id) { w.BarCommand(id); }},
      {kMain, vd::ToolStripSet::kPicture, vd::ToolStripSet::kInput, kAny, Refusal::kIgnore,
       [](W& w, int id) { w.BarCommand(id); }},
      {kMain, vd::ToolStripSet::kStatus, vd::ToolStripSet::kStatus, kAny, Refusal::kIgnore,
       [](W& w, int id) { w.BarCommand(id); }},
      {kMain, cid::kDigit0, cid::kPoint, kAny, Refusal::kIgnore,
       [](W& w, int id) { w.DigitCommand(id); }},
      // A new device rebuilds the graphs, as the settings sheet's pages do.
      {kMain, cid::kDevice0, cid::kDevice9, kNoRecording, Refusal::kBeep,
       [](W& w, int id) { w.ChooseVideoDevice(id - cid::kDevice0); }},

      // The panel's buttons and keypads. The panel greys the buttons these rows refuse
      // (panel_rules.cpp), and the remote's digit entry refuses more while a capture runs;
      // what reaches the window is decided here.
      // Another input would end a recording without its save question, as the panel's greyed
      // Input button says; the remote's mode keys come this way too (RemoteVideoSourceCycle).
      {kPanel, pid::kModeTv, pid::kModeTv, kNoRecording, Refusal::kBeep,
       [](W& w, int) { w.SetWorkMode(vd::WorkMode::kTv); }},
      {kPanel, pid::kModeRadio, pid::kModeRadio, kNoRecording, Refusal::kBeep,
       [](W& w, int) {
         if (w.settings_.fmDisabled == 0) w.SetWorkMode(vd::WorkMode::kRadio);
       }},
      {kPanel, pid::kModeComposite, pid::kModeComposite, kNoRecording, Refusal::kBeep,
       [](W& w, int) { w.SetWorkMode(vd::WorkMode::kComposite); }},
      {kPanel, pid::kModeSVideo, pid::kModeSVideo, kNoRecording, Refusal::kBeep,
       [](W& w, int) { w.SetWorkMode(vd::WorkMode::kSVideo); }},
      // The panel cycles and then sends the mode command, whose engine switch stops the sound
      // itself. A press that changes nothing (Radio with FM disabled) keeps the sound.
      {kPanel, pid::kInput, pid::kInput, kAny, Refusal::kIgnore, [](W&, int) {}},
      {kPanel, pid::kPower, pid::kPower, kAny, Refusal::kIgnore,
       [](W& w, int) { w.PowerButton(); }},
      {kPanel, pid::kMinimize, pid::kMinimize, kAny, Refusal::kIgnore,
       [](W& w, int) { w.MinimizeButton(); }},
      {kPanel, pid::kMaximize, pid::kMaximize, kFullScreenStates, Refusal::kIgnore,
       [](W& w, int) { w.ToggleFullScreen(); }},
      {kPanel, pid::kRestore, pid::kRestore, kFullScreenStates, Refusal::kIgnore,
       [](W& w, int) { w.ToggleFullScreen(); }},
      {kPanel, pid::kAbout, pid::kAbout, kAny, Refusal::kIgnore, [](W& w, int) { w.OpenHelp(); }},
      {kPanel, pid::kLogo, pid::kLogo, kAny, Refusal::kIgnore, [](W& w, int) { w.ShowAbout(); }},
      // Tuning while a recording runs would change the station it records.
      {kPanel, pid::kChannelUp, pid::kChannelUp, kNotCapturing, Refusal::kBeep,
       [](W& w, int) { w.ChannelStep(true); }},
      {kPanel, pid::kChannelDown, pid::kChannelDown, kNotCapturing, Refusal::kBeep,
       [](W& w, int) { w.ChannelStep(false); }},
      {kPanel, pid::kMute, pid::kMute, kAny, Refusal::kIgnore,
       [](W& w, int id) { w.VolumeButton(id); }},
      {kPanel, pid::kUnmute, pid::kUnmute, kAny, Refusal::kIgnore,
       [](W& w, int id) { w.VolumeButton(id); }},
      {kPanel, pid::kVolumeDown, pid::kVolumeUp, kAny, Refusal::kIgnore,
       [](W& w, int id) { w.VolumeButton(id); }},
      {kPanel, pid::kSoundMode, pid::kSoundMode, kAny, Refusal::kIgnore,
       [](W& w, int) { w.NextSoundMode(); }},
      {kPanel, pid::kAlbum, pid::kAlbum, kAny, Refusal::kIgnore,
       [](W& w, int) { w.ToggleAlbumWindow(); }},
      {kPanel, pid::kSnapshot, pid::kSnapshot, kAny, Refusal::kIgnore,
       [](W& w, int) { w.TakeSnapshot(); }},
      {kPanel, pid::kTools, pid::kTools, kNoRecording, Refusal::kBeep,
       [](W& w, int) { w.OpenSettingsSheet(); }},
      {kPanel, pid::kRecord, pid::kRecord, kNotFinishing, Refusal::kIgnore,
       [](W& w, int) { w.CaptureAction(); }},
      {kPanel, pid::kLive, pid::kLive, kNotFinishing, Refusal::kIgnore,
       [](W& w, int) { w.CaptureAction(); }},
      {kPanel, pid::kStop, pid::kStop, kCaptureOrClip, Refusal::kIgnore,
       [](W& w, int) { w.StopButton(); }},
      {kPanel, pid::kPlay, pid::kPlay, kClipOnly, Refusal::kIgnore,
       [](W& w, int) {
         if (w.Engine() && w.Engine()->Player()) w.Engine()->Player()->PlayFile();
       }},
      {kPanel, pid::kPause, pid::kPause, kClipOnly, Refusal::kIgnore,
       [](W& w, int) {
         if (w.Engine() && w.Engine()->Player()) w.Engine()->Player()->PauseFile();
       }},
      {kPanel, pid::kKey0, pid::kKeyRecall, kAny, Refusal::kIgnore,
       [](W& w, int id) { w.KeypadButton(id); }},
      {kPanel, pid::kFmKey0, pid::kFmMemory, kAny, Refusal::kIgnore,
       [](W& w, int id) { w.KeypadButton(id); }},
  };
  return kRows;
}

void CViewerDlg::OnCommand(int id) {
  RunCommand(vd::CommandSource::kMain, id);
}

void CViewerDlg::OnPanelCommand(int id) {
  RunCommand(vd::CommandSource::kPanel, id);
}

void CViewerDlg::RunCommand(vd::CommandSource source, int id) {
  if (closed_) return;
  const CommandRow* row = vd::FindCommand(Commands(), source, id);
  if (row == nullptr) return;
  if (!row->allowed.Has(viewState_)) {
    if (row->refusal == vd::Refusal::kBeep) Beep();
    return;
  }
  row->run(*this, id);
}

// --- The handlers the table names

void CViewerDlg::TogglePanel() {
  if (!panel_) return;
  panel_->setVisible(!panel_->isVisible());
  if (panel_->isVisible()) PlaceWindows();
}

void CViewerDlg::ToggleAlwaysOnTop() {
  settings_.alwaysOnTop = settings_.alwaysOnTop ? 0 : 1;
  setWindowFlag(Qt::WindowStaysOnTopHint, settings_.alwaysOnTop != 0);
  if (settings_.workMode != vd::WorkMode::kRadio) show();
}

void CViewerDlg::ToggleForceRatio() {
  if (fullScreen_) return;
  settings_.forceRatio43 = settings_.forceRatio43 ? 0 : 1;
  if (settings_.forceRatio43) ApplyRatio43();
}

void CViewerDlg::ToggleTvFrame() {
  if (fullScreen_) return;
  settings_.videoBorder = settings_.videoBorder ? 0 : 1;
  LayoutChildren();
}

void CViewerDlg::ToggleTileMode() {
  settings_.tileMode = settings_.tileMode ? 0 : 1;
  if (settings_.tileMode && !fullScreen_ && panel_ && panel_->isVisible()) TilePanel();
}

void CViewerDlg::FollowMovedPanel() {
  if (!settings_.tileMode || !panel_ || fullScreen_) return;
  const QRect m = frameGeometry();
  const QRect p = panel_->frameGeometry();
  MoveWindow(this, vd::FollowPanel({m.left(), m.top(), m.right() + 1, m.bottom() + 1},
                                   {p.left(), p.top(), p.right() + 1, p.bottom() + 1}));
}

void CViewerDlg::EscapeKey() {
  if (viewState_ == vd::ViewState::kCapturing) {
    CaptureAction();
  } else if (fullScreen_) {
    ToggleFullScreen();
  }
}

void CViewerDlg::PressCapturePad() {
  // The pad is the panel's own state: the press goes through the panel, which then reports it
  // back like a click.
  if (panel_) panel_->Press(pid::kCapture);
  PlaceWindows();
}

void CViewerDlg::BarCommand(int id) {
  if (bars_->OnCommand(id)) LayoutChildren();
}

void CViewerDlg::DigitCommand(int id) {
  // Digits belong to the teletext page while its window is open.
  if (id <= cid::kDigit9 && teletext_ && teletext_->RouteDigit(id - cid::kDigit0)) return;
  if (entry_) entry_->OnDigitCommand(id);
}

void CViewerDlg::PowerButton() {
  // Posted: the panel whose button sent this must not be destroyed under its feet. In radio
  // the panel is the window that closes; its close ends the viewer.
  vd::PostGated(this, [this] {
    if (settings_.workMode == vd::WorkMode::kRadio && panel_ && panel_->isVisible()) {
      panel_->close();
    } else {
      close();
    }
  });
}

void CViewerDlg::MinimizeButton() {
  if (settings_.workMode == vd::WorkMode::kRadio) {
    if (panel_) panel_->showMinimized();
  } else {
    showMinimized();
  }
}

void CViewerDlg::ShowAbout() {
  if (!about_) {
    auto* about = new vd::AboutWindow();
    about->setAttribute(Qt::WA_DeleteOnClose);
    about_ = about;
  }
  about_->show();
  about_->raise();
  about_->activateWindow();
}

void CViewerDlg::VolumeButton(int id) {
  if (volume_ && volume_->OnCommand(id)) {
    RefreshPanelVolume();
  } else {
    Beep();
  }
}

void CViewerDlg::NextSoundMode() {
  if (settings_.isMts == 1) {
    settings_.mtsMode = (settings_.mtsMode + 1) % 3;
  } else if (settings_.isMts == 0) {
    settings_.mtsPalMode = (settings_.mtsPalMode + 1) % 2;
  }
  ApplySoundMode();
}

void CViewerDlg::StopButton() {
  if (viewState_ == vd::ViewState::kCapturing) {
    CaptureAction();
  } else if (Engine() && Engine()->Player()) {
    Engine()->Player()->StopFile();
  }
}

void CViewerDlg::KeypadButton(int id) {
  if (id <= pid::kKey0 + 9 && teletext_ && teletext_->RouteDigit(id - pid::kKey0)) return;
  if (entry_) entry_->OnKeypad(id);
}

void CViewerDlg::SetWorkMode(vd::WorkMode workMode) {
  if (sheetHost_ && sheetHost_->IsScanRunning()) {
    panel_->RevertInput();
    return;
  }
  if (panel_) panel_->SetInput(vd::PanelInputOf(workMode));
  const bool leavingRadio = settings_.workMode == vd::WorkMode::kRadio;
  const bool changed = settings_.workMode != workMode;
  if (leavingRadio && workMode != vd::WorkMode::kRadio && panelWindow_) {
    panelWindow_->DeleteTab();
    panel_->setWindowTitle(kTitle);
  }
  if (!leavingRadio && workMode == vd::WorkMode::kRadio && video_)
    storedVideoSize_ = video_->size();
  settings_.workMode = workMode;
  // A clip or picture on show, or a capture, ends before the engine rebuilds live video.
  if (!vd::IsLive(viewState_)) StopShownFile();
  if (workMode == vd::WorkMode::kRadio) {
    SetViewState(vd::ViewState::kLive);
    hide();
    if (album_) album_->hide();
    if (panelWindow_) panelWindow_->AddTab(vd::WorkModeInfoOf(workMode).title);
  } else {
    show();
    SetViewState(vd::ViewState::kLive);
  }
  // The automatic scan is the TV list's: it closes when the mode leaves TV.
  if (changed && workMode != vd::WorkMode::kTv && autoScan_) autoScan_->close();
  if (entry_) entry_->Unbind();
  if (Engine()) Engine()->ApplyWorkMode(workMode);
  // The lists on show held the old mode's table, which the engine has just freed.
  if (changed && sheetHost_) CChannelListCtrl::RefillAll(*sheetHost_);
  if (leavingRadio && workMode != vd::WorkMode::kRadio && storedVideoSize_.isValid()) {
    SetVideoSize(storedVideoSize_.width(), storedVideoSize_.height());
  }
  if (panel_) panel_->SetWorkMode(workMode);
  setWindowTitle(vd::WorkModeInfoOf(workMode).title);
  RefreshDeviceStatus();
  SyncRemoteState();
}

void CViewerDlg::SelectSoundMode() {
  const int mode = vd::DeviceSoundMode({settings_.isMts, settings_.mtsMode, settings_.mtsPalMode});
  if (Engine() && mode >= 0) Engine()->Access().SelectAudioMode(mode);
}

void CViewerDlg::ApplySoundMode() {
  SelectSoundMode();
  if (panel_) {
    panel_->SetSoundMode({settings_.isMts, settings_.mtsMode, settings_.mtsPalMode});
    panel_->Display().Refresh(vd::PanelDisplay::kShowSoundMode);
  }
}

void CViewerDlg::SetViewState(vd::ViewState viewState) {
  if (!vd::ViewStateChangeAllowed(viewState_, viewState)) {
    ++refusedViewStateChanges_;
    vd::LogWrite("viewer", vd::LogLevel::kWarning, "view state: %s -> %s refused\n",
                 vd::NameOf(viewState_), vd::NameOf(viewState));
    return;
  }
  viewState_ = viewState;
  // Live again: no album file is in use any more.
  if (vd::IsLive(viewState) && albumHost_) albumHost_->SetCurrentFile({});
  if (panel_) panel_->SetViewState(viewState);
  if (viewState == vd::ViewState::kCapturing) {
    SetTimer(kTimerRecordLamp, 1000);
  } else {
    KillTimer(kTimerRecordLamp);
    if (panel_) panel_->SetRecordLampVisible(false);
  }
  strip_->SetCaptureLabel(!vd::IsLive(viewState));
  const bool radio = settings_.workMode == vd::WorkMode::kRadio;
  strip_->SetCommandEnabled(ViewStateStrip::kGallery, !radio);
  strip_->SetCommandEnabled(ViewStateStrip::kCapture, !radio && videoPresent_);
  strip_->SetCommandEnabled(ViewStateStrip::kSnapshot, SnapshotAllowed());
  if (viewState != vd::ViewState::kStillShown) video_->ShowStill(QImage());
  bars_->OnViewState(viewState);
  if (viewState == vd::ViewState::kLive && started_) RefreshDeviceStatus();
  remoteState_.SetBusy(vd::IsRecordingView(viewState) || viewState == vd::ViewState::kClipOpen);
  LayoutChildren();
}

bool CViewerDlg::SnapshotAllowed() const {
  return settings_.workMode != vd::WorkMode::kRadio && stillPresent_ && vd::IsLive(viewState_);
}

void CViewerDlg::SetVideoSize(int width, int height, bool placeWindows) {
  const QSize before = size();
  // The children are laid out first: before the window is shown they still have the sizes
  // they were made with. The border margins follow the window size, so a second round may
  // be needed to settle.
  for (int round = 0; round < 3; ++round) {
    LayoutChildren();
    const QSize now = video_->size();
    if (now == QSize(width, height)) break;
    resize(std::max(this->width() + width - now.width(), 48),
           std::max(this->height() + height - now.height(), 36));
  }
  LayoutChildren();
  // A window the picture made larger (a 640 x 480 format, a still) must not end up under its
  // companions. A size the user drags keeps the windows where the user has them.
  if (placeWindows && started_ && !fullScreen_ && !placing_ && size() != before) {
    PlaceWindows(Placing::kResized);
  }
}

void CViewerDlg::RefreshDeviceStatus() {
  if (!Engine()) return;
  const vd::Capabilities caps = Engine()->GetCapabilities();
  videoPresent_ = caps.video;
  tunerPresent_ = caps.tuner;
  stillPresent_ = caps.still;
  if (panel_) {
    panel_->setEnabled(caps.video);
    panel_->SetDeviceFlags(caps.audio, caps.still);
  }
  strip_->SetCommandEnabled(ViewStateStrip::kSnapshot, SnapshotAllowed());
  if (!caps.video) {
    status_->setText("Device not detected.");
    status_->show();
  } else {
    status_->hide();
  }
  RefreshChannelDisplay();
  RefreshPanelVolume();
}

void CViewerDlg::RetuneStoredStation() {
  if (!started_ || !panel_ || settings_.workMode != vd::WorkMode::kTv || !Engine()) return;
  TunerControl* tuner = Engine()->Tuner();
  if (tuner != nullptr && tuner->Table() != nullptr)
    tuner->Table()->Select(tuning_->TvStation(), true);
  // An open list still highlights the station the scan ended on.
  RefreshChannelList();
  RefreshChannelDisplay();
}

void CViewerDlg::RefreshChannelDisplay() {
  if (!panel_ || !Engine()) return;
  std::optional<vd::PanelStation> station;
  TunerControl* tuner = Engine()->Tuner();
  CChannelTable* table = tuner != nullptr ? tuner->Table() : nullptr;
  int32_t index = -1;
  if (table != nullptr && table->GetCurrent(&index)) {
    if (const CChannel* channel = table->Get(index)) {
      station = vd::PanelStation{channel->Name(), channel->frequency, index};
    }
  }
  panel_->Display().SetStation(station);
  if (teletext_) {
    teletext_->StationShown(settings_.workMode,
                            station ? std::optional<uint32_t>(station->frequencyHz) : std::nullopt);
  }
  int shown = vd::PanelDisplay::kRememberedChannel;
  // An empty list with no number entered yet: the channel the tuner is on, when the plan
  // has one there, rather than a bare "Channel" that channel up and down cannot start from.
  auto* tv = dynamic_cast<TvTunerControl*>(tuner);
  if (!station && !panel_->Display().RememberedChannel() && tv != nullptr &&
      settings_.workMode == vd::WorkMode::kTv) {
    if (const int32_t tuned = tv->TunedChannel(); tuned >= 0) shown = tuned;
  }
  panel_->Display().Refresh(shown);
  bars_->RefreshStatus();
}

void CViewerDlg::RefreshChannelList() {
  if (sheetHost_) CChannelListCtrl::RefillAll(*sheetHost_);
}

void CViewerDlg::StoreChannelList() {
  TunerControl* tuner = Engine() ? Engine()->Tuner() : nullptr;
  if (closed_ || tuner == nullptr) return;
  tuner->StoreList();
  store_.Update([&](vd::SettingsStore::Batch& b) {
    b.WriteDword(vd::kSection, vd::setting::kCountry, settings_.country);
    b.WriteDword(vd::kSection, vd::setting::kSource, settings_.source);
  });
}

void CViewerDlg::ChannelStep(bool up) {
  const int input = panel_ ? panel_->input() : 0;
  if (input > 1 || !Engine()) {
    Beep();
    return;
  }
  TunerControl* tuner = Engine()->Tuner();
  CChannelTable* table = tuner != nullptr ? tuner->Table() : nullptr;
  if (table == nullptr || table->Count() == 0) {
    // Tuning without stations: the radio list is filled in the settings sheet.
    if (input == 1) {
      OnCommand(cid::kSettings);
      return;
    }
    auto* tv = dynamic_cast<TvTunerControl*>(tuner);
    if (tv == nullptr || settings_.workMode != vd::WorkMode::kTv || !panel_) {
      Beep();
      return;
    }
    const std::optional<int> shown = panel_->Display().RememberedChannel();
    const int32_t start = shown ? *shown : tv->StartWithoutShownChannel(up);
    if (start < 0) {
      Beep();
      return;
    }
    // The settle wait runs the loop behind the gate: keys and remote codes arriving
    // meanwhile step on from the number this step lands on.
    const int32_t number = tv->TuneWithoutStations(start, up);
    if (number >= 0 && panel_) {
      panel_->Display().Refresh(number);
      RefreshChannelDisplay();
    }
    return;
  }
  if (up) {
    table->SelectNext();
  } else {
    table->SelectPrevious();
  }
  RefreshChannelDisplay();
}

void CViewerDlg::RefreshPanelVolume() {
  if (!panel_ || !volume_) return;
  panel_->Volume().SetRange(volume_->Minimum(), volume_->Maximum());
  panel_->Volume().SetPosition(volume_->Position());
  panel_->SetMuted(volume_->Muted());
}

void CViewerDlg::SyncRemoteState() {
  remoteState_.SetPanelInput(panel_ ? panel_->input() : vd::PanelInputOf(settings_.workMode));
  remoteState_.SetCountry(settings_.country);
  remoteState_.SetFullScreen(fullScreen_);
}

void CViewerDlg::OnTimerFired(uint32_t id) {
  switch (id) {
    case kTimerAlbum:
      if (album_ && (albumRefreshPending_ || (Engine() && Engine()->Stills().TakeNewStillMark()))) {
        albumRefreshPending_ = false;
        album_->MarkForRefresh();
        album_->RefreshIfMarked();
      }
      if (Engine() && Engine()->Stills().TakeUnheardStillMark() && bars_) {
        bars_->ShowStatusNote(Engine()->StillOnDisplay()
                                  ? "Still button: no still was taken while a still is shown"
                              : Engine()->Player() != nullptr && Engine()->Player()->IsActive()
                                  ? "Still button: no still was taken while a film plays"
                                  : "Still button: no still was taken, the picture is not running");
      }
      break;
    case kTimerEntry:
      // The entry ends by tuning. Inside a station change's settle wait that change is still
      // on the stack, and once it returns it marks its own station as current over the one
      // the entry tuned: the window would name one channel while another is shown. So it
      // ends once the wait is over, as keys typed meanwhile do.
      if (vd::NestedLoop::Active()) {
        KillTimer(kTimerEntry);
        vd::PostGated(this, [this] {
          if (entry_) entry_->OnEntryTimer();
        });
      } else if (entry_) {
        entry_->OnEntryTimer();
      }
      break;
    case kTimerRecordLamp:
      lampOn_ = !lampOn_;
      if (panel_) panel_->SetRecordLampVisible(lampOn_);
      break;
    default:
      if (Engine()) Engine()->OnTimer(id);
      break;
  }
}

// The remote's thread saw the window idle, but a capture may have begun before its key runs:
// the mode rows of the table decide, as for the panel's buttons.
void CViewerDlg::RemoteVideoSourceCycle() {
  if (!panel_) return;
  const vd::WorkMode mode = vd::WorkModeOfInput(vd::NextVideoSource(panel_->input()));
  OnPanelCommand(vd::WorkModeInfoOf(mode).command);
}

void CViewerDlg::RemoteTvRadioFlip() {
  if (!panel_) return;
  const vd::WorkMode mode = vd::WorkModeOfInput(vd::TvRadioFlip(panel_->input()));
  OnPanelCommand(vd::WorkModeInfoOf(mode).command);
}

void CViewerDlg::RemoteFineTune(int32_t deltaHz) {
  // A running capture keeps its station, as channel up and down do.
  if (vd::IsRecordingView(viewState_)) return;
  if (entry_ && !entry_->FineTuneStep(deltaHz)) Beep();
}

void CViewerDlg::RemoteMuteToggle() {
  OnPanelCommand(tuning_->IsMuted() ? pid::kUnmute : pid::kMute);
}

void CViewerDlg::RemoteFmMemoryToggle() {
  // The remote's own flag: the panel keypad's memory key keeps a separate one.
  settings_.remoteFmMemory = settings_.remoteFmMemory ? 0 : 1;
  if (panel_) panel_->Display().ShowText("", vd::FmMemoryText(settings_.remoteFmMemory != 0));
}
