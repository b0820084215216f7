#!/bin/sh
# The viewer as a user runs it, on an X display: every back-end (the virtual box listed before
# the card), a channel list from a search, the remote's channel-up pressed through rc-loopback;
# then the card is unbound and bound again while it runs, and the user answers the removal
# message. The box being listed first also checks that the remote is read from the card.
. "$(dirname "$0")/lib.sh"
export VIEWDECK_IR_RECEIVER=/dev/lirc0
allow_any_card "$(printf '"bNotShowAgain"=dword:00000001\r\n"Country"=dword:00000040\r\n"TV_Station"=dword:00000000\r\n')"
VIEWDECK_TUNER_SETTLE_MS=0 "$BIN/vdtool" scan "New Zealand" antenna > "$SCRATCH/scan.txt" 2>&1
stations=$(sed -n 's/^\([0-9]*\) new station(s), \([0-9]*\) in the list$/\2/p' "$SCRATCH/scan.txt")

Xvfb :5 -screen 0 1024x768x24 -nolisten tcp > "$SCRATCH/xvfb.txt" 2>&1 &
xvfb=$!
export DISPLAY=:5 QT_QPA_PLATFORM=xcb
for second in $(seq 20); do xdotool getmouselocation > /dev/null 2>&1 && break; sleep 1; done
VIEWDECK_DEVICES=all VIEWDECK_LOG="remote=debug,video=debug" "$BIN/viewdeck" > "$SCRATCH/viewer.txt" 2>&1 &
viewer=$!
began=$(date +%s)

codes() { grep -c ' REMOTE: ' "$SCRATCH/viewer.txt"; }
station() {
  value=$(tr -d '\r' < "$XDG_CONFIG_HOME/Corvalen/viewdeck.reg" |
    sed -n 's/^"TV_Station"=dword:\(.*\)$/\1/p')
  echo $((0x${value:-ffffffff}))
}
# The card's picture node the viewer streams from: vivid comes back under a new name when the
# old node is still held open somewhere.
streams() { ls -l /proc/$viewer/fd 2>/dev/null | grep -E '/dev/video[0-9]+$' | grep -vc deleted; }
stale() { ls -l /proc/$viewer/fd 2>/dev/null | grep -c '(deleted)'; }
# press_until N: channel-up every two seconds until N codes have reached the viewer, for at
# most 40 s (the emulated viewer starts slowly).
press_until() {
  for second in $(seq 20); do
    [ "$(codes)" -ge "$1" ] && break
    kill -0 $viewer 2>/dev/null || break
    ir-ctl -d /dev/lirc0 -S rc5:0x0020
    sleep 2
  done
  sleep 2
}
windows() { xdotool search --onlyvisible --name . getwindowname %@ 2>/dev/null | tr '\n' '|'; }

press_until 3
first=$(codes)
# The settings are written as the viewer ends; the station here is the panel's, read later.
check "the viewer's remote callback gets the presses ($first)" [ "$first" -ge 1 ]
check "the viewer streams from the card ($(streams) picture nodes open)" [ "$(streams)" -ge 1 ]

ours() { xdotool search --onlyvisible --name '^Brevant TV USB$' 2>/dev/null | sort; }
ours > "$SCRATCH/windows.txt"
echo vivid.0 > /sys/bus/platform/drivers/vivid/unbind
for second in $(seq 20); do [ "$(streams)" -eq 0 ] && break; sleep 1; done
sleep 2
# The removal message is the window that was not there before.
box=$(ours | comm -13 "$SCRATCH/windows.txt" - | head -n 1)
echo "--- unbound after $(($(date +%s) - began)) s: $(streams) picture nodes, message window ${box:-none}, windows: $(windows)"
check "the viewer lets go of the unplugged card and keeps running" \
  sh -c "[ $(streams) -eq 0 ] && kill -0 $viewer"
echo vivid.0 > /sys/bus/platform/drivers/vivid/bind
sleep 3
# The user reads the removal message and presses Enter.
if [ -n "$box" ]; then
  xdotool windowactivate --sync "$box" 2>/dev/null
  xdotool key --window "$box" Return
fi
for second in $(seq 30); do [ "$(streams)" -ge 1 ] && break; sleep 1; done
echo "--- bound again at $(($(date +%s) - began)) s: $(streams) picture nodes after $second s, windows: $(windows)"
ls -l /proc/$viewer/fd | grep /dev/
check "binding the card again restarts the preview" [ "$(streams)" -ge 1 ]
press_until $((first + 2))
after=$(codes)
check "the remote works again after the card came back ($((after - first)) more codes)" \
  [ "$after" -ge $((first + 1)) ]
# Every node of the unplugged card is let go: the card's own, the parser's, and the one the
# stream's source and its buffer pool held.
check "no node of the unplugged card is still open ($(stale))" [ "$(stale)" -eq 0 ]

kill -TERM $viewer 2>/dev/null
# A viewer that does not end is a failure of its own, not a hang of the whole script.
for second in $(seq 30); do
  kill -0 $viewer 2>/dev/null || break
  sleep 1
done
if kill -0 $viewer 2>/dev/null; then
  echo "--- the viewer still runs 30 s after SIGTERM; its threads:"
  gdb -p $viewer -batch -ex "thread apply all bt 8" 2>/dev/null | grep -E '^#' | head -n 40
  kill -KILL $viewer
fi
wait $viewer
viewer_rc=$?
kill $xvfb 2>/dev/null
echo "--- viewer (status $viewer_rc, $stations stations, $after codes, TV_Station $(station))"
grep -v -E 'REMOTE|^viewdeck.remote: *$' "$SCRATCH/viewer.txt" | tail -n 12
check "the viewer ends cleanly on SIGTERM" [ "$viewer_rc" -eq 0 ]
check "each channel-up moved the viewer one station on (station $(station) of $stations after $after)" \
  sh -c "[ $after -ge 1 ] && [ $(station) -eq $after ] && [ $after -lt ${stations:-0} ]"

finish
