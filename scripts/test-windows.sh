#!/usr/bin/env bash
# Cross-builds kelmo for Windows, x86_64 into build-win64 and i686 into build-win32 (MinGW-w64,
# warnings as errors, no window), and runs the Windows tests under Wine through CTest: the
# module library loaded from the stand-in DLL, a whole headless run through it, and the
# generator's winmm backend. KELMO_BUILD_ROOT puts the build trees elsewhere. When
# build/src/app/kelmo exists (scripts/test.sh builds it),
# the expected console lines are checked against it too.
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

configure() {  # dir toolchain emulator
  cmake -S "$here" -B "$1" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_TOOLCHAIN_FILE="$here/cmake/toolchains/$2.cmake" \
    -DCMAKE_CROSSCOMPILING_EMULATOR="$3" \
    -DKELMO_WERROR=ON -DKELMO_WITH_QT=OFF -DKELMO_BUILD_TESTS=OFF -DKELMO_BUILD_BENCH=OFF \
    -DKELMO_BUILD_WINDOWS_TESTS=ON -DKELMO_LINUX_PROGRAM="$linux_program" >/dev/null
}

step "cross-build for Windows x86_64"
configure "$root/build-win64" mingw-x86_64 /usr/lib/wine/wine64
cmake --build "$root/build-win64" -j "$jobs"
step "cross-build for Windows i686"
configure "$root/build-win32" mingw-i686 /usr/lib/wine/wine
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
