#!/usr/bin/env bash
# Installs every Debian package that building, running and testing kelmo needs.
# Safe to run again: apt-get skips what is already there.
set -euo pipefail

packages=(
  build-essential g++ cmake ninja-build pkg-config ccache
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  qt6-base-dev libqt6opengl6-dev qt6-base-dev-tools libgl-dev
  libqcustomplot-dev libqcustomplot2.1-qt6 qt6-svg-dev
  libqscintilla2-qt6-dev
  portaudio19-dev libasound2-plugins libpulse-dev stress-ng
  pulseaudio pulseaudio-utils
  xvfb x11-apps imagemagick xdotool openbox
  lua5.4
  clang libclang-rt-14-dev
  fonts-dejavu-core
  g++-mingw-w64-x86-64 g++-mingw-w64-i686 wine wine64 wine32:i386
  zip unzip
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if ((${#missing[@]})); then
  if [ "$(id -u)" -ne 0 ]; then
    echo "setup: missing packages (run as root to install): ${missing[*]}" >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  # 32-bit Wine runs the i686 Windows build; its packages come from the i386 architecture.
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
