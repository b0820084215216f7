// The log: levelled, one category per component. Each component owns one trace function
// built on this helper (its debug level) and may write warnings and errors through LogWrite.
//
// What is written is chosen by VIEWDECK_LOG, a list of "category=level" entries ("*" for every
// category, levels error, warning, info, debug, off), e.g. VIEWDECK_LOG="device=debug,*=info";
// the last entry that names a category wins. Without it warnings and errors are written.
// VIEWDECK_TRACE=1 stands for "*=debug" (the manuals name it). The trace texts stay word for word
// (they are what a developer greps for), so callers pass the system's own format strings.
#pragma once

#include <dlfcn.h>

#include <algorithm>
#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <utility>

namespace vd {

enum class LogLevel : int { kOff = -1, kError = 0, kWarning = 1, kInfo = 2, kDebug = 3 };

// The most detailed level `rules` let `category` write (see above); `fallback` when no entry
// names it. Entries that cannot be read are passed over.
inline LogLevel LogThresholdFrom(std::string_view rules, std::string_view category,
                                 LogLevel fallback) {
  LogLevel level = fallback;
  while (!rules.empty()) {
    size_t end = rules.find_first_of(",;");
    std::string_view entry = rules.substr(0, end);
    rules = end == std::string_view::npos ? std::string_view{} : rules.substr(end + 1);
    size_t eq = entry.find('=');
    if (eq == std::string_view::npos) continue;
    std::string_view name = entry.substr(0, eq);
    std::string_view value = entry.substr(eq + 1);
    if (name != "*" && name != category) continue;
    static constexpr std::pair<std::string_view, LogLevel> kNames[] = {
        {"off", LogLevel::kOff},
        {"error", LogLevel::kError},
        {"warning", LogLevel::kWarning},
        {"info", LogLevel::kInfo},
        {"debug", LogLevel::kDebug}};
    for (const auto& [text, named] : kNames) {
      if (value == text) level = named;
    }
  }
  return level;
}

inline LogLevel LogThreshold(std::string_view category) {
  const char* trace = std::getenv("VIEWDECK_TRACE");
  LogLevel fallback =
      trace != nullptr && std::strcmp(trace, "1") == 0 ? LogLevel::kDebug : LogLevel::kWarning;
  const char* rules = std::getenv("VIEWDECK_LOG");
  return LogThresholdFrom(rules != nullptr ? rules : "", category, fallback);
}

// Where written texts go; standard error unless a program routes them (the viewer hands
// them to Qt's categorised logging). A text ends with its line end, or without one where a
// trace writes a line in pieces.
using LogSink = void (*)(const char* category, LogLevel level, const char* text);

inline void WriteToStandardError(const char* category, LogLevel, const char* text) {
  // One call per text, so texts from several threads do not interleave.
  std::fprintf(stderr, "[%s] %s", category, text);
}

// Each shared library keeps its own copy of these inline helpers. A program that routes the
// texts defines one slot for all of them with VD_DEFINE_SHARED_LOG_SINK and exports it; each
// copy looks it up once, so the libraries it loads write through the program's sink too.
inline std::atomic<LogSink>& LogSinkSlot() {
  static std::atomic<LogSink>* const slot = [] {
    void* shared = ::dlsym(RTLD_DEFAULT, "vd_shared_log_sink");
    static std::atomic<LogSink> own{&WriteToStandardError};
    return shared != nullptr ? static_cast<std::atomic<LogSink>*>(shared) : &own;
  }();
  return *slot;
}

inline void SetLogSink(LogSink sink) {
  LogSinkSlot().store(sink != nullptr ? sink : &WriteToStandardError);
}

inline void LogV(const char* category, LogLevel level, const char* format, va_list args) {
  char text[1024];
  std::vsnprintf(text, sizeof text, format, args);
  LogSinkSlot().load()(category, level, text);
}

// Writes one line (its line end added) when the category's level lets it through.
__attribute__((format(printf, 3, 4))) inline void LogWrite(const char* category, LogLevel level,
                                                           const char* format, ...) {
  if (level > LogThreshold(category)) return;
  char text[1024];
  va_list args;
  va_start(args, format);
  int length = std::vsnprintf(text, sizeof text - 1, format, args);
  va_end(args);
  if (length < 0) return;
  size_t end = std::min(static_cast<size_t>(length), sizeof text - 2);
  if (end == 0 || text[end - 1] != '\n') {
    text[end] = '\n';
    text[end + 1] = '\0';
  }
  LogSinkSlot().load()(category, level, text);
}

// Whether the category's debug lines are written (for traces that need work to compose).
inline bool TraceEnabled(std::string_view category) {
  return LogThreshold(category) >= LogLevel::kDebug;
}

}  // namespace vd

// The one sink slot of a program and the libraries it loads, at namespace scope in one of the
// program's files; the program exports the symbol (-Wl,--export-dynamic-symbol=...).
#define VD_DEFINE_SHARED_LOG_SINK()                                                     \
  extern "C" {                                                                          \
  __attribute__((visibility("default"))) std::atomic<::vd::LogSink> vd_shared_log_sink{ \
      &::vd::WriteToStandardError};                                                     \
  }

// Declares `void Name(const char* format, ...)` writing the debug lines of one component; its
// level is looked up once.
#define VD_DEFINE_TRACE(Name, component)                                          \
  [[maybe_unused]] __attribute__((format(printf, 1, 2))) static inline void Name( \
      const char* format, ...) {                                                  \
    static const bool enabled = ::vd::TraceEnabled(component);                    \
    if (!enabled) return;                                                         \
    va_list args;                                                                 \
    va_start(args, format);                                                       \
    ::vd::LogV(component, ::vd::LogLevel::kDebug, format, args);                  \
    va_end(args);                                                                 \
  }
