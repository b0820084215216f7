#!/bin/sh
# The card's bulk stream against the kernel: sliced teletext from vivid's /dev/vbi0 reaches
# the teletext library, and RC-5 codes sent through rc-loopback reach both decoders as the
# remote's codes, with the loopback chosen as the IR receiver.
. "$(dirname "$0")/lib.sh"
export VIEWDECK_IR_RECEIVER=/dev/lirc0
here=$(dirname "$0")

# vivid sends teletext on a PAL station of the tuner input.
v4l2-ctl -d /dev/video0 -i 0 >/dev/null
v4l2-ctl -d /dev/video0 -s pal-b >/dev/null
v4l2-ctl -d /dev/video0 -f 175.25 >/dev/null
# The reference reading: the node read() as the device layer reads it. vivid's packets carry
# the frame's number and come again after 60 frames (2.4 s), so six seconds hold each one.
python3 "$here/oracles.py" read-sliced /dev/vbi0 6 2> "$SCRATCH/format.txt" |
  sort -u > "$SCRATCH/vivid.txt"
echo "--- vivid's sliced VBI $(cat "$SCRATCH/format.txt")"
if [ ! -s "$SCRATCH/vivid.txt" ]; then  # what the node says through the streaming API
  v4l2-ctl -d /dev/video0 --get-input --get-standard --get-tuner | grep -E 'input|Standard|Signal'
  v4l2-ctl -d /dev/vbi0 --set-fmt-sliced-vbi=teletext,wss --stream-mmap --stream-count=10 \
    --stream-to="$SCRATCH/mmap.bin" 2>&1 | tail -n 3
  echo "--- streamed: $(python3 "$here/oracles.py" sliced "$SCRATCH/mmap.bin" | wc -l) packets" \
    "in $(wc -c < "$SCRATCH/mmap.bin") bytes"
fi
check "vivid itself sends teletext packets ($(wc -l < "$SCRATCH/vivid.txt") kinds)" test -s "$SCRATCH/vivid.txt"

# Channel up (RC-5 address 0, command 32), pressed every two seconds while PROGRAM runs:
# under emulation a program takes many seconds to start reading.
press_while() {
  "$@" > "$SCRATCH/pressed.txt" 2>&1 &
  program=$!
  while kill -0 $program 2>/dev/null; do
    sleep 2
    ir-ctl -d /dev/lirc0 -S rc5:0x0020
  done
  wait $program
}
run "teletext library" press_while "$BIN/vdtool" teletext --device --seconds 6 --dump
out=$(cat "$SCRATCH/pressed.txt")
printf '%s\n' "$out" | tail -n 5
printf '%s\n' "$out" | sed -n 's/.* data \([0-9A-F]*\)$/\1/p' | sort -u > "$SCRATCH/library.txt"
check "WST_ReadData returns packets ($(printf '%s\n' "$out" | grep -c '^packet'))" test -s "$SCRATCH/library.txt"
comm -23 "$SCRATCH/library.txt" "$SCRATCH/vivid.txt" > "$SCRATCH/invented.txt"
comm -13 "$SCRATCH/library.txt" "$SCRATCH/vivid.txt" > "$SCRATCH/missed.txt"
check "every packet the library returns is one vivid sent ($(wc -l < "$SCRATCH/invented.txt") not: $(head -n 2 "$SCRATCH/invented.txt" | tr '\n' ' '))" \
  sh -c "[ -s '$SCRATCH/library.txt' ] && [ ! -s '$SCRATCH/invented.txt' ]"
check "the library returns every kind of packet vivid sends ($(wc -l < "$SCRATCH/missed.txt") missed: $(head -n 2 "$SCRATCH/missed.txt" | tr '\n' ' '))" \
  sh -c "[ -s '$SCRATCH/vivid.txt' ] && [ ! -s '$SCRATCH/missed.txt' ]"
