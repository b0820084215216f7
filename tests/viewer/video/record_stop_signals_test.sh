#!/usr/bin/env bash
# Ctrl+C while `vdtool record` starts, then SIGTERM after SIGTERM until it has ended (a
# service manager repeating its request): the run ends as any stop before the first picture
# does, naming the first signal, and no wait on the engine's pipelines takes a signal for a
# failure of its own ("Cannot run preview graph").
#   record_stop_signals_test.sh VDTOOL
set -uo pipefail
vdtool=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
# Its own settings and scratch folders; HOME stays, and with it GStreamer's registry.
export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" XDG_RUNTIME_DIR="$work/run"
export TMPDIR="$work/tmp" VIEWDECK_AUDIO_SINK=fake
mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_RUNTIME_DIR" "$TMPDIR"
chmod 700 "$XDG_RUNTIME_DIR"

# Job control, so that the background run does not start with SIGINT ignored.
set -m
"$vdtool" record --input composite --seconds 5 "$work/film.avi" >"$work/out" 2>"$work/err" &
pid=$!
# Signals are sent once vdtool (not the shell before its exec) catches SIGINT (bit 1 of
# SigCgt) and SIGTERM (bit 14).
caught=0
for _ in $(seq 1000); do
  mask=$(awk '/^Name:/ { name = $2 } /^SigCgt:/ { if (name == "vdtool") print substr($2, 9) }' \
             "/proc/$pid/status" 2>/dev/null)
  if [ -n "$mask" ] && (( (0x$mask & 0x4002) == 0x4002 )); then caught=1; break; fi
  sleep 0.005
done
[ "$caught" = 1 ] || { kill -KILL "$pid"; fail "vdtool never caught the stop signals"; }
kill -INT "$pid"
# Until it has ended (a zombie, or reaped already by the job control); bounded, so a run
# that ignores them ends the test all the same.
for _ in $(seq 1000); do
  state=$(awk '{ print $3 }' "/proc/$pid/stat" 2>/dev/null)
  [ -z "$state" ] || [ "$state" = Z ] && break
  kill -TERM "$pid" 2>/dev/null
  sleep 0.002
done
wait "$pid"
status=$?
cat "$work/err"
[ "$status" -eq 1 ] || fail "exit status $status"
grep -qx "vdtool: record: stopped by Interrupt before the recording began" "$work/err" ||
  fail "the first signal's stop was not reported"
! grep -q "Cannot\|Error" "$work/err" || fail "a stop signal was taken for a failure"
[ ! -e "$work/film.avi" ] || fail "a film was written"
echo "stopped by the first signal"
