#include "vd/mainwnd/viewer_dlg.h"
#include "vd/layout/command_ids.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDialog>
#include <QDialogButtonBox>
#include <QEventLoop>
#include <QGuiApplication>
#include <QMessageBox>
#include <QProgressDialog>
#include <QScreen>
#include <QSocketNotifier>
#include <QThread>
#include <QVBoxLayout>
#include <QWindow>
#include <algorithm>
#include <chrono>
#include <csignal>

#include "country_table.h"
#include "gated_post.h"
#include "key_router.h"
#include "panel_window.h"
#include "screen_saver_inhibit.h"
#include "vd/albumui/album_dialogs.h"
#include "vd/albumui/album_frame.h"
#include "vd/device_enumerator.h"
#include "vd/file_replace.h"
#include "vd/layout/panel_ids.h"
#include "vd/layout/work_modes.h"
#include "vd/mainwnd/mixer_link.h"
#include "vd/mainwnd/remote_bridge.h"
#include "vd/mainwnd/viewer_album_host.h"
#include "vd/mainwnd/viewer_bars.h"
#include "vd/mainwnd/viewer_entry.h"
#include "vd/mainwnd/viewer_sheet_host.h"
#include "vd/mainwnd/viewer_teletext.h"
#include "vd/mainwnd/viewer_tuning_context.h"
#include "vd/mixer/mixer.h"
#include "vd/mixer/mixer_backend_factory.h"
#include "vd/mixer/panel_volume.h"
#include "vd/nested_loop.h"
#include "vd/panel/control_panel.h"
#include "vd/settings/settings_store.h"
#include "vd/settings/settings_table.h"
#include "vd/sheet/auto_scan_dlg.h"
#include "vd/skin/skin.h"
#include "vd/trace.h"
#include "video_area.h"
#include "view_state_strip.h"

namespace pid = vd::panel_id;
namespace cid = vd::command_id;

CViewerDlg::CViewerDlg(vd::SettingsStore& store, Options options)
    : QWidget(nullptr, Qt::Window),
      store_(store),
      options_(std::move(options)),
      tuning_(std::make_unique<vd::ViewerTuningContext>(
          static_cast<vd::ViewerTuningContext::Owner&>(*this), store_, settings_)),
      parts_({.devices = devices_,
              .panel = panel_,
              .panelWindow = panelWindow_,
              .album = album_,
              .bars = bars_,
              .sheetHost = sheetHost_,
              .teletext = teletext_,
              .tuning = tuning_,
              .volume = volume_,
              .video = video_,
              .strip = strip_,
              .status = status_,
              .about = about_,
              .help = help_,
              .remote = remoteState_}) {
  vd::LoadContext context = FirstRunContext(vd::DeviceEnumerator::Default());
  settings_.Load(store_, context);
  setAttribute(Qt::WA_DeleteOnClose, false);
  setAcceptDrops(true);
}

vd::LoadContext CViewerDlg::FirstRunContext(vd::DeviceEnumerator& devices) {
  vd::LoadContext context = vd::LoadContext::FromSystem(&CountryTable::IsKnownCode);
  for (const vd::DeviceInfo& device : devices.VideoInputDevices())
    context.TakeListedDevice(device.hardwareKey, device.location);
  return context;
}

CViewerDlg::~CViewerDlg() {
  if (!closed_) Shutdown();
  // Frames stop with the engine, before the video area they paint into goes.
  if (bars_) bars_->DetachEngine();
  if (devices_) devices_->CloseEngine();
  mixerRetry_.reset();
  mixerNotifiers_.clear();
  volume_.reset();
  mixer_.reset();
}

