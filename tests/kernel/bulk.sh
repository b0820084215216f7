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

finish
