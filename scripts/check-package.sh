#!/usr/bin/env bash
# Builds the Debian package of a build with CPack, unpacks it into a scratch root (no root
# rights needed) and checks that the unpacked programs run from there on their own.
#   scripts/check-package.sh [BUILD_DIR]   (default build/default)
set -euo pipefail
build=$(cd "${1:-build/default}" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
unset LD_LIBRARY_PATH VIEWDECK_MODULE_DIR

fail() { echo "check-package: $*" >&2; exit 1; }
source "$(dirname "$0")/check-libraries.sh"

[ -f "$build/CPackConfig.cmake" ] || fail "$build has no CPack configuration"
(cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >cpack.log 2>&1) ||
  fail "cpack failed: $(tail -5 "$work/cpack.log")"
debs=("$work"/out/*.deb)
[ ${#debs[@]} -eq 1 ] && [ -s "${debs[0]}" ] || fail "cpack made ${#debs[@]} packages"
deb=${debs[0]}
echo "package: $(basename "$deb"), $(stat -c %s "$deb") bytes"

# The control data a package manager reads.
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = viewdeck ] || fail "package name is '$(field Package)'"
[ "$(field Architecture)" = "$(dpkg --print-architecture)" ] ||
  fail "architecture is '$(field Architecture)'"
depends=$(field Depends)
for dep in libc6 libqt6widgets6 fonts-dejavu-core fonts-wqy-microhei; do
  grep -q "$dep" <<<"$depends" || fail "Depends lacks $dep: $depends"
done

# A program of another package that links a public library gets its dependency on this
# package from the shlibs file: without it dpkg-shlibdeps fails on that program.
dpkg-deb -e "$deb" "$work/control"
[ -f "$work/control/shlibs" ] || fail "package has no shlibs file"
for l in libteletext libvidparse libstromsift; do
  grep -qE "^$l [0-9]+ viewdeck \((=|>=) $(field Version)\)$" "$work/control/shlibs" ||
    fail "shlibs lacks $l: $(cat "$work/control/shlibs")"
done

root="$work/root"
dpkg-deb -x "$deb" "$root"
bin="$root/usr/bin"
lib="$root/usr/lib"
for f in "$bin/viewdeck" "$bin/vdtool" "$lib/libkxtuner.so" "$lib/libquillane.so" \
         "$lib/viewdeck/libvd_device.so.0" "$lib/libteletext.so.0" \
         "$root/usr/share/doc/viewdeck/BRTV_USB.html" \
         "$root/usr/share/applications/viewdeck.desktop"; do
  [ -e "$f" ] || fail "package lacks ${f#"$root"}"
done
# Nothing of the build tree may leak into the package's file list.
if dpkg-deb -c "$deb" | grep -q "$build"; then fail "package lists paths of the build tree"; fi

# Each shlibs line names a library the package holds, by the version in its soname.
while read -r name version _; do
  [ -e "$lib/$name.so.$version" ] || [ -e "$lib/viewdeck/$name.so.$version" ] ||
    fail "shlibs names $name.so.$version, which the package lacks"
done <"$work/control/shlibs"

check_private_device_layer "$lib"
check_libraries "$root" "the unpacked package" "$bin"/* "$lib"/*.so* "$lib"/viewdeck/*.so*

export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share"
mkdir -p "$HOME"
version=$(QT_QPA_PLATFORM=offscreen "$bin/viewdeck" --version) || fail "viewdeck --version failed"
grep -q "$(field Version)" <<<"$version" ||
  fail "viewdeck --version says '$version', the package $(field Version)"
countries=$("$bin/vdtool" countries | grep -v "^#") || fail "vdtool countries failed"
[ "$(wc -l <<<"$countries")" -eq 57 ] || fail "vdtool countries listed $(wc -l <<<"$countries") lines"
echo "viewdeck --version: $version; vdtool countries: $(wc -l <<<"$countries") countries"
# The package pulls in the plug-in package of every element the programs create.
for p in $("$bin/vdtool" elements | awk 'NR > 1 { print $2 }' | sort -u); do
  grep -qE "(^|, )$p(,|$| )" <<<"$(field Depends)" || fail "Depends lacks $p: $(field Depends)"
done
echo "Depends: $(field Depends)"
echo "package check: passed"
