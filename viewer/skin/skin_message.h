// The skinned controls report load failures in a message box. The box goes through this one
// replaceable function so that tests (and headless runs) can take the text instead.
#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace vd {

class SkinMessage {
 public:
  using Handler = std::function<void(QWidget* parent, const QString& text)>;

  // Shows the text (a warning box with an OK button unless a handler is installed).
  static void Show(QWidget* parent, const QString& text);
  // Installs a handler and returns the previous one; an empty handler restores the box.
  static Handler SetHandler(Handler handler);
};

}  // namespace vd
