#include "key_router.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

#include "latin_keys.h"

namespace vd {

KeyRouter::KeyRouter(std::function<bool(const QWidget*)> ownWindow,
                     std::function<void(const Accelerator&)> dispatch)
    : ownWindow_(std::move(ownWindow)), dispatch_(std::move(dispatch)) {
  if (qApp != nullptr) qApp->installEventFilter(this);
}

KeyRouter::~KeyRouter() {
  if (qApp != nullptr) qApp->removeEventFilter(this);
}

bool KeyRouter::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type != QEvent::KeyPress && type != QEvent::ShortcutOverride) return false;
  // A key press reaches the filter once for the native window and again for each widget it
  // travels through; only the widget deliveries count, and the first one consumes the key.
  if (!watched->isWidgetType()) return false;
  const auto* widget = static_cast<const QWidget*>(watched);
  if (!ownWindow_(widget->window())) return false;
  const auto* key = static_cast<QKeyEvent*>(event);
  const QList<uint> text = key->text().toUcs4();
  const char32_t typed = text.size() == 1 ? text.front() : 0;
  const int latin =
      LatinKeys::IsOtherScript(key->key()) ? LatinKeys::KeyOf(key->nativeScanCode()) : 0;
  const auto accel =
      KeyboardTable::Translate(key->key(), static_cast<int>(key->modifiers()), typed, latin);
  if (!accel) return false;
  if (type == QEvent::ShortcutOverride) {
    // Claim the key so that no shortcut elsewhere in the application takes it first.
    event->accept();
    return true;
  }
  dispatch_(*accel);
  return true;
}

}  // namespace vd
