#!/usr/bin/env bash
# Proves that the project's own files are enough on a fresh Debian 12 machine: a clean minbase
# root, this checkout copied in, and inside a chroot `make test` from nothing (cold compiler
# cache, no package beyond what setup-deps.sh installs, plus `make` to start it).
#   scripts/fresh-check.sh   (as root)
# The root is made anew each run in ~/.cache/viewdeck-fresh-check (outside the checkout, so
# nothing that walks the source tree meets its mounts); the result and the duration of
# `make test` go to standard output and to make-test.log there.
set -euo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
cache="${XDG_CACHE_HOME:-$HOME/.cache}/viewdeck-fresh-check"
root="$cache/root"
log="$cache/make-test.log"

fail() { echo "fresh-check: $*" >&2; exit 1; }
[ "$(id -u)" -eq 0 ] || fail "needs root (debootstrap, chroot and mounts)"
"$src/scripts/setup-deps.sh" --fresh-check

mounted() { grep -q " $root/" /proc/mounts; }
unmount_all() {
  local m
  for m in dev sys proc; do
    if grep -q " $root/$m " /proc/mounts; then umount -R "$root/$m" || umount -R -l "$root/$m"; fi
  done
}
trap unmount_all EXIT

# The archive this machine installs from; the root takes the same sources.
mirror=$(sed -n 's/^URIs:[[:space:]]*\([^[:space:]]*\).*/\1/p' /etc/apt/sources.list.d/*.sources \
           2>/dev/null | grep -v security | head -1)
if [ -z "$mirror" ] && [ -f /etc/apt/sources.list ]; then
  mirror=$(awk '$1 == "deb" && $3 ~ /^bookworm$/ { print $2; exit }' /etc/apt/sources.list)
fi
[ -n "$mirror" ] || fail "no Debian archive found in /etc/apt/sources.list*"

unmount_all
mounted && fail "something is still mounted below $root; unmount it first"
rm -rf --one-file-system "$root"
mkdir -p "$root"
echo "fresh-check: debootstrap --variant=minbase bookworm from $mirror"
t0=$(date +%s)
debootstrap --variant=minbase bookworm "$root" "$mirror" >"$cache/debootstrap.log" 2>&1 ||
  fail "debootstrap failed, see $cache/debootstrap.log"
echo "fresh-check: root made in $(($(date +%s) - t0)) s, $(du -sm --one-file-system "$root" | cut -f1) MB"

rm -f "$root/etc/apt/sources.list"
for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.sources /etc/apt/sources.list.d/*.list; do
  [ -f "$f" ] && cp "$f" "$root$f"
done
cp /etc/resolv.conf /etc/hosts "$root/etc/" 2>/dev/null || true

# The checkout as git sees it (tracked and new files, uncommitted edits included), no build.
mkdir -p "$root/src"
git -C "$src" ls-files -z --cached --others --exclude-standard |
  tar -C "$src" --null -T - --ignore-failed-read -cf - 2>/dev/null | tar -C "$root/src" -xf -

mount -t proc proc "$root/proc"
mount --rbind /sys "$root/sys" && mount --make-rslave "$root/sys"
mount --rbind /dev "$root/dev" && mount --make-rslave "$root/dev"

echo "fresh-check: make test in the clean root (log: $log)"
t0=$(date +%s)
status=0
chroot "$root" /usr/bin/env -i HOME=/root LANG=C.UTF-8 TERM=dumb \
  PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
  bash -c 'set -e; apt-get update -qq; apt-get install -y -qq --no-install-recommends make;
           cd /src; make test' >"$log" 2>&1 || status=$?
minutes=$(awk -v s=$(($(date +%s) - t0)) 'BEGIN { printf "%.1f", s / 60 }')
tail -5 "$log"
if [ "$status" -ne 0 ]; then
  fail "make test failed in the clean root after $minutes min (exit $status), see $log"
fi
echo "fresh-check: make test passed in the clean root in $minutes min"