bool CViewerDlg::Start() {
  // (The leftover audio-preview window of the other platform has no counterpart here.)
  store_.WriteDword(vd::kSection, vd::setting::kWinHandle, static_cast<int32_t>(winId()));
  BuildChildren();
  sheetHost_ = std::make_unique<vd::ViewerSheetHost>(
      static_cast<vd::ViewerSheetHost::Owner&>(*this), store_);
  entry_ = std::make_unique<vd::ViewerEntry>(static_cast<vd::ViewerEntry::Owner&>(*this));
  devices_ =
      std::make_unique<vd::ViewerDevices>(vd::DeviceEnumerator::Default(), store_, *tuning_, *this);
  if (!devices_->OpenEngine(video_, this)) {
    closed_ = true;
    store_.WriteDword(vd::kSection, vd::setting::kWinHandle, 0);
    return false;
  }
  CreateAlbum();
  bars_->AttachEngine();
  // The device's sound switch starts where the user left it.
  SelectSoundMode();
  StartMixer();
  CreatePanel();
  CreateKeyRouter();
  RefreshDeviceStatus();
  // The engine has started in radio with its sound: nothing is left to apply. (A posted Input
  // here would stop that sound and leave the panel's next press re-applying radio.)
  if (Engine()->WorkMode() == vd::WorkMode::kRadio) Engine()->Preview().StartAudio();
  SetVideoSize(320, 240);
  SetViewState(vd::ViewState::kStartUp);
  panel_->SetFmDisabled(settings_.fmDisabled != 0);
  remoteState_.SetFmDisabled(settings_.fmDisabled != 0);
  MaybeShowDisplayWarning();
  started_ = true;
  if (settings_.alwaysOnTopStored == 1) {
    vd::PostGated(this, [this] { OnCommand(cid::kAlwaysOnTop); });
  }
  setWindowTitle(kTitle);
  if (options_.startParser) StartParser();
  SetTimer(kTimerAlbum, 2000);
  inhibit_ = std::make_unique<vd::ScreenSaverInhibit>();
  ShowWindows();
  SetViewState(vd::ViewState::kLive);
  SyncRemoteState();
  if (tuning_->TakeScanRequest()) {
    vd::PostGated(this, [this] { autoScan_ = CAutoScanDlg::OpenAndScan(*sheetHost_, this); });
  }
  return true;
}

void CViewerDlg::CreateAlbum() {
  albumHost_ =
      std::make_unique<vd::ViewerAlbumHost>(static_cast<vd::ViewerAlbumHost::Owner&>(*this));
  album_ = std::make_unique<CAlbumFrame>(
      *albumHost_, settings_.path, settings_.albumPageNum,
      [this](int32_t page) { settings_.albumPageNum = page; }, nullptr);
  album_->setWindowTitle("Gallery");
  Engine()->Stills().SetFolder(album_->StillFolder().string());
  // A recording a killed viewer left in the capture file joins the album now.
  Engine()->KeepUnsavedCapture();
}

void CViewerDlg::CreateKeyRouter() {
  keys_ = std::make_unique<vd::KeyRouter>(
      [this](const QWidget* window) {
        return window != nullptr &&
               (window == this || window == panel_.get() || window == virtualRemote_.data());
      },
      [this](const vd::Accelerator& accel) {
        if (accel.target == vd::KeyTarget::kPanel) {
          OnPanelCommand(accel.command);
        } else {
          OnCommand(accel.command);
        }
      });
}

void CViewerDlg::ShowWindows() {
  // Placed before they are shown, so that a window manager maps them there and not where it
  // would put them itself.
  PlaceWindows(Placing::kStart);
  if (settings_.workMode != vd::WorkMode::kRadio) show();
  panel_->show();
  // A window manager frames the main window once it is on the screen; until then the frame
  // is not known and the panel stands under the client area, partly under the frame.
  if (QWindow* window = windowHandle(); window != nullptr && isVisible() && !window->isExposed()) {
    panelPlacedAt_ = panel_->pos();
    window->installEventFilter(this);
  }
}

