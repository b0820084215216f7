#!/usr/bin/env bash
# Checks the Debian packages that `make package` built: lintian finds no error and no warning
# (an override only with its reason in the override file), the packages split the files as
# Debian does, and the unpacked programs run from a scratch root (no root rights needed) on
# their own.
#   scripts/check-package.sh [DEB_DIR]   (default build/debs)
set -euo pipefail
debs=$(cd "${1:-build/debs}" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
unset LD_LIBRARY_PATH VIEWDECK_MODULE_DIR

fail() { echo "check-package: $*" >&2; exit 1; }
source "$(dirname "$0")/check-libraries.sh"

changes=("$debs"/*.changes)
[ ${#changes[@]} -eq 1 ] && [ -s "${changes[0]}" ] || fail "$debs holds ${#changes[@]} .changes files"
arch=$(dpkg --print-architecture)
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
version=$(sed -n 's/^Version: //p' "${changes[0]}")
deb() { echo "$debs/${1}_${version}_$arch.deb"; }
packages=(viewdeck libteletext0 libvidparse0 libstromsift0 libviewdeck-dev)
for p in "${packages[@]}"; do [ -s "$(deb "$p")" ] || fail "no package $p"; done
count=$(find "$debs" -name '*.deb' | wc -l)
[ "$count" -eq ${#packages[@]} ] || fail "$count packages, not ${#packages[@]}: $(ls "$debs")"
echo "packages: ${packages[*]} $version"

# Lintian on the upload: the packages, the .changes and the .buildinfo.
lintian --info --display-info --fail-on error,warning "${changes[0]}" >"$work/lintian" 2>&1 ||
  fail "lintian:"$'\n'"$(grep -E '^[EW]:' "$work/lintian" || cat "$work/lintian")"
counts=$(grep -oE '^[IPX]:' "$work/lintian" | sort | uniq -c | awk '{ printf "%s%s %s", (NR > 1 ? ", " : ""), $1, $2 }')
echo "lintian: no error, no warning${counts:+ ($counts)}"

# The control data a package manager reads.
field() { dpkg-deb -f "$(deb "$1")" "$2"; }
for p in "${packages[@]}"; do
  [ "$(field "$p" Package)" = "$p" ] || fail "$p is called '$(field "$p" Package)'"
  [ "$(field "$p" Architecture)" = "$arch" ] || fail "$p: architecture '$(field "$p" Architecture)'"
done
depends=$(field viewdeck Depends)
for dep in libc6 libqt6widgets6 fonts-dejavu-core fonts-wqy-microhei; do
  grep -q "$dep" <<<"$depends" || fail "viewdeck Depends lacks $dep: $depends"
done
# The public libraries need the device layer, which viewdeck holds.
for p in libteletext0 libvidparse0 libstromsift0; do
  grep -qE "(^|, )viewdeck \(= $version\)" <<<"$(field "$p" Depends)" ||
    fail "$p Depends lacks viewdeck (= $version): $(field "$p" Depends)"
done

# A program of another package that links a public library gets its dependency from the
# library package's shlibs file: without it dpkg-shlibdeps fails on that program.
for l in teletext vidparse stromsift; do
  dpkg-deb -e "$(deb "lib${l}0")" "$work/control-$l"
  grep -qxE "lib$l 0 lib${l}0 \(= $version\)" "$work/control-$l/shlibs" ||
    fail "lib${l}0 shlibs: $(cat "$work/control-$l/shlibs" 2>/dev/null)"
done
dpkg-deb -e "$(deb viewdeck)" "$work/control-viewdeck"
[ ! -e "$work/control-viewdeck/shlibs" ] || fail "viewdeck declares shlibs for its private libraries"

# Each package holds its own files, and none of the build tree's paths.
root="$work/root"
lib="$root/usr/lib/$multiarch"
for p in "${packages[@]}"; do
  dpkg-deb -x "$(deb "$p")" "$root"
  dpkg-deb -c "$(deb "$p")" | awk '{ print $6 }' | sed 's|^\./|/|' >"$work/files-$p"
  if grep -q "$(dirname "$debs")" "$work/files-$p"; then fail "$p lists paths of the build tree"; fi
done
holds() { grep -qx "$2" "$work/files-$1" || fail "$1 lacks $2"; }
for f in /usr/bin/viewdeck /usr/bin/vdtool /usr/lib/$multiarch/viewdeck/libkxtuner.so \
         /usr/lib/$multiarch/viewdeck/libquillane.so /usr/lib/$multiarch/viewdeck/libvd_device.so.0 \
         /usr/share/doc/viewdeck/BRTV_USB.html /usr/share/doc/viewdeck/copyright \
         /usr/share/man/man1/viewdeck.1.gz /usr/share/man/man1/vdtool.1.gz \
         /usr/share/applications/viewdeck.desktop \
         /usr/share/metainfo/org.corvalen.viewdeck.metainfo.xml; do
  holds viewdeck "$f"
done
for l in teletext vidparse stromsift; do
  holds "lib${l}0" "/usr/lib/$multiarch/lib$l.so.0"
  holds "lib${l}0" "/usr/share/doc/lib${l}0/copyright"
  holds libviewdeck-dev "/usr/lib/$multiarch/lib$l.so"
  holds libviewdeck-dev "/usr/lib/$multiarch/pkgconfig/$l.pc"
done
holds libviewdeck-dev /usr/include/stromsift.h
holds libviewdeck-dev /usr/include/teletext.h
# Nothing of ours but the public libraries lies on the system's library search path.
if grep -E "^/usr/lib/$multiarch/lib[^/]*\.so" "$work/files-viewdeck"; then
  fail "viewdeck puts a private library on the search path"
fi
bin="$root/usr/bin"
for f in "$bin"/* "$lib"/*.so.0 "$lib"/viewdeck/*.so*; do
  [ -L "$f" ] && continue
  file -b "$f" | grep -q ', stripped' || fail "${f#"$root"} is not stripped"
done

check_private_device_layer "$lib"
check_libraries "$root" "the unpacked packages" "$bin"/* "$lib"/*.so* "$lib"/viewdeck/*.so*

export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share"
mkdir -p "$HOME"
said=$(QT_QPA_PLATFORM=offscreen "$bin/viewdeck" --version) || fail "viewdeck --version failed"
grep -q "$version" <<<"$said" || fail "viewdeck --version says '$said', the packages $version"
countries=$("$bin/vdtool" countries | grep -v "^#") || fail "vdtool countries failed"
[ "$(wc -l <<<"$countries")" -eq 57 ] || fail "vdtool countries listed $(wc -l <<<"$countries") lines"
echo "viewdeck --version: $said; vdtool countries: $(wc -l <<<"$countries") countries"
# The tuner module is found in the private folder relative to the program, not on the system.
scan=$(timeout 60 "$bin/vdtool" scan code:49 radio --data "$work/data" --lock-ms 1 2>&1) ||
  fail "vdtool scan from the unpacked packages failed: $(tail -3 <<<"$scan")"
echo "vdtool scan: $(grep 'station(s)' <<<"$scan")"
# The package pulls in the plug-in package of every element the programs create.
for p in $("$bin/vdtool" elements | awk 'NR > 1 { print $2 }' | sort -u); do
  grep -qE "(^|, )$p(,|$| )" <<<"$depends" || fail "Depends lacks $p: $depends"
done
echo "viewdeck Depends: $depends"
# The pkg-config files point into the tree they were unpacked into.
for pc in vidparse stromsift teletext; do
  flags=$(PKG_CONFIG_PATH="$lib/pkgconfig" pkg-config --cflags --libs "$pc") || fail "pkg-config $pc failed"
  inc=$(grep -oE -- '-I[^ ]+' <<<"$flags" | cut -c3-) libdir=$(grep -oE -- '-L[^ ]+' <<<"$flags" | cut -c3-)
  [ "$(realpath -m "$inc")" = "$root/usr/include" ] && [ "$(realpath -m "$libdir")" = "$lib" ] &&
    [ -e "$libdir/lib$pc.so" ] && grep -q -- "-l$pc" <<<"$flags" || fail "pkg-config $pc: $flags"
done
echo "package check: passed"
