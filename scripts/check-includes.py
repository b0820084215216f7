#!/usr/bin/env python3
"""Fails on any #include of another component's header that the component's row in
ARCHITECTURE.md does not allow, and any include of a header another component keeps to itself
(outside its include/ folder). Links alone do not show it: a target that links a library
publicly hands its headers on, and a header found through them is a use all the same.

  check-includes.py [SOURCE_DIR]

A component is the folder of a row (its subfolders with rows of their own are theirs). A
quoted include is looked up beside the file, then under the component's own folder, then
by its path under every folder's include/ and by its name among every folder's headers;
angle-bracket includes count only when they name a project header (<vd/...>).
"""

import os
import re
import sys

SOURCE_SUFFIXES = (".h", ".hpp", ".cpp", ".cc", ".c")
SKIPPED_TOP = ("build", "tests", "fuzz", "bench", ".git", "debian", "third_party")
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]', re.M)


def Rows(doc):
    """[(folder, targets, allowed targets)] from the component table."""
    rows = []
    for line in open(doc, encoding="utf-8"):
        if not line.startswith("| `"):
            continue
        cells = line.split("|")
        if len(cells) < 6:
            continue
        folder = re.findall(r"`([^`]+)`", cells[1])
        if not folder:
            continue
        targets = re.findall(r"`([^`]+)`", cells[2])
        allowed = re.findall(r"`([^`]+)`", cells[4])
        rows.append((folder[0].rstrip("/"), set(targets), set(allowed)))
    return rows


def Owner(rows, path):
    """The row whose folder is the longest prefix of `path` (relative, with '/')."""
    best = None
    for row in rows:
        folder = row[0]
        if path == folder or path.startswith(folder + "/"):
            if best is None or len(folder) > len(best[0]):
                best = row
    return best


def Sources(top):
    for root, dirs, files in os.walk(top):
        rel = os.path.relpath(root, top)
        if rel == ".":
            dirs[:] = [d for d in dirs if d not in SKIPPED_TOP]
        for name in files:
            if name.endswith(SOURCE_SUFFIXES):
                yield os.path.normpath(os.path.join(rel, name))


def main():
    top = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else
                          os.path.join(os.path.dirname(__file__), ".."))
    rows = Rows(os.path.join(top, "ARCHITECTURE.md"))
    if not rows:
        print("ARCHITECTURE.md has no component table")
        return 1
    files = sorted(Sources(top))
    by_include_path = {}  # "vd/x.h" -> file, for headers under an include/ folder
    by_name = {}  # "x.h" -> [files]
    for f in files:
        if not f.endswith((".h", ".hpp")):
            continue
        parts = f.split("/")
        if "include" in parts:
            i = len(parts) - 1 - parts[::-1].index("include")
            by_include_path.setdefault("/".join(parts[i + 1:]), f)
        by_name.setdefault(parts[-1], []).append(f)

    def Resolve(includer, kind, name, row):
        if kind == '"':
            beside = os.path.normpath(os.path.join(os.path.dirname(includer), name))
            if os.path.isfile(os.path.join(top, beside)):
                return beside
            own = os.path.normpath(os.path.join(row[0], name))
            if os.path.isfile(os.path.join(top, own)):
                return own
        if name in by_include_path:
            return by_include_path[name]
        if kind == '"':
            found = by_name.get(os.path.basename(name), [])
            found = [f for f in found if f.endswith(name)]
            if len(found) == 1:
                return found[0]
            if len(found) > 1:
                # Two components with a header of one name: the one this row may use.
                usable = [f for f in found if (Owner(rows, f) or (None, set()))[1] & row[2]
                          or Owner(rows, f) is row]
                return usable[0] if len(usable) == 1 else found[0]
        return None

    # A component with an include/ folder of its own offers only what is in it.
    with_include = {r[0] for r in rows if any(f.startswith(r[0] + "/include/") for f in files)}
    problems = []
    for f in files:
        row = Owner(rows, f)
        if row is None:
            continue
        text = open(os.path.join(top, f), encoding="utf-8", errors="replace").read()
        for kind, name in INCLUDE.findall(text):
            header = Resolve(f, kind, name, row)
            if header is None:
                continue
            owner = Owner(rows, header)
            if owner is None or owner is row:
                continue
            # A `*_core` target is a library's own code offered whole to its tools and tests.
            core = any(t.endswith("_core") for t in owner[1] & row[2])
            if (owner[0] in with_include and not core
                    and not header.startswith(owner[0] + "/include/")):
                problems.append(f"{f} includes {header}, which `{sorted(owner[1])[0]}` keeps to "
                                f"itself (only {owner[0]}/include/ is for others)")
                continue
            if owner[1] & row[2]:
                continue
            problems.append(f"{f} includes {header} of `{sorted(owner[1])[0]}` "
                            f"({owner[0]}/), which the row of `{sorted(row[1])[0]}` does not allow")
    for p in problems:
        print(p)
    if problems:
        return 1
    print("Every include stays within what its component's row in ARCHITECTURE.md allows.")
    return 0


if __name__ == "__main__":
    sys.exit(main())
