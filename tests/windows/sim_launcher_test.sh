#!/usr/bin/env bash
# kelmo-sim.cmd, the package's way to start on the simulated module, run by the emulator's
# command prompt beside kelmo.com as in the package: with arguments it runs kelmo.com in the
# prompt's console on the simulated module (no Lusbapi.dll anywhere) and passes its exit
# code on.
# Usage: sim_launcher_test.sh EMULATOR KELMO_COM KELMO_SIM_CMD KELMO_INI WORK_DIR
set -euo pipefail
emulator=$1 program=$2 launcher=$3 ini=$4 dir=$5
rm -rf "$dir"
mkdir -p "$dir"
cd "$dir"
cp "$program" kelmo.com
cp "$launcher" kelmo-sim.cmd
cp "$ini" kelmo.ini
unset KELMO_MODULE_LIBRARY KELMO_SIM
export KELMO_SIM_LOCK_DIR=$PWD/slots

status=0
timeout 120 "$emulator" cmd /c kelmo-sim.cmd --headless --duration 2 >run.txt 2>run.err </dev/null || status=$?
[ "$status" -eq 0 ] || { echo "kelmo-sim.cmd --headless ended with $status:"; cat run.err; exit 1; }
grep -q "^ ADC Thread: The program was terminated! :-)" run.txt || { echo "no normal end of the run:"; cat run.txt; exit 1; }
[ -s test.dat ] || { echo "the run wrote no data file"; exit 1; }
[ -f slots/kelmo-sim-slot-0.lock ] || { echo "the run was not on the simulated module"; exit 1; }
echo "kelmo-sim.cmd --headless: a run on the simulated module, $(grep -c $'\r$' test.dat) data lines"

status=0
timeout 60 "$emulator" cmd /c kelmo-sim.cmd --no-such-option >bad.txt 2>bad.err </dev/null || status=$?
[ "$status" -eq 2 ] || { echo "kelmo-sim.cmd --no-such-option ended with $status, not 2"; exit 1; }
grep -q "unknown option '--no-such-option'" bad.err || { echo "no usage message:"; cat bad.err; exit 1; }
echo "kelmo-sim.cmd passes kelmo's exit code on (2 for a bad option)"