void CViewerDlg::BuildChildren() {
  status_ = new QLabel("Live View", this);
  status_->setObjectName("1019");
  status_->setAlignment(Qt::AlignCenter);
  status_->hide();
  video_ = new VideoArea(this);
  connect(video_, &VideoArea::DoubleClicked, this, [this] {
    if (vd::IsLive(viewState_)) OnCommand(cid::kFullScreen);
  });
  strip_ = new ViewStateStrip(this);
  connect(strip_, &ViewStateStrip::Command, this, &CViewerDlg::OnCommand);
  bars_ = std::make_unique<vd::ViewerBars>(static_cast<vd::ViewerBars::Owner&>(*this));
  teletext_ = std::make_unique<vd::ViewerTeletext>(static_cast<vd::ViewerTeletext::Owner&>(*this));
  QPalette dark = palette();
  dark.setColor(QPalette::Window, QColor(20, 22, 28));
  dark.setColor(QPalette::WindowText, QColor(220, 220, 225));
  setPalette(dark);
  setAutoFillBackground(true);
  setWindowTitle(kTitle);
}

vd::RestoredLayout CViewerDlg::ClientLayout() {
  // The bars under the video are the bottom reserve; the view-state strip the right one.
  const int rightReserve = fullScreen_ ? 0 : ViewStateStrip::kWidth;
  const int bottomReserve = bars_->Layout(width() - rightReserve, height(), fullScreen_);
  const bool border = settings_.videoBorder != 0 && !fullScreen_;
  return vd::LayOutRestored({width(), height()}, border, rightReserve, bottomReserve);
}

void CViewerDlg::LayoutChildren() {
  if (video_ == nullptr || !bars_) return;
  const vd::Rect v = ClientLayout().video;
  const int w = std::max(1, v.Width());
  video_->setGeometry(v.left, v.top, w, std::max(1, v.Height()));
  status_->setGeometry(v.left, std::max(0, v.top - 18), w, 18);
  strip_->setGeometry(width() - ViewStateStrip::kWidth, 0, ViewStateStrip::kWidth, height());
  strip_->setVisible(!fullScreen_);
}

QRect CViewerDlg::VideoRect() const {
  return video_ != nullptr ? video_->geometry() : QRect();
}

void CViewerDlg::CreatePanel() {
  panel_ = std::make_unique<CControlPanel>(vd::Skin::Shared());
  panel_->setWindowTitle(kTitle);
  vd::Capabilities caps = Engine()->GetCapabilities();
  if (!caps.tuner && !vd::IsExternalInput(settings_.workMode))
    settings_.workMode = vd::WorkMode::kComposite;
  settings_.workMode = Engine()->WorkMode();
  panel_->SetWorkMode(settings_.workMode);
  panel_->SetInput(vd::PanelInputOf(settings_.workMode));
  panel_->SetKeypadOpen(settings_.keyPadOpen != 0);
  panel_->SetVcrPadOpen(settings_.vcrPadOpen != 0);
  panel_->SetSoundMode({settings_.isMts, settings_.mtsMode, settings_.mtsPalMode});
  connect(panel_.get(), &CControlPanel::Command, this, &CViewerDlg::OnPanelCommand);
  connect(panel_.get(), &CControlPanel::SliderMoved, this, [this](int, int value) {
    if (volume_) volume_->OnSliderMoved(value);
    RefreshPanelVolume();
  });
  connect(panel_.get(), &CControlPanel::FocusToMainWindow, this, [this] { activateWindow(); });
  vd::PanelWindow::Hooks hooks;
  hooks.radio = [this] { return settings_.workMode == vd::WorkMode::kRadio; };
  hooks.scanRunning = [this] { return sheetHost_ && sheetHost_->IsScanRunning(); };
  hooks.hideMainWindow = [this] {
    vd::PostGated(this, [this] {
      if (settings_.workMode == vd::WorkMode::kRadio) hide();
    });
  };
  hooks.closeViewer = [this] { vd::PostGated(this, [this] { close(); }); };
  hooks.owner = [this] { return static_cast<QWidget*>(this); };
  hooks.moved = [this] {
    if (settings_.tileMode && !placing_ && !fullScreen_ && panel_ && panel_->isVisible()) {
      OnCommand(cid::kFollowPanel);
    }
  };
  panelWindow_ = std::make_unique<vd::PanelWindow>(*panel_, std::move(hooks));
  if (settings_.workMode == vd::WorkMode::kRadio) {
    panel_->setWindowFlags(vd::PanelWindow::RadioFlags());
    panel_->setWindowTitle(vd::WorkModeInfoOf(vd::WorkMode::kRadio).title);
  } else {
    panel_->setWindowFlags(vd::PanelWindow::StripFlags());
  }
  RefreshPanelVolume();
}

