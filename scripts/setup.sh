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
  dpkg-dev  # apt-get source: scripts/build-qt-windows.sh builds Qt for Windows from Debian's sources
)

# Source entries beside the system's own binary ones, for apt-get source: made from the
# system's apt sources, so they name whichever mirror this machine already uses.
add_source_entries() {
  local list=/etc/apt/sources.list.d/kelmo-deb-src.sources line
  [ -e "$list" ] && return 1
  grep -rqsE '^(deb-src|Types:.*deb-src)' /etc/apt/sources.list /etc/apt/sources.list.d/ && return 1
  [ "$(id -u)" -eq 0 ] || { echo "setup: no deb-src entries (run as root to add them)" >&2; exit 1; }
  {
    echo "# Added by kelmo's scripts/setup.sh: the source packages of the system's own sources."
    # One-line entries: "deb [options] URI suite components".
    sed -n 's/^[[:space:]]*deb[[:space:]]\+/Types: deb-src\n/p' /etc/apt/sources.list 2>/dev/null |
      awk '/^Types:/ { print; next } { n = split($0, f, " "); o = 1
             if (f[1] ~ /^\[/) { while (o <= n && f[o] !~ /\]$/) o++; o++ }
             printf "URIs: %s\nSuites: %s\nComponents:", f[o], f[o + 1]
             for (i = o + 2; i <= n; i++) printf " %s", f[i]; printf "\n\n" }'
    # deb822 entries: each stanza of type deb again as deb-src.
    for line in /etc/apt/sources.list.d/*.sources; do
      [ -e "$line" ] || continue
      awk 'BEGIN { RS = ""; ORS = "\n\n" }
           /(^|\n)Types:[^\n]*deb([ \n]|$)/ && !/(^|\n)Enabled: *no/ {
             gsub(/(^|\n)#[^\n]*/, ""); sub(/^\n/, "")
             sub(/Types:[^\n]*/, "Types: deb-src"); print }' "$line"
    done
  } >"$list"
  return 0
}

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
  add_source_entries || true
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
elif add_source_entries; then
  apt-get update -qq
fi
