// Mouse events delivered straight to a widget, so that the tests do not depend on where the
// offscreen platform thinks the pointer is.
#pragma once

#include <QApplication>
#include <QMouseEvent>
#include <QWidget>

namespace vd::test {

inline void SendMouse(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButton button,
                      Qt::MouseButtons held) {
  QMouseEvent event(type, QPointF(at), QPointF(w->mapToGlobal(at)), button, held, Qt::NoModifier);
  QApplication::sendEvent(w, &event);
}

inline void Press(QWidget* w, QPoint at) {
  SendMouse(w, QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
}

inline void Release(QWidget* w, QPoint at) {
  SendMouse(w, QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
}

inline void Click(QWidget* w, QPoint at) {
  Press(w, at);
  Release(w, at);
}

inline void Move(QWidget* w, QPoint at, bool held = false) {
  SendMouse(w, QEvent::MouseMove, at, Qt::NoButton, held ? Qt::LeftButton : Qt::NoButton);
}

inline void Leave(QWidget* w) {
  QEvent event(QEvent::Leave);
  QApplication::sendEvent(w, &event);
}

}  // namespace vd::test
