// The main window's command routing, work modes, view states and window rules.
#include <filesystem>

#include "about_window.h"
#include "album_frame.h"
#include "auto_scan_dlg.h"
#include "channel_list_ctrl.h"
#include "channel_table.h"
#include "command_ids.h"
#include "control_panel.h"
#include "gated_post.h"
#include "keyboard_table.h"
#include "mixer.h"
#include "panel_display.h"
#include "panel_ids.h"
#include "panel_volume.h"
#include "panel_window.h"
#include "remote_actions.h"
#include "settings_store.h"
#include "settings_table.h"
#include "tuner_control.h"
#include "tv_tuner_control.h"
#include "vd/trace.h"
#include "video_area.h"
#include "view_state_strip.h"
#include "viewer_album_host.h"
#include "viewer_bars.h"
#include "viewer_dlg.h"
#include "viewer_entry.h"
#include "viewer_sheet_host.h"
#include "viewer_teletext.h"
#include "viewer_tuning_context.h"
#include "work_modes.h"

namespace pid = vd::panel_id;
namespace cid = vd::command_id;

void CViewerDlg::OnCommand(int id) {
  if (closed_) return;
  switch (id) {
    case cid::kPanel:
      if (panel_) {
        panel_->setVisible(!panel_->isVisible());
        if (panel_->isVisible()) PlaceWindows();
      }
      break;
    case cid::kAlwaysOnTop:
      settings_.alwaysOnTop = settings_.alwaysOnTop ? 0 : 1;
      setWindowFlag(Qt::WindowStaysOnTopHint, settings_.alwaysOnTop != 0);
      if (settings_.workMode != vd::WorkMode::kRadio) show();
      break;
    case cid::kForceRatio:
      if (fullScreen_ || !vd::IsLive(viewState_)) break;
      settings_.forceRatio43 = settings_.forceRatio43 ? 0 : 1;
      if (settings_.forceRatio43) ApplyRatio43();
      break;
    case cid::kApplyRatio:
      ApplyRatio43();
      break;
    case cid::kFullScreen:
      ToggleFullScreen();
      break;
    case cid::kFullScreenKey:
      if (settings_.workMode != vd::WorkMode::kRadio && viewState_ != vd::ViewState::kCapturing)
        ToggleFullScreen();
      break;
    case cid::kTvFrame:
      if (fullScreen_) break;
      settings_.videoBorder = settings_.videoBorder ? 0 : 1;
      LayoutChildren();
      break;
    case cid::kTileWindows:
      settings_.tileMode = settings_.tileMode ? 0 : 1;
      if (settings_.tileMode && !fullScreen_ && panel_ && panel_->isVisible()) TilePanel();
      break;
    case cid::kTilePanel:
      if (settings_.tileMode) TilePanel();
      break;
    case cid::kFollowPanel:  // the main window follows the moved panel
      if (settings_.tileMode && panel_ && !fullScreen_) {
        const QRect m = frameGeometry();
        const QRect p = panel_->frameGeometry();
        MoveWindow(this, vd::FollowPanel({m.left(), m.top(), m.right() + 1, m.bottom() + 1},
                                         {p.left(), p.top(), p.right() + 1, p.bottom() + 1}));
      }
      break;
    case cid::kAbout:
      OnPanelCommand(pid::kLogo);
      break;
    case cid::kHelp:
      OpenHelp();
      break;
    case cid::kSettings:
      OpenSettingsSheet();
      break;
    case cid::kEscape:  // Esc: ends a capture, or full screen
      if (viewState_ == vd::ViewState::kCapturing) {
        CaptureAction();
      } else if (fullScreen_) {
        ToggleFullScreen();
      }
      break;
    case cid::kCapturePad:
      // The pad is the panel's own state: the press goes through the panel, which then
      // reports it back like a click.
      if (panel_) panel_->Press(pid::kCapture);
      PlaceWindows();
      break;
    case ViewStateStrip::kGallery:
      ToggleAlbumWindow();
      break;
    case ViewStateStrip::kCapture:
      CaptureAction();
      break;
    case ViewStateStrip::kSnapshot:
      TakeSnapshot();
      break;
    case cid::kAlbumWindow:
      ShowAlbumWindow();
      break;
    case cid::kTeletext:
      if (teletext_) teletext_->Toggle();
      break;
    default:
      // Digits belong to the teletext page while its window is open.
      if (id >= cid::kDigit0 && id <= cid::kDigit9 && teletext_ &&
          teletext_->RouteDigit(id - cid::kDigit0))
        break;
      if (bars_->OnCommand(id)) LayoutChildren();
      if (id >= cid::kDigit0 && id <= cid::kPoint && entry_) entry_->OnDigitCommand(id);
      if (id >= cid::kDevice0 && id <= cid::kDevice9 && engine_)
        engine_->ChooseDevices(id - cid::kDevice0, engine_->AudioIndex(), true);
      break;
  }
}

