// The viewer's keyboard shortcuts for all of its own windows at once. Installed as an
// application event filter, it takes a key press whose receiver sits in one of the viewer's
// windows (main window, control panel, virtual remote) and hands the matching accelerator to
// the dispatcher. Keys typed into the album, the settings sheet and dialogs are left alone,
// so digits typed into a field stay in that field.
#pragma once

#include <QObject>
#include <functional>

#include "vd/remote/keyboard_table.h"

class QWidget;

namespace vd {

class KeyRouter : public QObject {
  Q_OBJECT

 public:
  // `ownWindow` answers whether a top-level window is one of the viewer's own; `dispatch`
  // runs the accelerator (panel keys into the panel, the others into the main window).
  KeyRouter(std::function<bool(const QWidget*)> ownWindow,
            std::function<void(const Accelerator&)> dispatch);
  ~KeyRouter() override;
  KeyRouter(const KeyRouter&) = delete;
  KeyRouter& operator=(const KeyRouter&) = delete;

  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  std::function<bool(const QWidget*)> ownWindow_;
  std::function<void(const Accelerator&)> dispatch_;
};

}  // namespace vd