set -- $(python3 "$here/oracles.py" rc5 0x0020 | sed -n 's/^teletext //p')
check "the library's remote callback gets channel up: $1 units, $2 or $3" \
  has "$out" "^remote $1 ($2|$3)\$"

# The parser's decoder, over a bulk stream recorded from the card.
run "bulk record" press_while "$BIN/vdtool" bulk record "$SCRATCH/bulk.bin" 4
printf '%s\n' "$(cat "$SCRATCH/pressed.txt")"
check "the bulk stream is recorded" [ "$rc" -eq 0 ]
run "bulk decode" "$BIN/vdtool" bulk decode "$SCRATCH/bulk.bin"
set -- $(python3 "$here/oracles.py" rc5 0x0020 | sed -n 's/^parser //p')
check "the parser's callback gets channel up: $1 or $2" has "$out" "^remote ($1|$2)\$"
check "the parser's callback gets teletext records too" has "$out" '^record len=46 '

# The viewer as a user starts it: every back-end (the virtual box beside the card), a channel
# list from a scan, and the remote's channel up pressed through the loopback. The box is
# listed first, so this also checks that the remote is read from the card, not the box.
allow_any_card "$(printf '"bNotShowAgain"=dword:00000001\r\n"Country"=dword:00000040\r\n"TV_Station"=dword:00000000\r\n')"
VIEWDECK_TUNER_SETTLE_MS=0 "$BIN/vdtool" scan "New Zealand" antenna > "$SCRATCH/scan.txt" 2>&1
stations=$(sed -n 's/^\([0-9]*\) new station(s), \([0-9]*\) in the list$/\2/p' "$SCRATCH/scan.txt")
VIEWDECK_DEVICES=all VIEWDECK_LOG="remote=debug" "$BIN/viewdeck" > "$SCRATCH/viewer.txt" 2>&1 &
viewer=$!
# Until three presses have arrived, for at most a minute: the emulated viewer starts slowly.
for second in $(seq 30); do
  [ "$(grep -c ' REMOTE: ' "$SCRATCH/viewer.txt")" -ge 3 ] && break
  echo "press $second at $(date +%s)" >> "$SCRATCH/presses.txt"
  kill -0 $viewer 2>/dev/null || break
  ir-ctl -d /dev/lirc0 -S rc5:0x0020
  sleep 2
done
sleep 2
kill -TERM $viewer 2>/dev/null
# A viewer that does not end is a failure of its own, not a hang of the whole script.
for second in $(seq 30); do
  kill -0 $viewer 2>/dev/null || break
  sleep 1
done
if kill -0 $viewer 2>/dev/null; then
  echo "--- the viewer still runs 30 s after SIGTERM; its threads:"
  gdb -p $viewer -batch -ex "thread apply all bt 6" 2>/dev/null | grep -E '^#' | head -n 40
  kill -KILL $viewer
fi
wait $viewer
viewer_rc=$?
arrived=$(grep -c ' REMOTE: ' "$SCRATCH/viewer.txt")
station=$(tr -d '\r' < "$XDG_CONFIG_HOME/Corvalen/viewdeck.reg" | sed -n 's/^"TV_Station"=dword:\(.*\)$/\1/p')
echo "--- viewer (status $viewer_rc, $stations stations, $(wc -l < "$SCRATCH/presses.txt") presses, $arrived codes, TV_Station $station)"
grep -v -E 'REMOTE|^viewdeck.remote: *$' "$SCRATCH/viewer.txt" | tail -n 10
check "the viewer ends cleanly on SIGTERM" [ "$viewer_rc" -eq 0 ]
check "the viewer's remote callback gets the presses ($arrived)" [ "$arrived" -ge 1 ]
check "each channel up moves the viewer one station on (station $station of $stations after $arrived)" \
  sh -c "[ $arrived -ge 1 ] && [ \"\$((0x${station:-ffffffff}))\" -eq $arrived ] && [ $arrived -lt ${stations:-0} ]"

finish
