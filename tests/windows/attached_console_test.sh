#!/usr/bin/env bash
# The windowed kelmo.exe typed by its full name at a command prompt: a windowed program gets
# neither a console nor standard output from the prompt, so it attaches to the prompt's
# console and prints there. Here the prompt is window_test_helper running in a console of
# Wine's on a pseudo-terminal (made by script(1)); it starts kelmo.exe as a windowed
# program is started, without standard handles.
# Usage: attached_console_test.sh EMULATOR KELMO_EXE HELPER_EXE WORK_DIR
set -euo pipefail
emulator=$1 program=$2 helper=$3 dir=$4
command -v script >/dev/null || { echo "SKIPPED: no script(1) to make a terminal"; exit 0; }
rm -rf "$dir"
mkdir -p "$dir"
cd "$dir"
folder=$("$emulator" winepath -w "$PWD" 2>/dev/null)
exe=$("$emulator" winepath -w "$program" 2>/dev/null)

run() {  # arguments... -> terminal.txt; the exit code is kelmo's, passed on by the helper
  timeout 60 script -qec "$emulator '$helper' start-as-explorer '$folder' '$exe' $*" /dev/null </dev/null >terminal.txt
}

status=0
run --version || status=$?
[ "$status" -eq 0 ] || { echo "kelmo.exe --version ended with $status"; cat -v terminal.txt; exit 1; }
grep -q "kelmo 2\.0" terminal.txt || { echo "the console did not show the version:"; cat -v terminal.txt; exit 1; }
echo "kelmo.exe --version printed to the console it attached to: $(grep -o 'kelmo 2\.0' terminal.txt)"

status=0
run --no-such-option || status=$?
[ "$status" -eq 2 ] || { echo "kelmo.exe --no-such-option ended with $status, not 2"; cat -v terminal.txt; exit 1; }
grep -q "unknown option '--no-such-option'" terminal.txt || { echo "no usage message:"; cat -v terminal.txt; exit 1; }
echo "kelmo.exe --no-such-option printed its usage error there and ended with exit code 2"