void CViewerDlg::StartMixer() {
  mixerLink_ = std::make_unique<vd::MixerLink>(static_cast<vd::MixerLink::Owner&>(*this));
  mixer_ = std::make_unique<CMixer>(
      options_.mixerBackend ? options_.mixerBackend() : vd::MakeMixerBackend(), *mixerLink_,
      settings_.controlMasterVolume);
  volume_ = std::make_unique<vd::PanelVolume>(*mixer_);
  OpenMixer();
}

bool CViewerDlg::OpenMixer(bool again) {
  const vd::Capabilities caps = Engine()->GetCapabilities();
  if (again) {
    volume_->Reopen(caps.audio);
  } else {
    volume_->Start({settings_.mute, settings_.volume}, caps.audio);
  }
  mixerNotifiers_.clear();
  for (const pollfd& fd : mixer_->PollDescriptors()) {
    auto notifier = std::make_unique<QSocketNotifier>(fd.fd, QSocketNotifier::Read);
    connect(notifier.get(), &QSocketNotifier::activated, this, [this] { OnMixerEvents(); });
    mixerNotifiers_.push_back(std::move(notifier));
  }
  return mixer_->IsOpen();
}

void CViewerDlg::OnMixerEvents() {
  mixer_->HandleEvents();
  if (!mixer_->CardLost()) {
    RefreshPanelVolume();
    return;
  }
  // The card's descriptors stay in error: watching them would spin the UI loop. The
  // notifiers go once the one that called here has returned.
  for (auto& notifier : mixerNotifiers_) {
    notifier->setEnabled(false);
    notifier.release()->deleteLater();
  }
  mixerNotifiers_.clear();
  int32_t mute = settings_.mute;
  int32_t volume = settings_.volume;
  mixer_->ReadState(mute, volume);  // the last known values
  settings_.mute = mute;
  settings_.volume = volume;
  mixer_->Forget();
  // Through the gate: a station change letting the tuner settle runs posted events, and a box
  // opened there would run its own loop inside it.
  vd::PostGated(this, [this] {
    ShowMessage("The sound card has gone: volume and mute do nothing until it is back.");
  });
  if (!mixerRetry_) {
    mixerRetry_ = std::make_unique<QTimer>();
    connect(mixerRetry_.get(), &QTimer::timeout, this, [this] {
      // Inside a message box's loop (the "gone" one, say) an attempt could open a box of its
      // own on top; the next tick after it comes soon enough.
      if (vd::NestedLoop::ModalActive()) return;
      // The mute and volume the user set while the card was away stay, and go to the card.
      const bool opened = OpenMixer(true);
      RefreshPanelVolume();
      if (opened) mixerRetry_->stop();
    });
  }
  mixerRetry_->start(kMixerRetryMs);
}

void CViewerDlg::StartParser() {
  devices_->StartParser(remoteState_, static_cast<vd::RemoteBridge::Owner&>(*this),
                        teletext_.get());
}

void CViewerDlg::StopParser() {
  if (devices_) devices_->StopParser();
}

