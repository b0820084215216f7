// The control panel as a top-level window. Beside the main window it is a tool window without
// a taskbar entry of its own that the window manager keeps above the main window (a window
// manager stacks a full-screen window above every window that is not its own); in radio mode
// it is the viewer's only visible window, so it becomes a normal window with its own taskbar
// entry and the radio title. Showing it in radio mode hides the main window, and closing it
// there ends the viewer.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>

namespace vd {

class PanelWindow : public QObject {
  Q_OBJECT

 public:
  struct Hooks {
    std::function<bool()> radio;
    std::function<bool()> scanRunning;
    // Both are called from the panel's own event handling: they must only queue their work.
    std::function<void()> hideMainWindow;
    std::function<void()> closeViewer;
    // The panel window moved (optional).
    std::function<void()> moved;
    // The main window, which the panel beside it stays above (optional).
    std::function<QWidget*()> owner;
  };

  PanelWindow(QWidget& panel, Hooks hooks);
  ~PanelWindow() override;
  PanelWindow(const PanelWindow&) = delete;
  PanelWindow& operator=(const PanelWindow&) = delete;

  // A normal top-level window with `title`, shown and activated.
  void AddTab(const QString& title);
  // Back to a tool window; a visible panel stays visible where it was.
  void DeleteTab();
  bool HasTab() const;
  // Shows the panel when hidden and brings it above the windows that may cover it.
  void BringUp();

  static Qt::WindowFlags StripFlags();
  static Qt::WindowFlags RadioFlags();

  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void ChangeFlags(Qt::WindowFlags flags);
  // Before the panel's native window is shown: beside the main window it belongs to it.
  void FollowOwner();

  QPointer<QWidget> panel_;
  Hooks hooks_;
};

}  // namespace vd
