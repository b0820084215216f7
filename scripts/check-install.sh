#!/usr/bin/env bash
# Installs a build into a scratch root and checks that the installed programs run from there
# on their own: no LD_LIBRARY_PATH, no build tree, the tuner module and the libraries found
# through the installed layout.
#   scripts/check-install.sh [BUILD_DIR]   (default build/default)
set -euo pipefail
build=${1:-build/default}
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
unset LD_LIBRARY_PATH VIEWDECK_MODULE_DIR

fail() { echo "check-install: $*" >&2; exit 1; }
source "$(dirname "$0")/check-libraries.sh"

DESTDIR="$root" cmake --install "$build" --prefix /usr >/dev/null
bin="$root/usr/bin"
lib="$root/usr/lib"

for f in "$bin/vdtool" "$lib/libkxtuner.so" "$lib/libquillane.so" "$lib/viewdeck/libvd_device.so.0" \
         "$lib/libvidparse.so.0" "$lib/libstromsift.so.0" "$lib/libteletext.so.0" \
         "$root/usr/include/stromsift.h" "$root/usr/include/teletext.h" \
         "$root/usr/share/doc/viewdeck/BRTV_USB.html" "$root/usr/share/man/man1/vdtool.1" \
         "$root/usr/share/man/man1/viewdeck.1" "$root/usr/share/applications/viewdeck.desktop" \
         "$root/usr/share/metainfo/org.corvalen.viewdeck.metainfo.xml" \
         "$root/usr/share/icons/hicolor/128x128/apps/viewdeck.png"; do
  [ -e "$f" ] || fail "missing ${f#"$root"}"
done

check_private_device_layer "$lib"

# Every library the installed binaries need is found, and ours come from the scratch root.
check_libraries "$root" "the installed tree" "$bin"/* "$lib"/*.so* "$lib"/viewdeck/*.so*

countries=$("$bin/vdtool" countries | grep -v "^#") || fail "vdtool countries failed"
[ "$(wc -l <<<"$countries")" -eq 57 ] || fail "vdtool countries listed $(wc -l <<<"$countries") lines"
echo "vdtool countries: $(head -1 <<<"$countries") ... $(tail -1 <<<"$countries")"

# A short recording runs the installed device layer and capture engine. Settings and data go
# to the scratch root, not the user's folders.
export HOME="$root/home" XDG_CONFIG_HOME="$root/home/.config" XDG_DATA_HOME="$root/home/.local/share"
mkdir -p "$HOME"
stats=$(timeout 60 "$bin/vdtool" record --seconds 1 "$root/check.avi" 2>&1) ||
  fail "vdtool record failed: $(tail -3 <<<"$stats")"
[ -s "$root/check.avi" ] || fail "vdtool record wrote no file"
echo "vdtool record: $(grep '^captured' <<<"$stats"), $(stat -c %s "$root/check.avi") bytes"
# The tuner control looks for its module in ../lib beside the running program.
[ -e "$bin/../lib/libkxtuner.so" ] || fail "libkxtuner.so is not where the tuner control looks"

if [ -x "$bin/viewdeck" ]; then
  version=$(QT_QPA_PLATFORM=offscreen "$bin/viewdeck" --version) || fail "viewdeck --version failed"
  echo "viewdeck --version: $version"
else
  echo "viewdeck: not built, not checked"
fi

# What the installed programs and libraries load names no folder of the source or build tree:
# they find their files relative to themselves. (Debug information may; it is not loaded.)
# Qt keeps its string literals in UTF-16, so the path is looked for in both encodings.
utf16() { printf '%s' "$1" | sed 's/[^A-Za-z0-9_/-]/\\&/g; s/\\\?./&\\x00/g'; }
tree=$(cd "$(dirname "$0")/.." && pwd)
built=$(cd "$build" && pwd)
for f in "$bin"/* "$lib"/*.so* "$lib"/viewdeck/*.so*; do
  [ -L "$f" ] && continue
  objcopy --strip-all "$f" "$root/loaded" || fail "objcopy ${f#"$root"} failed"
  for folder in "$tree" "$built"; do
    ! grep -qF "$folder" "$root/loaded" || fail "${f#"$root"} holds the path $folder"
    ! LC_ALL=C grep -qaP "$(utf16 "$folder")" "$root/loaded" ||
      fail "${f#"$root"} holds the path $folder (UTF-16)"
  done
done
echo "installed programs: no source or build folder in what they load"

for pc in vidparse stromsift teletext; do
  flags=$(PKG_CONFIG_PATH="$lib/pkgconfig" pkg-config --cflags --libs "$pc") ||
    fail "pkg-config $pc failed"
  grep -q -- "-l$pc" <<<"$flags" || fail "pkg-config $pc: $flags"
done
echo "install check: passed"