void CViewerDlg::MaybeShowDisplayWarning() {
  const int depth = options_.screenDepth != 0 ? options_.screenDepth
                    : QGuiApplication::primaryScreen() != nullptr
                        ? QGuiApplication::primaryScreen()->depth()
                        : 16;
  if (depth == 16 || settings_.displayModeWarning != 0 || !videoPresent_ ||
      Engine()->Settings().notShowAgain != 0) {
    return;
  }
  displayWarningShown_ = true;
  bool notAgain = false;
  if (options_.displayWarning) {
    notAgain = options_.displayWarning(this);
  } else {
    QDialog dialog(this);
    dialog.setWindowTitle("Display Warning");
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(
        new QLabel("For optimal performance, change your display color settings to 16 bit."));
    auto* box = new QCheckBox("Do not show this warning again.");
    layout->addWidget(box);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    layout->addWidget(buttons);
    {
      vd::NestedLoop modal(vd::NestedLoop::Kind::kModal);
      dialog.exec();
    }
    notAgain = box->isChecked();
  }
  Engine()->Settings().notShowAgain = notAgain ? 1 : 0;
}

bool CViewerDlg::Shutdown() {
  if (closed_) return true;
  if (sheetHost_ && sheetHost_->IsScanRunning()) return false;
  // The album's save is on the stack below the copy's dialog and would be freed under it;
  // the dialog's Cancel (or a stop signal, which rejects it) ends the copy first.
  if (Engine() && Engine()->File().SavingCopy()) return false;
  if (viewState_ == vd::ViewState::kCapturing && Engine()) Engine()->StopCapture();
  if (mixer_) {
    int32_t mute = settings_.mute;
    int32_t volume = settings_.volume;
    mixer_->ReadState(mute, volume);
    settings_.mute = mute;
    settings_.volume = volume;
  }
  if (panel_) {
    settings_.keyPadOpen = panel_->state().keypadOpen ? 1 : 0;
    settings_.vcrPadOpen = panel_->state().vcrPadOpen ? 1 : 0;
  }
  // The album window hands its page back as it closes: before the settings are written.
  album_.reset();
  settings_.Save(store_);
  keys_.reset();
  panelWindow_.reset();
  panel_.reset();
  StopParser();
  if (virtualRemote_) virtualRemote_->close();
  if (about_) about_->close();
  if (help_) help_->close();
  timers_.clear();
  inhibit_.reset();
  store_.WriteDword(vd::kSection, vd::setting::kWinHandle, 0);
  closed_ = true;
  hide();
  return true;
}

void CViewerDlg::closeEvent(QCloseEvent* event) {
  if (!Shutdown()) {
    event->ignore();
    return;
  }
  event->accept();
  QApplication::quit();
}

// --- vd::CaptureHost

void CViewerDlg::ShowMessage(const std::string& text) {
  ShowMessageBox("", text);
}

void CViewerDlg::ShowMessageBox(const std::string& caption, const std::string& text) {
  ShowMessageBox(caption, text, vd::MessageIcon::kExclamation);
}

void CViewerDlg::EndOnStopSignal(int signal) {
  stopSignal_ = signal != 0 ? signal : SIGTERM;
}

void CViewerDlg::ShowMessageBox(const std::string& caption, const std::string& text,
                                vd::MessageIcon icon) {
  if (stopSignal_ != 0) {
    // A box now would hold the ending viewer until a session manager kills it, and with it
    // whatever is still to be saved.
    std::string line = caption.empty() ? text : caption + ": " + text;
    std::replace(line.begin(), line.end(), '\n', ' ');
    vd::LogWrite("viewer", vd::LogLevel::kError, "ending on signal %d: %s\n", stopSignal_,
                 line.c_str());
    return;
  }
  messages_.push_back(text);
  messageIcons_.push_back(icon);
  if (messageSink_) {
    messageSink_(caption, text);
    return;
  }
  AlbumDialogs::ShowMessage(isVisible() ? this : nullptr, text, caption.empty() ? kTitle : caption,
                            icon);
}

