// Debug traces. Each component owns one trace function built on this helper; nothing is
// written unless the environment variable VIEWDECK_TRACE is "1". The texts stay word for word
// (they are what a developer greps for), so callers pass the system's own format strings.
#pragma once

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace vd {

inline bool TraceEnabled() {
  static const bool enabled = [] {
    const char* v = std::getenv("VIEWDECK_TRACE");
    return v != nullptr && std::strcmp(v, "1") == 0;
  }();
  return enabled;
}

// Writes "[component] " and the formatted text to standard error in one call, so lines from
// several threads do not interleave.
inline void TraceV(const char* component, const char* format, va_list args) {
  if (!TraceEnabled()) return;
  char line[1024];
  int head = std::snprintf(line, sizeof line, "[%s] ", component);
  if (head < 0) return;
  std::vsnprintf(line + head, sizeof line - static_cast<size_t>(head), format, args);
  std::fputs(line, stderr);
}

}  // namespace vd

// Declares `void Name(const char* format, ...)` writing traces for one component.
#define VD_DEFINE_TRACE(Name, component)                                              \
  [[maybe_unused]] __attribute__((format(printf, 1, 2))) static inline void Name(     \
      const char* format, ...) {                                                      \
    va_list args;                                                                     \
    va_start(args, format);                                                           \
    ::vd::TraceV(component, format, args);                                            \
    va_end(args);                                                                     \
  }
