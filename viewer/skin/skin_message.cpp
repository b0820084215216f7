#include "skin_message.h"

#include <QMessageBox>

#include "vd/nested_loop.h"

namespace vd {

namespace {

SkinMessage::Handler& CurrentHandler() {
  static SkinMessage::Handler handler;
  return handler;
}

}  // namespace

void SkinMessage::Show(QWidget* parent, const QString& text) {
  if (const Handler& handler = CurrentHandler()) {
    handler(parent, text);
    return;
  }
  vd::NestedLoop modal(vd::NestedLoop::Kind::kModal);
  QMessageBox::warning(parent, QString(), text, QMessageBox::Ok);
}

SkinMessage::Handler SkinMessage::SetHandler(Handler handler) {
  Handler previous = std::move(CurrentHandler());
  CurrentHandler() = std::move(handler);
  return previous;
}

}  // namespace vd
