#!/usr/bin/env bash
# Makes the packages to hand to a rig: kelmo-<version>-windows-x86_64.zip and
# kelmo-<version>-windows-i686.zip, each a folder with kelmo.exe (MinGW-w64 cross-build,
# stripped), the example settings kelmo.ini (Windows-1251, CR LF) and README.txt for the
# rig. Nothing else goes in: no vendor library, no test stand-in.
# Usage: package-windows.sh [OUTPUT_DIR]   (default: dist/ in the tree)
# The builds are those of scripts/test-windows.sh (build-win64, build-win32, or below
# KELMO_BUILD_ROOT); only the kelmo target is built.
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

package() {  # arch triple toolchain build-dir bits
  local arch=$1 triple=$2 toolchain=$3 dir=$4 bits=$5
  echo "=== kelmo $version for Windows $arch ==="
  cmake -S "$here" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" \
    -DCMAKE_TOOLCHAIN_FILE="$here/cmake/toolchains/$toolchain.cmake" \
    -DKELMO_WERROR=ON -DKELMO_WITH_QT=OFF -DKELMO_BUILD_TESTS=OFF -DKELMO_BUILD_BENCH=OFF >/dev/null
  cmake --build "$dir" --target kelmo -j "$(nproc)"

  local exe=$dir/src/app/kelmo.exe
  # Only Windows' own DLLs: the module library is loaded at run time, the MinGW runtime is linked in.
  local imports
  imports=$("$triple-objdump" -p "$exe" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)
  local dll
  for dll in $imports; do
    case $dll in
      kernel32.dll|user32.dll|advapi32.dll|shell32.dll|winmm.dll|msvcrt.dll|ws2_32.dll|ole32.dll) ;;
      *) echo "package-windows: kelmo.exe ($arch) imports $dll, which Windows does not have" >&2; exit 1 ;;
    esac
  done

  local name=kelmo-$version-windows-$arch
  local stage
  stage=$(mktemp -d)
  mkdir "$stage/$name"
  "$triple-strip" -o "$stage/$name/kelmo.exe" "$exe"
  cp "$ini" "$stage/$name/kelmo.ini"
  sed -e "s/@VERSION@/$version/g" -e "s/@ARCH@/$arch/g" -e "s/@BITS@/$bits/g" -e 's/$/\r/' \
    "$here/docs/windows/README.txt" >"$stage/$name/README.txt"
  rm -f "$out/$name.zip"
  (cd "$stage" && zip -q -X -r "$out/$name.zip" "$name")
  rm -rf "$stage"
  echo "$out/$name.zip:"
  unzip -l "$out/$name.zip"
}

package x86_64 x86_64-w64-mingw32 mingw-x86_64 "$root/build-win64" 64
package i686 i686-w64-mingw32 mingw-i686 "$root/build-win32" 32
