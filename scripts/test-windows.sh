#!/usr/bin/env bash
# Cross-builds kelmo for Windows and runs the Windows tests under Wine through CTest:
# x86_64 with the window into build-win64, against the static Qt for Windows that
# scripts/build-qt-windows.sh builds once (from an empty cache: about 40 minutes on two
# cores) and reuses after that; i686 without the window into build-win32 (its Qt is built
# only for packages). The tests: the module library loaded from the stand-in DLL and the
# simulated module inside the program, whole headless runs, the generator's winmm backend,
# and the windowed kelmo.exe driven by keys under Xvfb. Warnings are errors.
# KELMO_BUILD_ROOT puts the build trees elsewhere. When build/src/app/kelmo exists
# (scripts/test.sh builds it), the expected console lines are checked against it too.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
root=${KELMO_BUILD_ROOT:-$here}  # where the build trees go
jobs=$(nproc)

export WINEDEBUG=-all
# Wine takes the user's regional settings from the locale: the tests expect the default
# ones (a decimal point) except where a test sets its own.
export LC_ALL=C.UTF-8 LANG=C.UTF-8
export WINEPREFIX=${WINEPREFIX:-$root/build-wine/prefix}
mkdir -p "$(dirname "$WINEPREFIX")"

step() { printf '\n=== %s ===\n' "$*"; }

# Whether this machine runs 32-bit x86 programs: runs the system's 32-bit loader (or Wine's)
# with a harmless argument. Only the kernel's refusal counts as "cannot"; any other failure
# is left to the tests to show. Sets why_no_32bit when it cannot.
why_no_32bit=""
runs_32bit_programs() {
  local loader out
  for loader in /lib/ld-linux.so.2 /usr/lib/wine/wine; do
    [ -e "$loader" ] || continue
    out=$("$loader" --help 2>&1 </dev/null) && return 0
    if grep -q "Exec format error" <<<"$out"; then
      why_no_32bit="$loader: Exec format error"
      return 1
    fi
    return 0
  done
  return 0
}

linux_program=""
[ -x "$here/build/src/app/kelmo" ] && linux_program="$here/build/src/app/kelmo"

launcher=()
if command -v ccache >/dev/null; then
  export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$here}
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
options=(-G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" -DKELMO_WERROR=ON -DKELMO_BUILD_TESTS=OFF
         -DKELMO_BUILD_BENCH=OFF -DKELMO_BUILD_WINDOWS_TESTS=ON -DKELMO_LINUX_PROGRAM="$linux_program")

# A tree configured with another toolchain file (the window's Qt or none) starts afresh:
# CMake keeps the first one a tree was made with.
fresh_unless_toolchain() {  # dir toolchain-file
  local cached
  cached=$(sed -n 's/^CMAKE_TOOLCHAIN_FILE:[A-Z]*=//p' "$1/CMakeCache.txt" 2>/dev/null || true)
  if [ -f "$1/CMakeCache.txt" ] && [ "$(realpath -m "$cached")" != "$(realpath -m "$2")" ]; then
    rm -rf "$1"
  fi
}

step "Qt for Windows x86_64 (built once, then reused)"
qt64=$(bash "$here/scripts/build-qt-windows.sh" x86_64 | tail -n1)
step "cross-build for Windows x86_64, with the window"
fresh_unless_toolchain "$root/build-win64" "$qt64/lib/cmake/Qt6/qt.toolchain.cmake"
"$qt64/bin/qt-cmake" -S "$here" -B "$root/build-win64" "${options[@]}" \
  -DCMAKE_CROSSCOMPILING_EMULATOR=/usr/lib/wine/wine64 >/dev/null
cmake --build "$root/build-win64" -j "$jobs"
step "cross-build for Windows i686, without the window"
fresh_unless_toolchain "$root/build-win32" "$here/cmake/toolchains/mingw-i686.cmake"
cmake -S "$here" -B "$root/build-win32" "${options[@]}" -DKELMO_WITH_QT=OFF \
  -DCMAKE_TOOLCHAIN_FILE="$here/cmake/toolchains/mingw-i686.cmake" -DCMAKE_CROSSCOMPILING_EMULATOR=/usr/lib/wine/wine >/dev/null
cmake --build "$root/build-win32" -j "$jobs"

step "Wine"
# A persistent server, its output detached: otherwise CTest waits for the services that
# Wine starts, which keep the test's output pipes open.
wineserver -p </dev/null >/dev/null 2>&1 &
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
/usr/lib/wine/wine64 wineboot --init </dev/null >/dev/null 2>&1

step "Windows tests, x86_64"
ctest --test-dir "$root/build-win64" --output-on-failure --timeout 300
step "Windows tests, i686"
# Some kernels run no 32-bit programs at all (the 32-bit loader fails with "Exec format
# error"); there the i686 build is still made, only its tests under Wine cannot run.
if runs_32bit_programs; then
  ctest --test-dir "$root/build-win32" --output-on-failure --timeout 300
else
  echo "SKIPPED: the i686 Windows tests under Wine, since this machine's kernel cannot run 32-bit programs ($why_no_32bit)"
fi
