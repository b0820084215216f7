// Keeps the desktop's screen saver and display sleep away while the viewer runs, through the
// freedesktop screen-saver service. Without a session bus it does nothing.
#pragma once

#include <QDBusConnection>
#include <cstdint>
#include <optional>

namespace vd {

class ScreenSaverInhibit {
 public:
  // The desktop's service on `bus` (normally the session bus).
  explicit ScreenSaverInhibit(QDBusConnection bus = QDBusConnection::sessionBus());
  ~ScreenSaverInhibit();
  ScreenSaverInhibit(const ScreenSaverInhibit&) = delete;
  ScreenSaverInhibit& operator=(const ScreenSaverInhibit&) = delete;

  bool Active() const { return cookie_.has_value(); }
  std::optional<uint32_t> Cookie() const { return cookie_; }

 private:
  QDBusConnection bus_;
  std::optional<uint32_t> cookie_;
};

}  // namespace vd
