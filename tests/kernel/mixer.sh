#!/bin/sh
# The mixer on the kernel's own sound cards: snd-dummy with the controls its driver makes
# (volumes without playback switches, a capture switch per input), and snd-aloop carrying a
# newer codec's controls, added as user controls, since its own are not a mixer's. Both are
# opened as the viewer opens a card, by number; volume, mute and the recording source are set
# and read back through a second handle, and another program's change arrives by the kernel's
# events. vdtool mixer then lists what the viewer would work on. snd-dummy is put on card 2
# and snd-aloop takes 0, so that the card numbers have a gap the listing must step over.
. "$(dirname "$0")/lib.sh"
modprobe -d "$VD_KMOD_DIR" snd-dummy index=2 || echo "modprobe snd-dummy failed"
modprobe -d "$VD_KMOD_DIR" snd-aloop || echo "modprobe snd-aloop failed"
cat /proc/asound/cards
dummy=$(sed -n 's/^ *\([0-9]*\) \[Dummy.*/\1/p' /proc/asound/cards | head -n 1)
loop=$(sed -n 's/^ *\([0-9]*\) \[Loopback.*/\1/p' /proc/asound/cards | head -n 1)
check "snd-dummy is a sound card (${dummy:-none})" [ -n "$dummy" ]
check "snd-aloop is a sound card (${loop:-none})" [ -n "$loop" ]

run "mixer on the kernel cards" env VD_TEST_DUMMY_CARD="$dummy" VD_TEST_LOOP_CARD="$loop" \
  "$BIN/test_mixer_card"
check "both kernel-card tests pass" has "$out" '\[  PASSED  \] 2 tests'
check "and neither was skipped" lacks "$out" 'SKIPPED'

# After the test the loop card has an auxiliary input and its "Input Source" on Aux.
run "vdtool mixer" "$BIN/vdtool" mixer
check "the listing names both cards" has "$out" "mixer $dummy: Dummy"
check "and the card after the gap in the numbers" has "$out" "mixer $loop: Loopback"
check "the dummy card's line is its Line element" has "$out" 'line +"Line"'
check "the loop card's line input is Aux, recorded from" has "$out" '\[Aux\].* -> Aux'

finish
