#!/bin/sh
# Inside the machine: runs the kernel test scripts one after another, each with its own time
# limit, so that one that hangs still leaves the others' results. suite.sh BUILD NAME...
here=$(cd "$(dirname "$0")" && pwd)
build=$1
shift
# Seconds each may take, about twice what each took beside a build (tuner 100, capture 55,
# bulk 55, viewer 100; mixer is a guess, it has not run in the machine yet); together they
# stay within the machine's limit (host.sh).
limit() {
  case $1 in
    tuner) echo 180 ;;
    capture) echo 140 ;;
    viewer) echo 200 ;;
    mixer) echo 60 ;;
    sound) echo 90 ;;
    *) echo 130 ;;
  esac
}
for name in "$@"; do
  started=$(date +%s)
  timeout -k 5 "$(limit "$name")" sh "$here/$name.sh" "$build" > "$OUT/$name.log" 2>&1
  rc=$?
  [ $rc -eq 124 ] && echo "FAIL: $name did not finish within $(limit "$name") s" >> "$OUT/$name.log"
  echo $rc > "$OUT/$name.rc"
  echo "kernel: $name: status $rc after $(($(date +%s) - started)) s"
  sync
done
