// The back-ends of one kind (capture devices, mixer, sound output) as a table, in the order
// they are tried, and the one routine that picks a row by the kind's environment variable.
//
// The variable names a row, or is unset, empty or "auto": then the first row usable on this
// machine runs. A name no row has, or a row that cannot work here, is logged as a warning in
// the kind's category, with the names the table knows, and the first usable row runs
// instead. Each table ends with a row that works anywhere, which runs when no other can.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <span>

namespace vd {

// One row. `Make` is the kind's own factory, whatever it needs and returns.
template <typename Make>
struct Backend {
  const char* name;         // what the variable says
  const char* description;  // for the log's note of the choice
  bool (*usable)();         // can it work on this machine? null: anywhere
  Make make;
};

// What the chooser reads of a row, whatever the kind makes.
struct BackendRow {
  const char* name;
  const char* description;
  bool (*usable)();
};

// The index of the row `choice` (the variable's value, or null) picks; `variable` and
// `category` only word the log lines. `rows` must not be empty.
size_t ChooseBackendRow(std::span<const BackendRow> rows, const char* choice, const char* variable,
                        const char* category);

// The row of `table` the environment variable `variable` picks, by the rules above.
template <typename Make, size_t N>
const Backend<Make>& ChooseBackend(const Backend<Make> (&table)[N], const char* variable,
                                   const char* category) {
  static_assert(N > 0, "a kind has at least the row that works anywhere");
  BackendRow rows[N];
  for (size_t i = 0; i < N; ++i) rows[i] = {table[i].name, table[i].description, table[i].usable};
  return table[ChooseBackendRow(rows, std::getenv(variable), variable, category)];
}

}  // namespace vd
