# Sourced by the install and package checks: every library the programs and libraries under
# ROOT need is found, and viewdeck's own come from ROOT, not from a build tree or /usr.
# check_libraries ROOT WHERE FILE... (WHERE names ROOT in the message; needs fail()).
check_libraries() {
  local root=$1 where=$2 f out
  shift 2
  for f in "$@"; do
    out=$(ldd "$f")
    if grep -q "not found" <<<"$out"; then fail "${f#"$root"}: $(grep 'not found' <<<"$out")"; fi
    if grep -E "lib(vd_device|quillane|vidparse|stromsift|teletext)\.so" <<<"$out" | grep -qv "$root"; then
      fail "${f#"$root"} resolves a viewdeck library outside $where"
    fi
  done
}

# The device layer is a private, versioned library: the public libraries name it by its SONAME,
# and it is found in lib/viewdeck alone, with no development link.
# check_private_device_layer LIB (needs fail()).
check_private_device_layer() {
  local lib=$1 f soname needed
  soname=$(readelf -d "$lib/viewdeck/libvd_device.so.0" | sed -n 's/.*(SONAME).*\[\(.*\)\]/\1/p')
  [ "$soname" = libvd_device.so.0 ] || fail "libvd_device.so.0 has the SONAME '$soname'"
  for f in "$lib/libvd_device.so"* "$lib/viewdeck/libvd_device.so"; do
    [ ! -e "$f" ] || fail "${f#"$lib/"} is installed"
  done
  for f in "$lib/libteletext.so.0" "$lib/libvidparse.so.0" "$lib/libstromsift.so.0"; do
    needed=$(readelf -d "$f" | sed -n 's/.*(NEEDED).*\[\(libvd_device[^]]*\)\]/\1/p')
    [ "$needed" = libvd_device.so.0 ] || fail "$(basename "$f") needs '$needed', not libvd_device.so.0"
  done
}
