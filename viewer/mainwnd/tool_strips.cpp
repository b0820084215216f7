#include "vd/mainwnd/tool_strips.h"

#include <QCheckBox>
#include <QLabel>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QToolButton>
#include <algorithm>

#include "tool_strip.h"
#include "vd/layout/panel_ids.h"

namespace vd {

namespace {

namespace pid = panel_id;

constexpr int kCaptureCommand = 1022;
constexpr int kSnapshotCommand = 1024;

struct InputButton {
  const char* text;
  const char* name;
  int command;
  WorkMode workMode;
};
constexpr std::array<InputButton, 4> kInputs = {{
    {"TV", "inputTv", pid::kModeTv, WorkMode::kTv},
    {"Radio", "inputRadio", pid::kModeRadio, WorkMode::kRadio},
    {"Composite", "inputComposite", pid::kModeComposite, WorkMode::kComposite},
    {"S-Video", "inputSVideo", pid::kModeSVideo, WorkMode::kSVideo},
}};

}  // namespace

ToolStrips::ToolStrips(QWidget* parent, ToolStripActions actions) : actions_(std::move(actions)) {
  for (int id : ToolStripSet::Strips()) {
    auto* strip = new ToolStrip(id, parent);
    strip->hide();
    strips_[id] = strip;
  }
  BuildPicture(strips_[ToolStripSet::kPicture]);
  BuildCapture(strips_[ToolStripSet::kCaptureStrip]);
  BuildInput(strips_[ToolStripSet::kInput]);
  BuildStatus(strips_[ToolStripSet::kStatus]);
  statusLine_ = strips_[ToolStripSet::kStatusLine]->AddLabel("Ready", "statusLine", 1);
}

void ToolStrips::BuildPicture(ToolStrip* strip) {
  const std::array<std::pair<AmpProperty, const char*>, 3> controls = {{
      {AmpProperty::kBrightness, "Bright"},
      {AmpProperty::kContrast, "Contrast"},
      {AmpProperty::kSaturation, "Colour"},
  }};
  for (const auto& [property, caption] : controls) {
    QSlider* slider = strip->AddSlider(caption, QString("amp%1").arg(static_cast<int>(property)));
    amp_[property] = slider;
    QObject::connect(slider, &QSlider::valueChanged, slider, [this, property = property](int v) {
      if (!loading_ && engine_ != nullptr) engine_->SetAmp(property, v);
    });
  }
}

void ToolStrips::BuildCapture(ToolStrip* strip) {
  buttons_["record"] = strip->AddButton("Record", "record");
  buttons_["stop"] = strip->AddButton("Stop", "stop");
  buttons_["snapshot"] = strip->AddButton("Snapshot", "snapshot");
  QObject::connect(buttons_["record"], &QToolButton::clicked, strip,
                   [this] { actions_.command(kCaptureCommand); });
  QObject::connect(buttons_["stop"], &QToolButton::clicked, strip,
                   [this] { actions_.command(kCaptureCommand); });
  QObject::connect(buttons_["snapshot"], &QToolButton::clicked, strip,
                   [this] { actions_.command(kSnapshotCommand); });
  strip->AddSeparator();
  useTimeLimit_ = strip->AddCheck("Limit", "useTimeLimit");
  timeLimit_ = strip->AddSpin("timeLimit", 1, 99999);
  timeLimit_->setSuffix(" s");
  strip->AddStretch();
  QObject::connect(useTimeLimit_, &QCheckBox::toggled, strip, [this] { StoreTimeLimit(); });
  QObject::connect(timeLimit_, &QSpinBox::valueChanged, strip, [this] { StoreTimeLimit(); });
}

void ToolStrips::BuildInput(ToolStrip* strip) {
  for (const InputButton& input : kInputs) {
    QToolButton* button = strip->AddButton(input.text, input.name, true);
    buttons_[input.name] = button;
    QObject::connect(button, &QToolButton::clicked, strip,
                     [this, command = input.command] { actions_.panelCommand(command); });
  }
  strip->AddStretch();
}

void ToolStrips::BuildStatus(ToolStrip* strip) {
  fields_["mode"] = strip->AddLabel({}, "mode");
  strip->AddSeparator();
  fields_["channel"] = strip->AddLabel({}, "channel", 1);
  strip->AddSeparator();
  fields_["frequency"] = strip->AddLabel({}, "frequency");
  strip->AddSeparator();
  fields_["sound"] = strip->AddLabel({}, "sound");
  strip->AddSeparator();
  fields_["network"] = strip->AddLabel({}, "network");
  fields_["network"]->setToolTip("The station's name from its teletext");
}

void ToolStrips::ShowNetworkName(const QString& name) {
  fields_["network"]->setText(name.isEmpty() ? QString() : "Teletext: " + name);
}

void ToolStrips::SetEngine(PagesEngine* engine) {
  engine_ = engine;
  LoadPicture();
  LoadTimeLimit();
}

bool ToolStrips::Toggle(int command) {
  if (!set_.Toggle(command)) return false;
  // What the settings sheet or the device changed meanwhile shows when a strip comes back.
  if (command == ToolStripSet::kPicture && set_.Visible(command)) LoadPicture();
  if (command == ToolStripSet::kCaptureStrip && set_.Visible(command)) LoadTimeLimit();
  ApplyVisibility();
  return true;
}

ToolStrip* ToolStrips::Strip(int id) const {
  const auto it = strips_.find(id);
  return it != strips_.end() ? it->second : nullptr;
}

std::vector<ToolStripSet::Bar> ToolStrips::VisibleBars() const {
  std::vector<ToolStripSet::Bar> bars;
  if (fullScreen_) return bars;
  for (int id : ToolStripSet::Strips()) {
    if (set_.Visible(id)) bars.push_back({id, ToolStrip::kHeight});
  }
  return bars;
}

void ToolStrips::SetFullScreen(bool fullScreen) {
  fullScreen_ = fullScreen;
  ApplyVisibility();
}

void ToolStrips::ApplyVisibility() {
  for (const auto& [id, strip] : strips_) strip->setVisible(!fullScreen_ && set_.Visible(id));
}

void ToolStrips::Refresh(const StatusStripTexts& status, ViewState viewState, WorkMode workMode,
                         bool videoPresent) {
  fields_["mode"]->setText(QString::fromStdString(status.mode));
  fields_["channel"]->setText(QString::fromStdString(status.channel));
  fields_["frequency"]->setText(QString::fromStdString(status.frequency));
  fields_["sound"]->setText(QString::fromStdString(status.sound));
  const bool radio = workMode == WorkMode::kRadio;
  const bool live = IsLive(viewState);
  buttons_["record"]->setEnabled(!radio && videoPresent && live);
  buttons_["stop"]->setEnabled(viewState == ViewState::kCapturing || ShowsAlbumFile(viewState));
  buttons_["snapshot"]->setEnabled(!radio && videoPresent && live);
  // The time limit is read when a capture starts: it stays put while one runs.
  useTimeLimit_->setEnabled(live && engine_ != nullptr);
  timeLimit_->setEnabled(live && engine_ != nullptr);
  for (const InputButton& input : kInputs) {
    QToolButton* button = buttons_[input.name];
    button->setChecked(input.workMode == workMode);
    // Switching the input ends a capture's picture: not while one runs.
    button->setEnabled(!IsRecordingView(viewState));
  }
}

void ToolStrips::Reload() {
  if (set_.Visible(ToolStripSet::kPicture)) LoadPicture();
  if (set_.Visible(ToolStripSet::kCaptureStrip)) LoadTimeLimit();
}

void ToolStrips::ShowStatusLine(const QString& text) {
  statusLine_->setText(text);
}

QString ToolStrips::StatusLine() const {
  return statusLine_->text();
}

void ToolStrips::LoadPicture() {
  loading_ = true;
  for (const auto& [property, slider] : amp_) {
    const std::optional<AmpRange> range =
        engine_ != nullptr ? engine_->GetAmpRange(property) : std::nullopt;
    const std::optional<int32_t> value =
        engine_ != nullptr ? engine_->GetAmp(property) : std::nullopt;
    slider->setEnabled(range.has_value() && value.has_value());
    if (range && value) {
      slider->setRange(range->min, range->max);
      slider->setSingleStep(std::max(range->step, 1));
      slider->setValue(*value);
    }
  }
  loading_ = false;
}

void ToolStrips::LoadTimeLimit() {
  if (engine_ == nullptr) return;
  const CaptureOptions options = engine_->GetCaptureOptions();
  loading_ = true;
  useTimeLimit_->setChecked(options.useTimeLimit);
  // As the capture page shows it: a limit outside 1..99999 shows 5.
  const double limit = options.timeLimit;
  timeLimit_->setValue(limit < 1 || limit > 99999 ? 5 : static_cast<int>(limit));
  loading_ = false;
}

void ToolStrips::StoreTimeLimit() {
  if (loading_ || engine_ == nullptr) return;
  CaptureOptions options = engine_->GetCaptureOptions();
  options.useTimeLimit = useTimeLimit_->isChecked();
  options.timeLimit = timeLimit_->value();
  engine_->SetCaptureOptions(options);
}

QSlider* ToolStrips::AmpSlider(AmpProperty property) const {
  const auto it = amp_.find(property);
  return it != amp_.end() ? it->second : nullptr;
}

QToolButton* ToolStrips::Button(const QString& name) const {
  const auto it = buttons_.find(name);
  return it != buttons_.end() ? it->second : nullptr;
}

QLabel* ToolStrips::StatusField(const QString& name) const {
  const auto it = fields_.find(name);
  return it != fields_.end() ? it->second : nullptr;
}

}  // namespace vd
