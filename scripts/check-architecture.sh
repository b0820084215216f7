#!/usr/bin/env bash
# Compares the component table of ARCHITECTURE.md with what CMake really links
# (BUILD/architecture-links.txt, written at configure time by cmake/VdArchitecture.cmake).
# Fails, naming each difference, when the document and the build disagree.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-build/default}
links="$build/architecture-links.txt"
doc="$top/ARCHITECTURE.md"
[ -f "$links" ] || { echo "check-architecture: $links is missing (configure $build first)" >&2; exit 1; }

awk -v links="$links" '
  function words(text, out,    n, s, w) {
    # The names in backticks of a table cell.
    n = 0
    while (match(text, /`[^`]+`/)) {
      w = substr(text, RSTART + 1, RLENGTH - 2)
      out[++n] = w
      text = substr(text, RSTART + RLENGTH)
    }
    return n
  }
  BEGIN {
    while ((getline line < links) > 0) {
      n = split(line, f, " ")
      target[f[1]] = 1
      folder[f[1]] = f[2]
      deps[f[1]] = ""
      for (i = 3; i <= n; i++) deps[f[1]] = deps[f[1]] " " f[i]
    }
    bad = 0
  }
  /^\| `/ {
    split($0, cell, "|")
    rows++
    nt = words(cell[3], ts)
    nu = words(cell[5], us)
    for (i = 1; i <= nt; i++) {
      if (!(ts[i] in target)) { printf "ARCHITECTURE.md lists `%s`, which is no CMake target\n", ts[i]; bad = 1; continue }
      if (ts[i] in row) { printf "ARCHITECTURE.md lists `%s` twice\n", ts[i]; bad = 1 }
      row[ts[i]] = rows
    }
    for (i = 1; i <= nu; i++) {
      if (!(us[i] in target)) { printf "ARCHITECTURE.md: `%s` may use `%s`, which is no CMake target\n", ts[1], us[i]; bad = 1; continue }
      may[rows, us[i]] = 1
      mays[rows] = mays[rows] " " us[i]
    }
    first[rows] = ts[1]
  }
  END {
    for (t in target) {
      if (!(t in row)) { printf "ARCHITECTURE.md has no row for the target `%s` (%s)\n", t, folder[t]; bad = 1; continue }
      n = split(deps[t], d, " ")
      for (i = 1; i <= n; i++) {
        if (((d[i] in row) && row[d[i]] == row[t]) || ((row[t], d[i]) in may)) { used[row[t], d[i]] = 1; continue }
        printf "`%s` links `%s`, which its row in ARCHITECTURE.md does not allow\n", t, d[i]; bad = 1
      }
    }
    for (r = 1; r <= rows; r++) {
      n = split(mays[r], u, " ")
      for (i = 1; i <= n; i++)
        if (!used[r, u[i]]) { printf "ARCHITECTURE.md: the row of `%s` allows `%s`, which none of its targets links\n", first[r], u[i]; bad = 1 }
    }
    if (rows == 0) { print "ARCHITECTURE.md has no component table"; bad = 1 }
  }
' "$doc" | sort > "$build/architecture-check.txt" || true
if [ -s "$build/architecture-check.txt" ]; then
  cat "$build/architecture-check.txt"
  exit 1
fi
echo "ARCHITECTURE.md matches the build's target links."
