#include "vd/backend_table.h"

#include <string>
#include <string_view>

#include "vd/trace.h"

namespace vd {

namespace {

bool Usable(const BackendRow& row) {
  return row.usable == nullptr || row.usable();
}

size_t FirstUsable(std::span<const BackendRow> rows) {
  for (size_t i = 0; i < rows.size(); ++i) {
    if (Usable(rows[i])) return i;
  }
  return rows.size() - 1;
}

std::string KnownNames(std::span<const BackendRow> rows) {
  std::string names;
  for (const BackendRow& row : rows) {
    if (!names.empty()) names += ", ";
    names += row.name;
  }
  return names;
}

}  // namespace

size_t ChooseBackendRow(std::span<const BackendRow> rows, const char* choice, const char* variable,
                        const char* category) {
  const std::string_view wanted = choice != nullptr ? choice : "";
  size_t chosen = FirstUsable(rows);
  if (!wanted.empty() && wanted != "auto") {
    size_t named = rows.size();
    for (size_t i = 0; i < rows.size(); ++i) {
      if (wanted == rows[i].name) named = i;
    }
    if (named == rows.size()) {
      LogWrite(category, LogLevel::kWarning, "%s=%s is none of auto, %s; using %s", variable,
               choice, KnownNames(rows).c_str(), rows[chosen].name);
    } else if (!Usable(rows[named])) {
      LogWrite(category, LogLevel::kWarning, "%s=%s cannot work on this machine; using %s",
               variable, choice, rows[chosen].name);
    } else {
      chosen = named;
    }
  }
  LogWrite(category, LogLevel::kInfo, "%s: %s (%s)", variable, rows[chosen].name,
           rows[chosen].description);
  return chosen;
}

}  // namespace vd
