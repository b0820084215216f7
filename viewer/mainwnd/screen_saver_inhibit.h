// Keeps the desktop's screen saver and display sleep away while the viewer runs, through the
// freedesktop screen-saver service. Without a session bus it does nothing.
#pragma once

#include <cstdint>
#include <optional>

namespace vd {

class ScreenSaverInhibit {
 public:
  ScreenSaverInhibit();
  ~ScreenSaverInhibit();
  ScreenSaverInhibit(const ScreenSaverInhibit&) = delete;
  ScreenSaverInhibit& operator=(const ScreenSaverInhibit&) = delete;

  bool Active() const { return cookie_.has_value(); }

 private:
  std::optional<uint32_t> cookie_;
};

}  // namespace vd
