#include "vd/mainwnd/viewer_entry.h"

#include "vd/panel/control_panel.h"
#include "vd/remote/digit_entry.h"
#include "vd/remote/fine_tune.h"
#include "vd/remote/tuning_ports.h"
#include "vd/tuning/channel_table.h"
#include "vd/tuning/radio_tuner_control.h"

namespace vd {

ViewerEntry::ViewerEntry(Owner& window) : window_(window) {}

ViewerEntry::~ViewerEntry() = default;

void ViewerEntry::Unbind() {
  // A running timer would end the next mode's entry before anything was typed into it.
  StopEntryTimer();
  entry_.reset();
  fineTune_.reset();
  ports_.reset();
  bound_ = nullptr;
}

bool ViewerEntry::Bind() {
  TunerControl* tuner = window_.CurrentTuner();
  if (tuner == nullptr) {
    Unbind();
    return false;
  }
  if (tuner != bound_) {
    entry_.reset();
    fineTune_.reset();
    ports_ = std::make_unique<TuningPorts>(*tuner);
    entry_ = std::make_unique<DigitEntry>(*ports_, *ports_, *this);
    fineTune_ = std::make_unique<FineTune>(*ports_, *ports_, *this);
    bound_ = tuner;
  }
  return true;
}

bool ViewerEntry::OnDigitCommand(int command) {
  if (!Bind()) {
    window_.Beep();
    return false;
  }
  return entry_->OnCommand(command);
}

void ViewerEntry::OnEntryTimer() {
  StopEntryTimer();
  // An end held back behind a dialog or a settle wait can arrive after the entry was dropped
  // (the sheet or a mode change unbinds it): with nothing typed there is nothing to end.
  if (Bind() && entry_->Count() > 0) entry_->OnTimer();
}

bool ViewerEntry::FineTuneStep(int32_t deltaHz) {
  if (!Bind() || window_.Panel() == nullptr) return false;
  return fineTune_->Step(deltaHz, window_.Panel()->input());
}

void ViewerEntry::OnKeypad(int button) {
  if (button >= 570) {
    const KeypadAction action = fmKeypad_.Press(button);
    if (window_.Panel() != nullptr) window_.Panel()->SetFmMemoryMode(fmKeypad_.MemoryMode());
    TunerControl* tuner = window_.CurrentTuner();
    auto* radio = dynamic_cast<RadioTunerControl*>(tuner);
    if (radio != nullptr && (action.kind == KeypadAction::Kind::kSelectPreset ||
                             action.kind == KeypadAction::Kind::kStorePreset)) {
      FmKeypad::Apply(action, *radio);
      window_.RefreshChannelDisplay();
    }
    return;
  }
  // Recall retunes: not while a capture runs or a clip plays in place of the picture.
  const KeypadAction action =
      TvKeypadPress(button, IsCapturing() || window_.ViewState() == vd::ViewState::kClipOpen);
  switch (action.kind) {
    case KeypadAction::Kind::kMainCommand:
      window_.OnCommand(action.value);
      break;
    case KeypadAction::Kind::kRecall:
      if (Bind() && bound_->Table() != nullptr) {
        bound_->Table()->SelectPreviousStation();
        window_.RefreshChannelDisplay();
      }
      break;
    default:
      break;
  }
}

void ViewerEntry::RefreshScanWindow() {
  window_.RefreshChannelList();
}

vd::WorkMode ViewerEntry::WorkMode() const {
  return window_.WorkModeValue();
}

bool ViewerEntry::IsCapturing() const {
  return window_.ViewState() == vd::ViewState::kCapturing;
}

void ViewerEntry::StartEntryTimer(uint32_t milliseconds) {
  window_.SetTimer(kEntryTimerId, milliseconds);
}

void ViewerEntry::StopEntryTimer() {
  window_.KillTimer(kEntryTimerId);
}

void ViewerEntry::ShowText(const std::string& text) {
  if (window_.Panel() != nullptr)
    window_.Panel()->Display().ShowText(QString::fromStdString(text), "");
}

void ViewerEntry::RefreshDisplay(int n) {
  if (window_.Panel() == nullptr) return;
  if (n == kRedrawOnly) {
    window_.Panel()->Display().Refresh(n);
    return;
  }
  window_.RefreshChannelDisplay();
  if (n >= 0) window_.Panel()->Display().Refresh(n);
}

void ViewerEntry::Beep(uint32_t) {
  window_.Beep();
}

}  // namespace vd
