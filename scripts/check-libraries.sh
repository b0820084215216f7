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
