#!/bin/sh
# Recording from the card and losing it: a 3-second recording is a playable indexed AVI whose
# frames are the statistics' count; unbinding vivid's platform device while it records ends
# the recording with the unplug message and keeps what was recorded; binding it again, and
# loading the driver after the program started, are seen as arrivals.
. "$(dirname "$0")/lib.sh"
here=$(dirname "$0")
allow_any_card
unbind() { echo vivid.0 > /sys/bus/platform/drivers/vivid/unbind; }
bind() { echo vivid.0 > /sys/bus/platform/drivers/vivid/bind; }
playable() { gst-launch-1.0 -q filesrc location="$1" ! avidemux ! fakesink >/dev/null 2>&1; }
# The recording's unsaved file, beside its target, grows once frames are written.
wait_recording() {
  for _ in $(seq 1 200); do
    [ -n "$(find "$SCRATCH" -maxdepth 1 -name 'u.avi.*.part' -type f -size +200k 2>/dev/null)" ] && return 0
    sleep 0.2
  done
  return 1
}

run "record 3 s" "$BIN/vdtool" record --seconds 3 --frequency 175.25 --country Germany "$SCRATCH/r.avi"
check "the recording succeeds" [ "$rc" -eq 0 ]
# The statistics' final counts are the film's: the pictures captured and, repeated in their
# place, those lost.
captured=$(printf '%s\n' "$out" | sed -n 's/^captured: \([0-9]*\).*/\1/p')
dropped=$(printf '%s\n' "$out" | sed -n 's/^dropped: \([0-9]*\).*/\1/p')
film=$((${captured:-0} + ${dropped:-0}))
set -- $(python3 "$here/avi_check.py" "$SCRATCH/r.avi" 2>&1)
echo "--- AVI: $*"
check "the AVI holds the $film frames the statistics count ($2)" [ "${2:-x}" = "$film" ]
check "every frame is in the index ($4)" [ "${4:-x}" = "$film" ]
check "3 s at 25 frames a second is 60 to 80 frames ($film)" [ "$film" -ge 60 -a "$film" -le 80 ]
check "GStreamer plays the recording to its end" playable "$SCRATCH/r.avi"
# vivid has no sound: neither the virtual box's invented sound nor another input's goes
# under its picture, and it is said once, not asked.
check "a card without sound says so once" \
  sh -c "[ \$(printf '%s\n' \"\$1\" | grep -c '^vdtool: vivid has no sound input; recording without sound') -eq 1 ]" - "$out"
sound=$(sound_chunks "$SCRATCH/r.avi")
check "and its recording holds no sound (${sound:-unread} chunks)" [ "${sound:-x}" = 0 ]

"$BIN/vdtool" device watch --seconds 150 > "$SCRATCH/watch.txt" 2>&1 &
watcher=$!
"$BIN/vdtool" record --seconds 20 --country Germany "$SCRATCH/u.avi" > "$SCRATCH/u.txt" 2>&1 &
recorder=$!
check "the recording has started" wait_recording
# The recording holds the card with the kernel's record priority: another program's tuning
# is refused, and vdtool's tuning beside it says why.
busy=$(v4l2-ctl -d /dev/video0 --set-freq=200 2>&1)
check "another program cannot retune the card while it records ($busy)" \
  has "$busy" 'Device or resource busy'
run "tune beside the recording" "$BIN/vdtool" device tune 200
check "vdtool device tune beside the recording is refused, said why ($rc)" \
  sh -c "[ $rc -eq 1 ] && printf '%s' \"\$1\" | grep -q 'records from the capture device'" - "$out"
unbind
wait $recorder
rc=$?
out=$(cat "$SCRATCH/u.txt")
printf '%s\n' "--- record while unplugged (status $rc)" "$out"
check "the unplug is said once: The capture device was unplugged." \
  sh -c "[ \$(printf '%s\n' \"\$1\" | grep -c 'The capture device was unplugged\.') -eq 1 ]" - "$out"
check "a recording cut short ends with a non-zero status ($rc)" [ "$rc" -ne 0 ]
set -- $(python3 "$here/avi_check.py" "$SCRATCH/u.avi" 2>&1)
check "what was recorded before is kept ($2 frames)" [ "${2:-0}" -gt 0 ]
check "with every frame in the index (${4:-none})" [ "${4:-x}" = "${2:-y}" ]
check "and plays" playable "$SCRATCH/u.avi"
sleep 2
bind
sleep 4
check "the watcher still runs" kill -0 $watcher
rmmod vivid
sleep 2
modprobe -d "$VD_KMOD_DIR" vivid n_devs=1 num_inputs=3 input_types=0x09
sleep 5
kill -INT $watcher
wait $watcher
watch=$(cat "$SCRATCH/watch.txt")
printf '%s\n' "--- device watch" "$watch"
check "the unplug is seen as a removal" has "$watch" '^removed: video vivid'
check "binding again is seen as an arrival" \
  sh -c "printf '%s\n' \"$watch\" | grep -c '^arrived: video vivid' | grep -q '^[2-9]'"
check "the driver loaded after the start is seen, removed and then arrived" \
  sh -c "printf '%s\n' \"$watch\" | grep -c '^removed: video vivid' | grep -q '^[2-9]'"
# The card's sound, shared: two streams of one ALSA capture card (the kernel's loopback
# sound card here, since vivid has none) both run.
modprobe -d "$VD_KMOD_DIR" snd-aloop
card=$(sed -n 's/^ *\([0-9]*\) \[Loopback.*/\1/p' /proc/asound/cards | head -n 1)
run "shared sound" env VD_TEST_ALSA_CARD="$card" "$BIN/test_device_v4l2" \
  --gtest_filter='V4l2SharedSoundTest.*'
check "two streams of card $card's sound both run (no EBUSY)" has "$out" '\[  PASSED  \] 1 test'
check "the shared-sound test ran rather than skipped" lacks "$out" 'SKIPPED'
run "snapshot after the driver came back" "$BIN/vdtool" snapshot --country Germany "$SCRATCH/after.bmp"
check "the card works again" has "$out" ': 768 x 576'

finish