bool CViewerDlg::OfferCard(const vd::CardOffer& card) {
  std::string where = card.driver.empty() ? "" : "driver " + card.driver;
  if (!card.busPath.empty()) where += (where.empty() ? "" : ", at ") + card.busPath;
  std::string text = "The capture card \"" + card.name + "\"" +
                     (where.empty() ? "" : " (" + where + ")") +
                     " is not one of the product's devices, which are all the settings allow "
                     "(Only_Corvalen_Devices).\n\nUse this card?";
  if (options_.offerCard) return options_.offerCard(text);
  return AskYesNo(kTitle, text);
}

void CViewerDlg::WaitForCopy(vd::CopyControl& control, const std::function<bool()>& finished) {
  // Most films copy in a moment: a dialog flashing up for them would only startle.
  const auto glance = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
  while (!finished() && std::chrono::steady_clock::now() < glance) QThread::msleep(10);
  if (finished()) return;
  QProgressDialog dialog(QStringLiteral("Saving the recording..."), QStringLiteral("Cancel"), 0,
                         100, isVisible() ? this : nullptr);
  dialog.setWindowTitle(QStringLiteral("Save Capture File"));
  // Modal to every window, not just this one: the panel and the album are windows of their
  // own, and both reach the engine and the album whose save waits below.
  dialog.setWindowModality(Qt::ApplicationModal);
  dialog.setMinimumDuration(0);
  dialog.setAutoClose(false);
  dialog.setAutoReset(false);
  const auto stop = [&control] { control.cancel = true; };
  connect(&dialog, &QProgressDialog::canceled, &dialog, stop);
  connect(&dialog, &QDialog::rejected, &dialog, stop);
  QEventLoop loop;
  QTimer poll;
  connect(&poll, &QTimer::timeout, &loop, [&] {
    if (finished()) {
      loop.quit();
      return;
    }
    const int64_t total = control.total;
    // 100 would read as done while the copy is still being made safe on the disk.
    if (total > 0 && !dialog.wasCanceled())
      dialog.setValue(static_cast<int>(std::min<int64_t>(99, control.done * 100 / total)));
  });
  poll.start(50);
  dialog.show();
  vd::NestedLoop modal(vd::NestedLoop::Kind::kModal);
  loop.exec();
}

void CViewerDlg::Beep() {
  if (options_.beep) {
    options_.beep();
  } else {
    QApplication::beep();
  }
}

void CViewerDlg::SetTimer(uint32_t id, uint32_t milliseconds) {
  auto& timer = timers_[id];
  if (!timer) {
    timer = std::make_unique<QTimer>();
    connect(timer.get(), &QTimer::timeout, this, [this, id] { OnTimerFired(id); });
  }
  timer->start(static_cast<int>(milliseconds));
}

void CViewerDlg::KillTimer(uint32_t id) {
  auto it = timers_.find(id);
  if (it != timers_.end()) it->second->stop();
}

void CViewerDlg::ShowStatistics(const vd::StatisticsText& text) {
  bars_->ShowStatistics(text);
}

void CViewerDlg::ShowCaptureProgress(double seconds, int64_t bytes) {
  status_->setText(QString("Capturing %1 s, %2 KB").arg(seconds, 0, 'f', 1).arg(bytes / 1024));
  bars_->ShowCaptureProgress(seconds, bytes);
}

void CViewerDlg::ShowStatusNote(const std::string& text) {
  if (bars_) bars_->ShowStatusNote(QString::fromStdString(text));
}

void CViewerDlg::OnWorkModeForced(vd::WorkMode mode) {
  settings_.workMode = mode;
  if (panel_) {
    panel_->SetWorkMode(mode);
    panel_->SetInput(vd::PanelInputOf(mode));
  }
  SyncRemoteState();
}

