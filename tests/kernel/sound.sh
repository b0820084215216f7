#!/bin/sh
# A card without sound recording through a sound input: vivid has none of its own, so the
# kernel's loopback sound card stands for the line-in its cable would go into. It is listed
# as a sound input, and a recording that names it holds its sound.
. "$(dirname "$0")/lib.sh"
allow_any_card
grep -qs '\[Loopback' /proc/asound/cards || modprobe -d "$VD_KMOD_DIR" snd-aloop

run "sound inputs" "$BIN/vdtool" device list
check "the loop-back card is listed as a sound input" has "$out" '^  Loopback  \(alsa:Loopback\)$'
run "record with --audio Loopback" "$BIN/vdtool" record --seconds 2 --audio Loopback \
  --country Germany "$SCRATCH/s.avi"
check "the recording with the loop-back card's sound succeeds" [ "$rc" -eq 0 ]
check "and says nothing of a missing sound" lacks "$out" 'no sound input'
sound=$(sound_chunks "$SCRATCH/s.avi")
check "it holds sound from the loop-back card (${sound:-unread} chunks)" [ "${sound:-0}" -gt 0 ]
run "record with --audio nowhere" "$BIN/vdtool" record --seconds 1 --audio nowhere \
  --country Germany "$SCRATCH/n.avi"
check "a sound input that is not there is refused ($rc)" [ "$rc" -eq 1 ]
check "and named" has "$out" "no sound input 'nowhere'"

finish
