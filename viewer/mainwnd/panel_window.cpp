#include "panel_window.h"

#include <QCloseEvent>
#include <QEvent>
#include <QWindow>

namespace vd {

PanelWindow::PanelWindow(QWidget& panel, Hooks hooks) : panel_(&panel), hooks_(std::move(hooks)) {
  panel.installEventFilter(this);
}

PanelWindow::~PanelWindow() {
  if (panel_) panel_->removeEventFilter(this);
}

Qt::WindowFlags PanelWindow::StripFlags() {
  return Qt::Tool | Qt::FramelessWindowHint;
}

Qt::WindowFlags PanelWindow::RadioFlags() {
  return Qt::Window | Qt::FramelessWindowHint;
}

void PanelWindow::AddTab(const QString& title) {
  if (!panel_) return;
  ChangeFlags(RadioFlags());
  panel_->setWindowTitle(title);
  panel_->show();
  panel_->raise();
  panel_->activateWindow();
}

void PanelWindow::DeleteTab() {
  ChangeFlags(StripFlags());
}

bool PanelWindow::HasTab() const {
  return panel_ && (panel_->windowFlags() & Qt::WindowType_Mask) == Qt::Window;
}

void PanelWindow::BringUp() {
  if (!panel_) return;
  if (!panel_->isVisible()) panel_->show();
  // Not activated: the keys stay with the picture the user clicked.
  panel_->raise();
}

void PanelWindow::FollowOwner() {
  QWindow* window = panel_ ? panel_->windowHandle() : nullptr;
  if (window == nullptr) return;
  // In radio the main window is hidden and the panel stands alone in the taskbar.
  QWidget* owner = !HasTab() && hooks_.owner ? hooks_.owner() : nullptr;
  window->setTransientParent(owner != nullptr ? owner->windowHandle() : nullptr);
}

void PanelWindow::ChangeFlags(Qt::WindowFlags flags) {
  if (!panel_ || panel_->windowFlags() == flags) return;
  // Changing the flags makes a new native window, which starts hidden.
  const bool shown = panel_->isVisible();
  const QPoint where = panel_->pos();
  panel_->setWindowFlags(flags);
  panel_->move(where);
  if (shown) panel_->show();
}

bool PanelWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched != panel_) return false;
  if (event->type() == QEvent::Show) {
    FollowOwner();
    if (hooks_.radio()) hooks_.hideMainWindow();
  } else if (event->type() == QEvent::Close) {
    if (hooks_.scanRunning()) {
      event->ignore();
      return true;
    }
    if (hooks_.radio()) hooks_.closeViewer();
  } else if (event->type() == QEvent::Move && hooks_.moved) {
    hooks_.moved();
  }
  return false;
}

}  // namespace vd
