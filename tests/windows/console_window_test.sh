#!/usr/bin/env bash
# Russian console lines in a console window. Wine gives kelmo.exe a console when it runs on
# a terminal (here a pseudo-terminal made by script(1)) and shows that console on the
# terminal as UTF-8. The lines must come out readable: bytes written to a console are read
# in the console's code page (437 or 866), so they do only when kelmo hands the console
# its text as UTF-16.
# Usage: console_window_test.sh EMULATOR KELMO_EXE MODULE_LIBRARY_DLL WORK_DIR
set -euo pipefail
emulator=$1 program=$2 library=$3 dir=$4
command -v script >/dev/null || { echo "SKIPPED: no script(1) to make a terminal"; exit 0; }
rm -rf "$dir"
mkdir -p "$dir"
cd "$dir"
# kelmo chooses the module library before any script runs; the folder it starts in is on
# the DLL search path.
cp "$library" Lusbapi.dll
unset KELMO_MODULE_LIBRARY
# A settings script as the script window saves it (Windows-1251, CR LF).
printf "begin\r\n  writeLn('Привет, стенд: ' + FloatToStr(2.5));\r\nend.\r\n" | iconv -f UTF-8 -t CP1251 >hello.pas
script -qec "$emulator '$program' --run-script hello.pas" /dev/null </dev/null >terminal.txt
if grep -qE 'Привет, стенд: 2[.,]5' terminal.txt && grep -q 'Succesfully Executed' terminal.txt; then
  echo "the console shows: $(grep -oE 'Привет, стенд: 2[.,]5' terminal.txt)"
  exit 0
fi
echo "the terminal did not show the Russian line; it got:"
cat -v terminal.txt
exit 1
