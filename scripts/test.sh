#!/usr/bin/env bash
# Builds and runs every test: the normal build (warnings as errors), then the whole suite
# under AddressSanitizer + UndefinedBehaviorSanitizer, then the threaded tests under
# ThreadSanitizer. Any failure or sanitizer report fails the script.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:halt_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
export LSAN_OPTIONS=suppressions=$here/scripts/lsan.supp

step() { printf '\n=== %s ===\n' "$*"; }

# A whole run from empty build trees writes about 9 GB; a disk that fills midway fails a late
# step with a message far from its cause, so a short disk is named first.
free_gb=$(df -Pk "$here" | awk 'NR == 2 { printf "%d", $4 / 1048576 }')
if [ "$free_gb" -lt 10 ]; then
  echo "test.sh: only $free_gb GB free under $here, and a run from empty build trees writes about 9 GB" >&2
fi

step "build (warnings as errors)"
bash "$here/scripts/build.sh" "$here/build" -DKELMO_WERROR=ON
step "tests"
ctest --test-dir "$here/build" -j "$jobs" --output-on-failure --timeout 300

step "build with AddressSanitizer + UndefinedBehaviorSanitizer"
bash "$here/scripts/build.sh" "$here/build-asan" -DKELMO_WERROR=ON "-DKELMO_SANITIZE=address;undefined" -DKELMO_BUILD_BENCH=OFF
step "tests under AddressSanitizer + UndefinedBehaviorSanitizer"
ctest --test-dir "$here/build-asan" -j "$jobs" --output-on-failure --timeout 600

step "build with ThreadSanitizer (no window)"
bash "$here/scripts/build.sh" "$here/build-tsan" -DKELMO_WERROR=ON -DKELMO_SANITIZE=thread -DKELMO_WITH_QT=OFF -DKELMO_BUILD_BENCH=OFF
step "threaded tests under ThreadSanitizer"
ctest --test-dir "$here/build-tsan" -j "$jobs" -L threads --output-on-failure --timeout 600 --no-tests=ignore

step "Windows cross-builds and their tests under Wine"
bash "$here/scripts/test-windows.sh"
