#include "vd/mainwnd/viewer_teletext.h"

#include <QMenu>
#include <QShortcut>

#include "stromsift.h"
#include "video_area.h"

namespace vd {

ViewerTeletext::ViewerTeletext(Owner& window)
    : owner_(window), session_(new TeletextSession(this)) {
  connect(session_, &TeletextSession::NetworkNameChanged, this,
          [this](const QString& name) { owner_.ShowNetworkName(name); });
  // Not in the accelerator table, whose keys are fixed: a shortcut of its own.
  shortcut_ = new QShortcut(QKeySequence(Qt::Key_T), &window.Widget());
  connect(shortcut_, &QShortcut::activated, this, &ViewerTeletext::Toggle);
}

ViewerTeletext::~ViewerTeletext() {
  // The window goes first, while the picture it may lie over is still there.
  delete window_.data();
}

void ViewerTeletext::Attach(IStromsift& parser) {
  parser.SetRecordCallback(&TeletextSession::RecordCallback, session_);
}

void ViewerTeletext::AddMenuAction(QMenu& menu) {
  QAction* action = menu.addAction("Teletext\tT", this, &ViewerTeletext::Toggle);
  action->setCheckable(true);
  action->setChecked(window_ && window_->isVisible());
  action->setEnabled(owner_.WorkModeValue() == WorkMode::kTv);
}

void ViewerTeletext::Toggle() {
  if (window_ && window_->isVisible()) {
    window_->close();
    return;
  }
  if (owner_.WorkModeValue() != WorkMode::kTv) {
    owner_.Beep();
    return;
  }
  if (!window_) {
    window_ = new TeletextWindow(session_, &owner_.Widget());
    window_->setAttribute(Qt::WA_DeleteOnClose);
    connect(window_, &TeletextWindow::OverlayChanged, owner_.Video(), &VideoArea::SetOverlay);
  }
  window_->show();
  window_->raise();
  window_->activateWindow();
}

bool ViewerTeletext::RouteDigit(int digit) {
  if (!window_ || !window_->isVisible()) return false;
  window_->Digit(digit);
  return true;
}

void ViewerTeletext::StationShown(WorkMode workMode, std::optional<uint32_t> frequencyHz) {
  const bool tv = workMode == WorkMode::kTv;
  if (!tv) frequencyHz.reset();
  if (workMode == workMode_ && frequencyHz == frequencyHz_) return;
  workMode_ = workMode;
  frequencyHz_ = frequencyHz;
  session_->StationChanged();
  if (!tv && window_) window_->close();
}

}  // namespace vd
