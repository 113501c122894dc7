#!/usr/bin/env bash
# Makes the packages to hand to a rig: kelmo-<version>-windows-x86_64.zip and
# kelmo-<version>-windows-i686.zip, each a folder with the windowed kelmo.exe and its
# console companion kelmo.com (MinGW-w64 cross-builds against the static Qt for Windows,
# stripped), kelmo-sim.cmd, the example settings kelmo.ini (Windows-1251, CR LF) and
# README.txt for the rig. Nothing else goes in: no vendor library, no test stand-in, no DLL.
# Usage: package-windows.sh [OUTPUT_DIR]   (default: dist/ in the tree)
# Qt for Windows comes from scripts/build-qt-windows.sh, which builds it once per
# architecture (the i686 one only here) and reuses its cache after that. The x86_64 build is
# the tree of scripts/test-windows.sh (build-win64), the i686 one build-win32-window (both
# below KELMO_BUILD_ROOT when set); only the programs are built.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
root=${KELMO_BUILD_ROOT:-$here}
out=$(mkdir -p "${1:-$here/dist}" && cd "${1:-$here/dist}" && pwd)

version=$(sed -n 's/^project(kelmo VERSION \([0-9.]*\).*/\1/p' "$here/CMakeLists.txt")
[ -n "$version" ] || { echo "package-windows: no version in CMakeLists.txt" >&2; exit 1; }

launcher=()
if command -v ccache >/dev/null; then
  export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$here}
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi

# The settings example must be what the script window writes: Windows-1251 with CR LF.
ini=$here/docs/kelmo.ini
iconv -f CP1251 -t UTF-8 "$ini" >/dev/null
if [ "$(grep -c $'\r$' "$ini")" != "$(wc -l <"$ini")" ] || [ -n "$(tail -c1 "$ini" | tr -d '\n')" ]; then
  echo "package-windows: $ini must end every line with CR LF" >&2
  exit 1
fi

# The DLLs a program may import: Windows' own. The module library is loaded at run time,
# and the MinGW runtime and Qt are linked in. The first line is kelmo's own; the others are
# what static Qt needs, every one in Windows 10 (Qt 6's oldest), the api-ms-win-* names being
# API sets that Windows resolves to its own DLLs since Windows 8.
windows_dlls=(
  kernel32.dll user32.dll advapi32.dll shell32.dll ole32.dll winmm.dll ws2_32.dll msvcrt.dll
  gdi32.dll comdlg32.dll imm32.dll oleaut32.dll uxtheme.dll dwmapi.dll version.dll shlwapi.dll
  shcore.dll netapi32.dll userenv.dll wtsapi32.dll authz.dll winspool.drv
  dwrite.dll d3d9.dll d3d11.dll dxgi.dll
  api-ms-win-core-synch-l1-2-0.dll api-ms-win-core-winrt-l1-1-0.dll api-ms-win-core-winrt-string-l1-1-0.dll
)
check_imports() {  # triple program arch
  local dll imports
  imports=$("$1-objdump" -p "$2" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)
  for dll in $imports; do
    if ! printf '%s\n' "${windows_dlls[@]}" | grep -qxF "$dll"; then
      echo "package-windows: $(basename "$2") ($3) imports $dll, which Windows does not have" >&2
      exit 1
    fi
  done
}

# The tree is configured by Qt's qt-cmake; one made with another toolchain starts afresh.
configure() {  # dir qt-prefix
  local dir=$1 qt=$2 cached
  cached=$(sed -n 's/^CMAKE_TOOLCHAIN_FILE:[A-Z]*=//p' "$dir/CMakeCache.txt" 2>/dev/null || true)
  if [ -f "$dir/CMakeCache.txt" ] &&
     [ "$(realpath -m "$cached")" != "$(realpath -m "$qt/lib/cmake/Qt6/qt.toolchain.cmake")" ]; then
    rm -rf "$dir"
  fi
  "$qt/bin/qt-cmake" -S "$here" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" \
    -DKELMO_WERROR=ON -DKELMO_BUILD_TESTS=OFF -DKELMO_BUILD_BENCH=OFF >/dev/null
}

package() {  # arch triple build-dir bits
  local arch=$1 triple=$2 dir=$3 bits=$4
  echo "=== kelmo $version for Windows $arch ==="
  local qt
  qt=$(bash "$here/scripts/build-qt-windows.sh" "$arch" | tail -n1)
  configure "$dir" "$qt"
  cmake --build "$dir" --target kelmo kelmo_console -j "$(nproc)"

  local name=kelmo-$version-windows-$arch
  local stage
  stage=$(mktemp -d)
  mkdir "$stage/$name"
  local program
  for program in kelmo.exe kelmo.com; do
    check_imports "$triple" "$dir/src/app/$program" "$arch"
    "$triple-strip" -o "$stage/$name/$program" "$dir/src/app/$program"
  done
  cp "$here/docs/windows/kelmo-sim.cmd" "$stage/$name/kelmo-sim.cmd"
  cp "$ini" "$stage/$name/kelmo.ini"
  # UTF-8 with a byte order mark: Notepad shows it right on any Windows, whatever the
  # system's code page (Windows-1251 text would show right only where that is Russian).
  {
    printf '\xEF\xBB\xBF'
    sed -e "s/@VERSION@/$version/g" -e "s/@ARCH@/$arch/g" -e "s/@BITS@/$bits/g" -e 's/$/\r/' \
      "$here/docs/windows/README.txt"
  } >"$stage/$name/README.txt"
  rm -f "$out/$name.zip"
  (cd "$stage" && zip -q -X -r "$out/$name.zip" "$name")
  rm -rf "$stage"
  echo "$out/$name.zip:"
  unzip -l "$out/$name.zip"
}

package x86_64 x86_64-w64-mingw32 "$root/build-win64" 64
package i686 i686-w64-mingw32 "$root/build-win32-window" 32
