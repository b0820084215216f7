#!/usr/bin/env bash
# Installs every Debian package that building, testing and running viewdeck needs.
# Idempotent: when everything is present it only runs dpkg-query and exits.
#   scripts/setup-deps.sh               what `make run` and `make test` need
#   scripts/setup-deps.sh --fresh-check also what `make fresh-check` needs to make a clean root
set -euo pipefail

packages=(
  # build
  make cmake ninja-build g++ pkg-config ccache clang-14 libclang-rt-14-dev
  # tests and benchmarks
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  # the fault-injection and end-to-end drivers
  python3
  # the locale sources and character maps the tests build a comma-decimal locale from
  locales
  # the manual pages' check
  groff-base
  # the sources' format check (the version pins the style: another one reflows lines)
  clang-format-14
  # UI (the Qt platform plugins, xcb and offscreen, come with libqt6gui6); the keyboard layouts,
  # for the Latin letter of a key on a layout of another script
  qt6-base-dev qt6-base-dev-tools libgl-dev libxkbcommon-dev
  # media: GStreamer and, loaded at run time, the plugin package of every element the code
  # creates (common/gst_elements.cpp names them; `make test` checks each one is there)
  libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev gstreamer1.0-plugins-base
  gstreamer1.0-plugins-good gstreamer1.0-x gstreamer1.0-alsa gstreamer1.0-tools
  # the recording codecs: H.264 (x264enc) and lossless HuffYUV (avenc_huffyuv, avdec_*)
  gstreamer1.0-plugins-ugly gstreamer1.0-libav
  # the H.264 parser playback needs between the AVI demuxer and the decoder
  gstreamer1.0-plugins-bad
  # the fonts the test picture's captions and the skin's texts are drawn with, and one for
  # the Chinese and Japanese country names (DejaVu has no CJK)
  fontconfig fonts-dejavu-core fonts-wqy-microhei
  # devices and sound
  libasound2-dev libudev-dev
  # teletext: decoded and drawn by libzvbi in the viewer and vdtool, pages written as PNG
  libzvbi-dev libpng-dev
  # screenshots and headless UI checks
  xvfb xauth xdotool imagemagick
  # a private message bus for the screen-saver tests
  dbus-daemon
  # the kernel tests: a Debian kernel booted in QEMU with the kernel's own V4L2 and IR test
  # drivers (the kernel itself is unpacked into a cache, never installed); v4l-utils and
  # ir-keytable give the tests v4l2-ctl and ir-ctl to cross-check the programs against
  qemu-system-x86 busybox-static cpio kmod udev v4l-utils ir-keytable
  # packaging and its checks: the Debian packages are built by debhelper (dpkg-buildpackage
  # under fakeroot) and checked by lintian; `file` is what dpkg-shlibdeps reads binaries with
  dpkg-dev debhelper fakeroot lintian file desktop-file-utils appstream
)

if [ "${1:-}" = "--fresh-check" ]; then
  packages+=(debootstrap)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "setup-deps: installing ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
# Another apt run (a second checkout's set-up) holds the lock for a while: wait for it.
lock=(-o DPkg::Lock::Timeout=600)
$SUDO apt-get "${lock[@]}" update -qq
$SUDO apt-get "${lock[@]}" install -y -qq --no-install-recommends "${missing[@]}"
