# Shared by the kernel tests, which run as root inside the machine scripts/kernel-vm.sh boots:
# the vivid card is /dev/video0 (inputs TV, S-Video, webcam), its radio /dev/radio0, its
# sliced VBI /dev/vbi0; rc-loopback is /dev/lirc0. Sourced with the build folder as $1.
set -u
BUILD=$(cd "$1" && pwd)
BIN=$BUILD/bin
export VIEWDECK_DEVICES=v4l2
# A fresh home for every test: the viewer's settings, channel lists and captures.
export HOME=$(mktemp -d /mnt/home.XXXXXX)
export XDG_CONFIG_HOME=$HOME/.config XDG_DATA_HOME=$HOME/.local/share
export QT_QPA_PLATFORM=offscreen
SCRATCH=$(mktemp -d /tmp/kt.XXXXXX)
checks=0
failures=0

# check DESCRIPTION COMMAND...: one assertion; the command's success is the result.
check() {
  desc=$1
  shift
  checks=$((checks + 1))
  if "$@"; then
    echo "ok: $desc"
  else
    echo "FAIL: $desc"
    failures=$((failures + 1))
  fi
}

# has TEXT REGEX: TEXT matches the extended regular expression (across its lines).
has() { printf '%s\n' "$1" | grep -Eq -- "$2"; }
lacks() { ! has "$1" "$2"; }

# The settings a user of another maker's card writes: any card may be used.
# sound_chunks FILE: the sound chunks an AVI holds, as the end-to-end tests count them.
sound_chunks() {
  python3 -c 'import sys; sys.path.insert(0, sys.argv[1]); from file_checks import ReadAvi
print(ReadAvi(sys.argv[2])["audio_chunks"])' "$(dirname "$0")/../e2e" "$1" 2>/dev/null
}
allow_any_card() {
  mkdir -p "$XDG_CONFIG_HOME/Corvalen"
  printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Corvalen\\AviCap]\r\n"Only_Corvalen_Devices"=dword:00000000\r\n%s' \
    "${1:-}" > "$XDG_CONFIG_HOME/Corvalen/viewdeck.reg"
}

# vivid's answer for the TV tuner at MHZ: its signal strength, 0-65535.
vivid_signal() {
  v4l2-ctl -d /dev/video0 -f "$1" >/dev/null &&
    v4l2-ctl -d /dev/video0 --get-tuner | awk '/Signal strength/ {sub("%", "", $NF); print int($NF * 65535 / 100)}'
}

# run NAME COMMAND...: runs a program of the build, its output in $out and its status in $rc.
run() {
  name=$1
  shift
  since=$(date +%s)
  out=$("$@" 2>&1)
  rc=$?
  printf '%s\n' "--- $name (status $rc, $(($(date +%s) - since)) s)" "$out" | head -n 60
}

finish() {
  echo "$checks checks, $failures failed"
  rm -rf "$SCRATCH"
  [ "$failures" -eq 0 ]
}
