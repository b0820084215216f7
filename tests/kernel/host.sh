#!/bin/sh
# ctest's side of the kernel tests. One machine runs every script, since booting one and
# setting it up costs about a minute under software emulation; each script's result is then
# a test of its own.
#
#   host.sh machine OUT BUILD SCRIPT...  boots the machine, which runs the scripts in order
#                                        (their output and status land in OUT)
#   host.sh result OUT SCRIPT            prints what the script said; exits with its status
#
# Both exit 77 (skipped) with kernel-vm's one line when no machine can be booted here.
set -u
here=$(cd "$(dirname "$0")" && pwd)
what=$1
out=$2
shift 2
case $what in
  machine)
    build=$1
    shift
    rm -rf "$out"
    mkdir -p "$out"
    "$here/../../scripts/kernel-vm.sh" --timeout 1200 --out "$out" -- \
      "$here/suite.sh" "$build" "$@"
    rc=$?
    [ $rc -eq 77 ] && echo "skipped" > "$out/skipped"
    exit $rc ;;
  result)
    name=$1
    if [ -f "$out/skipped" ]; then
      echo "kernel-vm: skipped: no machine could be booted (see the kernel_machine test)"
      exit 77
    fi
    if [ ! -f "$out/$name.rc" ]; then
      echo "kernel: $name gave no result (the machine's console: $out/vm-console.log)"
      [ -f "$out/$name.log" ] && cat "$out/$name.log"
      exit 1
    fi
    cat "$out/$name.log"
    exit "$(cat "$out/$name.rc")" ;;
esac
echo "usage: host.sh machine OUT BUILD SCRIPT... | host.sh result OUT SCRIPT" >&2
exit 2
