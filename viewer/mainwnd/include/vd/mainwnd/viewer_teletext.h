// The main window's teletext: the session fed by the stream parser, the window opened by the
// menu, the T key and the remote's memory key, and where the station's name is shown. The
// main window tells it what it tunes and which digits to hand over; nothing else of the
// window depends on it.
#pragma once

#include <QObject>
#include <QPointer>
#include <cstdint>
#include <optional>

#include "vd/teletext/teletext_session.h"
#include "vd/teletext/teletext_window.h"
#include "vd/view_modes.h"

class IStromsift;
class QMenu;
class QShortcut;
class VideoArea;

namespace vd {

class ViewerTeletext : public QObject {
  Q_OBJECT

 public:
  // What the teletext asks of the main window.
  struct Owner {
    // The window the teletext window and its key belong to.
    virtual QWidget& Widget() = 0;
    // The picture the page's overlay is drawn over.
    virtual VideoArea* Video() = 0;
    virtual vd::WorkMode WorkModeValue() const = 0;
    virtual void Beep() = 0;
    virtual void ShowNetworkName(const QString& name) = 0;

   protected:
    ~Owner() = default;
  };

  explicit ViewerTeletext(Owner& window);
  ~ViewerTeletext() override;

  // Before the parser runs: its teletext records come here.
  void Attach(IStromsift& parser);
  void AddMenuAction(QMenu& menu);
  // Opens the window on a TV station, closes it when open; elsewhere there is no teletext.
  void Toggle();
  // A digit (keyboard, keypad, remote) while the window is open goes to it: true.
  bool RouteDigit(int digit);
  // What the main window tunes now; another station empties the pages, another mode than
  // TV closes the window.
  void StationShown(WorkMode workMode, std::optional<uint32_t> frequencyHz);

  TeletextSession& Session() { return *session_; }
  TeletextWindow* Window() { return window_; }

 private:
  Owner& owner_;
  TeletextSession* session_;  // a child of this object
  QPointer<TeletextWindow> window_;
  QShortcut* shortcut_ = nullptr;
  std::optional<WorkMode> workMode_;  // none until the first station
  std::optional<uint32_t> frequencyHz_;
};

}  // namespace vd
