// Posting a command to a window through the command gate (vd/nested_loop.h): it runs from
// the window's event loop once no nested loop is running, and not at all once the window
// has gone.
#pragma once

#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <utility>

#include "vd/nested_loop.h"

namespace vd {

template <typename F>
void PostGated(QObject* context, F work,
               CommandGate::Origin origin = CommandGate::Origin::kInternal) {
  QPointer<QObject> guard(context);
  QMetaObject::invokeMethod(
      context,
      [guard, work = std::move(work), origin]() mutable {
        CommandGate::Submit(
            [guard, work = std::move(work)]() mutable {
              if (guard) work();
            },
            origin);
      },
      Qt::QueuedConnection);
}

}  // namespace vd