void CViewerDlg::OnDeviceLost() {
  // The box went away under the running viewer: it stays open, without picture, until the
  // same box comes back and the engine restarts the preview. (Closing on removal belongs to
  // the older platform, which could not re-open a device.) The engine frees the devices
  // right after this call, so the notice comes later.
  parserOnLostDevice_ = parts_.HasParser();
  vd::PostGated(this, [this] {
    RefreshDeviceStatus();
    ShowMessage("The TV box was removed. Plug it in again to go on watching.");
  });
}

void CViewerDlg::RefreshControls() {
  // Called after the engine rebuilt its devices: the tuner may be another one now.
  if (entry_) entry_->Unbind();
  RefreshChannelList();
  if (started_) RefreshDeviceStatus();
  // The parser read the remote and teletext from the device that went away; a new one finds
  // the bulk pin of the device that came back (a card may come back under other node names).
  if (parserOnLostDevice_ && !Engine()->IsDeviceLost()) {
    parserOnLostDevice_ = false;
    StopParser();
    StartParser();
  }
}

void CViewerDlg::OnCaptureAborted() {
  SetViewState(vd::ViewState::kLive);
}

void CViewerDlg::RunCaptureCommand() {
  OnCommand(cid::kCapture);
}

void CViewerDlg::MarkAlbumForRefresh() {
  albumRefreshPending_ = true;
  if (album_) album_->MarkForRefresh();
}

void CViewerDlg::ResizeVideoArea(int32_t width, int32_t height) {
  SetVideoSize(width, height);
}

// --- vd::FilePlayerHost

void CViewerDlg::OnClipEnded() {
  if (panel_) panel_->SetPlaying(false);
}

void CViewerDlg::ShowPlaybackTimes(const std::string& length, const std::string& elapsed) {
  status_->setText(QString::fromStdString(elapsed + " / " + length));
  bars_->ShowPlaybackTimes(length, elapsed);
}

// The playback bar keeps the player's one-second timer.
bool CViewerDlg::StartPlaybackTimer(uint32_t id, uint32_t periodMs) {
  if (!bars_) return false;
  bars_->StartPlaybackTimer(id, periodMs);
  return true;
}

void CViewerDlg::StopPlaybackTimer(uint32_t id) {
  if (bars_) bars_->StopPlaybackTimer(id);
}

bool CViewerDlg::InTuningWait() const {
  return tuning_->Waiting();
}

// --- What the helpers ask of the window

bool CViewerDlg::AskYesNo(const std::string& caption, const std::string& text) {
  if (messageSink_) {
    messageSink_(caption, text);
    return false;
  }
  vd::NestedLoop modal(vd::NestedLoop::Kind::kModal);
  return QMessageBox::question(this, QString::fromStdString(caption),
                               QString::fromStdString(text)) == QMessageBox::Yes;
}

void CViewerDlg::ShowStatusText(const QString& text) {
  status_->setText(text);
}

void CViewerDlg::ShowNetworkName(const QString& name) {
  if (bars_) bars_->ShowNetworkName(name);
  if (panel_) panel_->Display().SetTeletextName(name);
}

QString CViewerDlg::TeletextNetworkName() {
  return teletext_ ? teletext_->Session().NetworkName() : QString();
}

TunerControl* CViewerDlg::CurrentTuner() {
  return Engine() ? Engine()->Tuner() : nullptr;
}

bool CViewerDlg::SaveCaptureAs(const std::string& path) {
  return Engine() && Engine()->SaveCaptureAs(path);
}

bool CViewerDlg::IsMuted() const {
  return volume_ && volume_->Muted();
}

void CViewerDlg::TakeMixerVolume() {
  if (volume_) volume_->Refresh();
  RefreshPanelVolume();
}

void CViewerDlg::SetMuted(bool muted) {
  if (mixer_) mixer_->SetMute(muted);
  RefreshPanelVolume();
}
