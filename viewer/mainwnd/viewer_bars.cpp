#include "vd/mainwnd/viewer_bars.h"

#include <QMenu>
#include <algorithm>
#include <cmath>
#include <filesystem>

#include "capture_stats_bar.h"
#include "playback_bar.h"
#include "tool_strip.h"
#include "tuner_pages_dialog.h"
#include "vd/pages/audio_format_dialog.h"
#include "vd/pages/dialog_runner.h"
#include "vd/pages/graph_pages_engine.h"
#include "vd/pages/property_dialog.h"
#include "vd/panel/control_panel.h"
#include "vd/tuning/channel_table.h"
#include "vd/tuning/tuner_control.h"
#include "vd/video/capture_graph.h"

namespace vd {

namespace {

// Used when the tuner does not tell its limits: the analogue TV range.
constexpr uint32_t kFallbackMinHz = 44000000;
constexpr uint32_t kFallbackMaxHz = 870000000;

const char* ViewStateText(ViewState viewState) {
  switch (viewState) {
    case ViewState::kStartUp:
      return "Starting";
    case ViewState::kLive:
      return "Live View";
    case ViewState::kCapturing:
      return "Capturing";
    case ViewState::kClipOpen:
      return "Playing";
    case ViewState::kStillShown:
      return "Picture";
    case ViewState::kFinishing:
      return "Finishing capture";
  }
  return "Starting";
}

PropertyDialog::Kind PropertyKindOf(EngineDialog dialog) {
  switch (dialog) {
    case EngineDialog::kVideoFormat:
      return PropertyDialog::Kind::kVideoFormat;
    case EngineDialog::kPreviewFormat:
      return PropertyDialog::Kind::kPreviewFormat;
    case EngineDialog::kDriverSource:
      return PropertyDialog::Kind::kDriverSource;
    case EngineDialog::kDriverFormat:
      return PropertyDialog::Kind::kDriverFormat;
    case EngineDialog::kDriverDisplay:
      return PropertyDialog::Kind::kDriverDisplay;
    default:
      // The crossbar's routing is the input choice of the source dialog.
      return PropertyDialog::Kind::kVideoSource;
  }
}

struct StripMenuEntry {
  int id;
  const char* text;
};
constexpr StripMenuEntry kStripMenu[] = {
    {ToolStripSet::kPicture, "Picture controls"},
    {ToolStripSet::kCaptureStrip, "Capture controls"},
    {ToolStripSet::kInput, "Input"},
    {ToolStripSet::kStatus, "Status bar"},
};

}  // namespace

ViewerBars::ViewerBars(Owner& window) : window_(window) {
  QWidget* parent = &window.Widget();
  statistics_ = new CaptureStatsBar(parent);
  statistics_->hide();
  playback_ = new PlaybackBar(parent);
  playback_->hide();
  QObject::connect(playback_, &PlaybackBar::Tick, parent, [this](uint32_t id) {
    if (window_.Engine() != nullptr) window_.Engine()->Player()->OnPlaybackTimer(id);
  });
  // The window tells the bars every change of its view state, before any seek can arrive.
  QObject::connect(playback_, &PlaybackBar::SeekRequested, parent, [this](int32_t seconds) {
    if (window_.Engine() != nullptr && viewState_ == ViewState::kClipOpen) {
      window_.Engine()->Player()->Seek(seconds);
    }
  });
  strips_ = std::make_unique<ToolStrips>(
      parent, ToolStripActions{[this](int id) { window_.OnCommand(id); },
                               [this](int id) { window_.OnPanelCommand(id); }});
}

ViewerBars::~ViewerBars() = default;

void ViewerBars::AttachEngine() {
  CaptureGraph* engine = window_.Engine();
  if (engine == nullptr) return;
  pages_ = std::make_unique<GraphPagesEngine>(*engine, window_.PagesHooks());
  strips_->SetEngine(pages_.get());
}

void ViewerBars::DetachEngine() {
  strips_->SetEngine(nullptr);
  pages_.reset();
}

PagesEngine* ViewerBars::Pages() {
  return pages_.get();
}

int ViewerBars::Layout(int width, int height, bool fullScreen) {
  strips_->SetFullScreen(fullScreen);
  // In full screen the picture takes the whole window; the bars come back when it ends.
  const bool statistics = !fullScreen && IsRecordingView(viewState_);
  const bool playback = !fullScreen && viewState_ == ViewState::kClipOpen;
  statistics_->setVisible(statistics);
  playback_->setVisible(playback);
  std::vector<ToolStripSet::Bar> bars;
  if (statistics) bars.push_back({kStatisticsBar, CaptureStatsBar::HeightFor(width)});
  if (playback) bars.push_back({kPlaybackBar, PlaybackBar::kHeight});
  for (const ToolStripSet::Bar& bar : strips_->VisibleBars()) bars.push_back(bar);
  std::vector<ToolStripSet::Slot> placed;
  const int reserve = ToolStripSet::Stack(bars, height, &placed);
  for (const ToolStripSet::Slot& slot : placed) {
    QWidget* widget = slot.id == kStatisticsBar ? static_cast<QWidget*>(statistics_)
                      : slot.id == kPlaybackBar ? static_cast<QWidget*>(playback_)
                                                : strips_->Strip(slot.id);
    widget->setGeometry(0, slot.y, width, slot.height);
    widget->raise();
  }
  return reserve;
}

void ViewerBars::OnViewState(ViewState viewState) {
  // Shown or hidden by the layout that follows every change of the view state.
  viewState_ = viewState;
  if (viewState == ViewState::kCapturing) statistics_->Reset();
  if (viewState != ViewState::kClipOpen) playback_->Close();
  // A card without sound keeps saying so while its live picture runs: a note shown once at
  // the start would be gone with the first change of state.
  CaptureGraph* engine = window_.Engine();
  const std::string note = engine != nullptr ? engine->Devices().Sound().Note() : std::string();
  strips_->ShowStatusLine(IsLive(viewState) && !note.empty() ? QString::fromStdString(note)
                                                             : QString(ViewStateText(viewState)));
  RefreshStatus();
}

void ViewerBars::RefreshStatus() {
  std::optional<PanelStation> station;
  CaptureGraph* engine = window_.Engine();
  TunerControl* tuner = engine != nullptr ? engine->Tuner() : nullptr;
  CChannelTable* table = tuner != nullptr ? tuner->Table() : nullptr;
  int32_t index = -1;
  if (table != nullptr && table->GetCurrent(&index)) {
    if (const CChannel* channel = table->Get(index)) {
      station = PanelStation{channel->Name(), channel->frequency, index};
    }
  }
  const MainSettings& settings = window_.Settings();
  const StatusStripTexts texts =
      StatusStripTexts::Of(window_.WorkModeValue(), station,
                           SoundModeState{settings.isMts, settings.mtsMode, settings.mtsPalMode});
  const bool video = engine != nullptr && engine->GetCapabilities().video;
  strips_->Refresh(texts, viewState_, window_.WorkModeValue(), video);
  // The settings sheet or a device change may have moved what the strips show.
  strips_->Reload();
}

void ViewerBars::ShowNetworkName(const QString& name) {
  strips_->ShowNetworkName(name);
}

void ViewerBars::ShowStatistics(const StatisticsText& text) {
  statistics_->Show(text);
}

void ViewerBars::ShowCaptureProgress(double seconds, int64_t bytes) {
  strips_->ShowStatusLine(
      QString("Capturing %1 Secs, %2 KB").arg(seconds, 0, 'f', 1).arg(bytes / 1024));
}

void ViewerBars::ShowStatusNote(const QString& text) {
  strips_->ShowStatusLine(text);
}

void ViewerBars::OpenClip() {
  CaptureGraph* engine = window_.Engine();
  if (engine == nullptr) return;
  int32_t seconds = -1;
  if (!engine->Player()->GetDuration(&seconds)) seconds = -1;
  playback_->Open(seconds);
  const std::string name = std::filesystem::path(engine->Player()->LastFile()).filename().string();
  strips_->ShowStatusLine(QString::fromStdString("Playing " + name));
}

void ViewerBars::ShowPlaybackTimes(const std::string& length, const std::string& elapsed) {
  playback_->ShowTimes(length, elapsed);
}

void ViewerBars::StartPlaybackTimer(uint32_t id, uint32_t periodMs) {
  playback_->StartTimer(id, periodMs);
}

void ViewerBars::StopPlaybackTimer(uint32_t id) {
  playback_->StopTimer(id);
}

bool ViewerBars::OnCommand(int command) {
  if (strips_->Toggle(command)) {
    if (command == ToolStripSet::kStatus) RefreshStatus();
    return true;
  }
  if (EngineDialogTable::IsCommand(command)) {
    RunEngineDialog(command);
    return true;
  }
  return false;
}

EnginePageFlags ViewerBars::PageFlags() {
  return pages_ != nullptr ? EngineDialogTable::FlagsOf(*pages_) : EnginePageFlags{};
}

bool ViewerBars::RunEngineDialog(int command) {
  // The pins change format only between captures and with no clip in the video area.
  if (pages_ == nullptr || !IsLive(viewState_)) return false;
  const EngineDialogEntry* entry = EngineDialogTable::Find(command);
  if (entry == nullptr || !EngineDialogTable::Available(entry->dialog, PageFlags())) return false;
  switch (entry->dialog) {
    case EngineDialog::kTuner:
      ShowTunerPage();
      break;
    case EngineDialog::kTvAudio:
      ShowTvAudioPage();
      break;
    case EngineDialog::kAudioPin:
      AudioFormatDialog::Choose(*pages_, &window_.Widget());
      window_.Widget().update();
      break;
    default:
      PropertyDialog::Show(*pages_, PropertyKindOf(entry->dialog), &window_.Widget());
      break;
  }
  window_.RefreshDeviceStatus();
  return true;
}

void ViewerBars::ShowTunerPage() {
  TunerControl* tuner = window_.Engine()->Tuner();
  if (tuner == nullptr || !tuner->HasTuner()) return;
  uint32_t minHz = kFallbackMinHz;
  uint32_t maxHz = kFallbackMaxHz;
  if (!tuner->GetTvLimits(&minHz, &maxHz) || minHz >= maxHz) {
    minHz = kFallbackMinHz;
    maxHz = kFallbackMaxHz;
  }
  TunerPagesDialog dialog(tuner->GetFrequency(), minHz, maxHz, &window_.Widget());
  if (DialogRunner::Run(dialog) != QDialog::Accepted) return;
  tuner->SetFrequency(dialog.FrequencyHz());
  RefreshStatus();
}

void ViewerBars::ShowTvAudioPage() {
  MainSettings& settings = window_.Settings();
  const SoundModeState sound{settings.isMts, settings.mtsMode, settings.mtsPalMode};
  TunerPagesDialog dialog(sound, &window_.Widget());
  if (DialogRunner::Run(dialog) != QDialog::Accepted || dialog.SoundMode() < 0) return;
  // The same sound system the panel's display names: PAL only when the settings say so.
  if (settings.isMts == 0) {
    settings.mtsPalMode = dialog.SoundMode();
  } else {
    settings.mtsMode = dialog.SoundMode();
  }
  window_.ApplySoundMode();
  RefreshStatus();
}

void ViewerBars::AddMenus(QMenu& menu) {
  QMenu* toolbars = menu.addMenu("Toolbars");
  for (const StripMenuEntry& entry : kStripMenu) {
    QAction* action = toolbars->addAction(entry.text, &window_.Widget(),
                                          [this, id = entry.id] { window_.OnCommand(id); });
    action->setCheckable(true);
    action->setChecked(strips_->Set().Visible(entry.id));
    action->setEnabled(!window_.FullScreen());
  }
  QMenu* video = menu.addMenu("Video settings");
  const EnginePageFlags flags = PageFlags();
  const bool live = IsLive(viewState_);
  for (const EngineDialogEntry& entry : EngineDialogTable::Entries()) {
    QAction* action = video->addAction(entry.menuText, &window_.Widget(),
                                       [this, id = entry.command] { window_.OnCommand(id); });
    action->setEnabled(live && EngineDialogTable::Available(entry.dialog, flags));
  }
}

}  // namespace vd