void CViewerDlg::OnPanelCommand(int id) {
  if (closed_) return;
  switch (id) {
    case pid::kModeTv:
      SetWorkMode(vd::WorkMode::kTv);
      break;
    case pid::kModeRadio:
      if (settings_.fmDisabled == 0) SetWorkMode(vd::WorkMode::kRadio);
      break;
    case pid::kModeComposite:
      SetWorkMode(vd::WorkMode::kComposite);
      break;
    case pid::kModeSVideo:
      SetWorkMode(vd::WorkMode::kSVideo);
      break;
    case pid::kInput:
      // The panel cycles and then sends the mode command, whose engine switch stops the
      // sound itself. A press that changes nothing (Radio with FM disabled) keeps the sound.
      break;
    case pid::kPower:
      // Posted: the panel whose button sent this must not be destroyed under its feet. In
      // radio the panel is the window that closes; its close ends the viewer.
      vd::PostGated(this, [this] {
        if (settings_.workMode == vd::WorkMode::kRadio && panel_ && panel_->isVisible()) {
          panel_->close();
        } else {
          close();
        }
      });
      break;
    case pid::kMinimize:
      if (settings_.workMode == vd::WorkMode::kRadio) {
        if (panel_) panel_->showMinimized();
      } else {
        showMinimized();
      }
      break;
    case pid::kMaximize:
    case pid::kRestore:
      OnCommand(cid::kFullScreen);
      break;
    case pid::kAbout:
      OpenHelp();
      break;
    case pid::kLogo:
      if (!about_) {
        auto* about = new vd::AboutWindow();
        about->setAttribute(Qt::WA_DeleteOnClose);
        about_ = about;
      }
      about_->show();
      about_->raise();
      about_->activateWindow();
      break;
    case pid::kChannelUp:
    case pid::kChannelDown:
      ChannelStep(id == pid::kChannelUp);
      break;
    case pid::kMute:
    case pid::kUnmute:
    case pid::kVolumeUp:
    case pid::kVolumeDown:
      if (volume_ && volume_->OnCommand(id)) {
        RefreshPanelVolume();
      } else {
        Beep();
      }
      break;
    case pid::kSoundMode:
      if (settings_.isMts == 1) {
        settings_.mtsMode = (settings_.mtsMode + 1) % 3;
      } else if (settings_.isMts == 0) {
        settings_.mtsPalMode = (settings_.mtsPalMode + 1) % 2;
      }
      SelectSoundMode();
      if (panel_) {
        panel_->SetSoundMode({settings_.isMts, settings_.mtsMode, settings_.mtsPalMode});
        panel_->Refresh(vd::PanelDisplay::kShowSoundMode);
      }
      break;
    case pid::kAlbum:
      OnCommand(ViewStateStrip::kGallery);
      break;
    case pid::kSnapshot:
      OnCommand(ViewStateStrip::kSnapshot);
      break;
    case pid::kTools:
      OnCommand(cid::kSettings);
      break;
    case pid::kRecord:
    case pid::kLive:
      CaptureAction();
      break;
    case pid::kStop:
      if (viewState_ == vd::ViewState::kCapturing) {
        CaptureAction();
      } else if (viewState_ == vd::ViewState::kClipOpen && engine_ && engine_->Player()) {
        engine_->Player()->StopFile();
      }
      break;
    case pid::kPlay:
      // Only an open clip plays: with a still shown, the player still holds the clip that
      // was open before it, which would play unseen behind the picture.
      if (viewState_ == vd::ViewState::kClipOpen && engine_ && engine_->Player())
        engine_->Player()->PlayFile();
      break;
    case pid::kPause:
      if (viewState_ == vd::ViewState::kClipOpen && engine_ && engine_->Player())
        engine_->Player()->PauseFile();
      break;
    default:
      if (id >= pid::kKey0 && id <= pid::kKey0 + 9 && teletext_ &&
          teletext_->RouteDigit(id - pid::kKey0)) {
        break;
      }
      if (((id >= pid::kKey0 && id <= pid::kKeyRecall) ||
           (id >= pid::kFmKey0 && id <= pid::kFmMemory)) &&
          entry_) {
        entry_->OnKeypad(id);
      }
      break;
  }
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
  if (engine_) engine_->ApplyWorkMode(workMode);
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
  if (engine_ && mode >= 0) engine_->SelectAudioMode(mode);
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
  if (!engine_) return;
  const vd::Capabilities caps = engine_->GetCapabilities();
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
  if (!started_ || !panel_ || settings_.workMode != vd::WorkMode::kTv || !engine_) return;
  TunerControl* tuner = engine_->Tuner();
  if (tuner != nullptr && tuner->Table() != nullptr)
    tuner->Table()->Select(tuning_->TvStation(), true);
  // An open list still highlights the station the scan ended on.
  RefreshChannelList();
  RefreshChannelDisplay();
}

