#!/bin/sh
# Inside the machine: runs the kernel test scripts one after another, each with its own time
# limit, so that one that hangs still leaves the others' results. suite.sh BUILD NAME...
here=$(cd "$(dirname "$0")" && pwd)
build=$1
shift
# Seconds each may take, two to three times what each took on an idle machine (tuner 60,
# capture 60, bulk 40, viewer 105); together they stay within the machine's limit.
limit() {
  case $1 in
    tuner) echo 140 ;;
    capture) echo 140 ;;
    viewer) echo 170 ;;
    *) echo 110 ;;
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
