#!/usr/bin/env bash
# Installs every Debian package that building, testing and running viewdeck needs.
# Idempotent: when everything is present it only runs dpkg-query and exits.
set -euo pipefail

packages=(
  # build
  cmake ninja-build g++ pkg-config ccache clang-14 libclang-rt-14-dev
  # tests and benchmarks
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  # UI
  qt6-base-dev qt6-base-dev-tools libgl-dev
  # media
  libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev gstreamer1.0-plugins-base
  gstreamer1.0-plugins-good gstreamer1.0-x gstreamer1.0-tools
  # devices and sound
  libasound2-dev libudev-dev
  # teletext cross-check in tests
  libzvbi-dev
  # screenshots and headless UI checks
  xvfb xauth xdotool imagemagick fonts-dejavu-core
  # a private message bus for the screen-saver tests
  dbus-daemon
  # packaging and its checks
  dpkg-dev desktop-file-utils appstream
)

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
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