void CViewerDlg::RefreshChannelDisplay() {
  if (!panel_ || !engine_) return;
  std::optional<vd::PanelStation> station;
  TunerControl* tuner = engine_->Tuner();
  CChannelTable* table = tuner != nullptr ? tuner->Table() : nullptr;
  int32_t index = -1;
  if (table != nullptr && table->GetCurrent(&index)) {
    if (const CChannel* channel = table->Get(index)) {
      station = vd::PanelStation{channel->Name(), channel->frequency, index};
    }
  }
  panel_->SetStation(station);
  if (teletext_) {
    teletext_->StationShown(settings_.workMode,
                            station ? std::optional<uint32_t>(station->frequencyHz) : std::nullopt);
  }
  int shown = vd::PanelDisplay::kRememberedChannel;
  // An empty list with no number entered yet: the channel the tuner is on, when the plan
  // has one there, rather than a bare "Channel" that channel up and down cannot start from.
  auto* tv = dynamic_cast<TvTunerControl*>(tuner);
  if (!station && !panel_->RememberedChannel() && tv != nullptr &&
      settings_.workMode == vd::WorkMode::kTv) {
    if (const int32_t tuned = tv->TunedChannel(); tuned >= 0) shown = tuned;
  }
  panel_->Refresh(shown);
  bars_->RefreshStatus();
}

void CViewerDlg::RefreshChannelList() {
  if (sheetHost_) CChannelListCtrl::RefillAll(*sheetHost_);
}

void CViewerDlg::StoreChannelList() {
  TunerControl* tuner = engine_ ? engine_->Tuner() : nullptr;
  if (closed_ || tuner == nullptr) return;
  tuner->StoreList();
  store_.Update([&](vd::SettingsStore::Batch& b) {
    b.WriteDword(vd::kSection, vd::setting::kCountry, settings_.country);
    b.WriteDword(vd::kSection, vd::setting::kSource, settings_.source);
  });
}

void CViewerDlg::ChannelStep(bool up) {
  const int input = panel_ ? panel_->input() : 0;
  if (input > 1 || viewState_ == vd::ViewState::kCapturing || !engine_) {
    Beep();
    return;
  }
  TunerControl* tuner = engine_->Tuner();
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
    const std::optional<int> shown = panel_->RememberedChannel();
    const int32_t start = shown ? *shown : tv->StartWithoutShownChannel(up);
    if (start < 0) {
      Beep();
      return;
    }
    // The settle wait runs the loop behind the gate: keys and remote codes arriving
    // meanwhile step on from the number this step lands on.
    const int32_t number = tv->TuneWithoutStations(start, up);
    if (number >= 0 && panel_) {
      panel_->Refresh(number);
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
  panel_->SetVolumeRange(volume_->Minimum(), volume_->Maximum());
  panel_->SetVolumePosition(volume_->Position());
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
      if (album_ && (albumRefreshPending_ || (engine_ && engine_->TakeNewStillMark()))) {
        albumRefreshPending_ = false;
        album_->MarkForRefresh();
        album_->RefreshIfMarked();
      }
      if (engine_ && engine_->TakeUnheardStillMark() && bars_) {
        bars_->ShowStatusNote(engine_->StillOnDisplay()
                                  ? "Still button: no still was taken while a still is shown"
                              : engine_->Player() != nullptr && engine_->Player()->IsActive()
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
      if (engine_) engine_->OnTimer(id);
      break;
  }
}

void CViewerDlg::RemoteVideoSourceCycle() {
  if (!panel_) return;
  SetWorkMode(vd::WorkModeOfInput(vd::NextVideoSource(panel_->input())));
}

void CViewerDlg::RemoteTvRadioFlip() {
  if (!panel_) return;
  const int input = vd::TvRadioFlip(panel_->input());
  if (input == 1 && settings_.fmDisabled != 0) return;
  SetWorkMode(vd::WorkModeOfInput(input));
}

void CViewerDlg::RemoteFineTune(int32_t deltaHz) {
  if (entry_ && !entry_->FineTuneStep(deltaHz)) Beep();
}

void CViewerDlg::RemoteMuteToggle() {
  OnPanelCommand(tuning_->IsMuted() ? pid::kUnmute : pid::kMute);
}

void CViewerDlg::RemoteFmMemoryToggle() {
  // The remote's own flag: the panel keypad's memory key keeps a separate one.
  settings_.remoteFmMemory = settings_.remoteFmMemory ? 0 : 1;
  if (panel_) panel_->ShowText("", vd::FmMemoryText(settings_.remoteFmMemory != 0));
}
