#!/usr/bin/env bash
# A machine without gstreamer1.0-x, made without touching the machine's packages: GStreamer
# gets a copy of its plug-in folder lacking the pango plug-in (textoverlay) and a registry of
# its own. The programs must name the element and its package, never run on silently.
#   missing_plugin_test.sh VDTOOL VIEWDECK
set -uo pipefail
vdtool=$1 viewdeck=$2
work=$(mktemp -d)
viewer=""
trap '[ -n "$viewer" ] && kill "$viewer" 2>/dev/null; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

plugins=$(pkg-config --variable=pluginsdir gstreamer-1.0)
[ -e "$plugins/libgstpango.so" ] || fail "no pango plug-in in $plugins to leave out"
mkdir "$work/plugins"
for f in "$plugins"/*.so; do
  [ "$(basename "$f")" = libgstpango.so ] || ln -s "$f" "$work/plugins/"
done
export GST_PLUGIN_SYSTEM_PATH="$work/plugins" GST_REGISTRY="$work/registry.bin"
unset GST_PLUGIN_PATH
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.data"
export XDG_RUNTIME_DIR="$work/run" QT_QPA_PLATFORM=offscreen VIEWDECK_AUDIO_SINK=fake
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
want="GStreamer element textoverlay is missing: install gstreamer1.0-x"

"$vdtool" elements >"$work/out" 2>"$work/err"
status=$?
[ "$status" -eq 1 ] || fail "vdtool elements exited $status"
grep -qx "vdtool: $want" "$work/err" || fail "vdtool elements said: $(cat "$work/err")"
grep -q '^videotestsrc .* yes$' "$work/out" || fail "the scratch registry lost more than pango"
echo "vdtool elements: $(cat "$work/err")"

"$vdtool" snapshot "$work/still.bmp" 2>"$work/err"
status=$?
[ "$status" -eq 1 ] || fail "vdtool snapshot exited $status"
grep -qx "vdtool: $want" "$work/err" || fail "vdtool snapshot said: $(cat "$work/err")"
[ ! -e "$work/still.bmp" ] || fail "vdtool snapshot wrote a picture"

# Commands that open no device still work.
"$vdtool" plan Germany antenna >/dev/null || fail "vdtool plan refused to run"

# The viewer names the element before it shows its message box (which waits for a click).
"$viewdeck" 2>"$work/viewer.err" &
viewer=$!
for _ in $(seq 1 300); do
  grep -q "$want" "$work/viewer.err" && break
  kill -0 "$viewer" 2>/dev/null || break
  sleep 0.1
done
grep -qx "viewdeck: $want" "$work/viewer.err" || fail "viewdeck said: $(cat "$work/viewer.err")"
kill -0 "$viewer" 2>/dev/null || fail "viewdeck ended without waiting for its message box"
echo "viewdeck: $(grep "$want" "$work/viewer.err")"
echo "missing plug-in: named by vdtool and viewdeck"
