#!/usr/bin/env bash
# The window's cost during a test run: starts kelmo with its window under a virtual X display
# in a scratch rig folder (simulated module), presses F9, lets the run go and prints the
# CPU share of the kelmo process (and of the X server, which does the drawing on the screen)
# over the measured span, and kelmo's memory at its end.
#
# Usage: window_cpu.sh [SECONDS] [PERIOD_MS] [AIR_DELAY_MS AIR_LENGTH_MS] [BUILD_DIR]
#   defaults: 30 s, 200 ms, air 0/0 (the valve's defaults), build/
# KELMO_BENCH_WARMUP sets the seconds between F9 and the measured span (default 3); the
# charts reach their steady state (full window, settled ranges) once the window has filled,
# so a warm-up of chartRangeSec or more measures how the window runs all day.
# Run by hand; not part of the test command.
set -euo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
seconds=${1:-30}
period=${2:-200}
air_delay=${3:-0}
air_length=${4:-0}
build=${5:-$here/build}
kelmo=$build/src/app/kelmo
[ -x "$kelmo" ] || { echo "window_cpu: $kelmo not built" >&2; exit 1; }
kelmo=$(cd "$(dirname "$kelmo")" && pwd)/kelmo  # kelmo starts in the scratch folder
warmup=${KELMO_BENCH_WARMUP:-3}

rig=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$rig"
}
trap cleanup EXIT

cat >"$rig/kelmo.ini" <<INI
begin
  with kelmo_params do
  begin
    DATA_QUERY_PERIOD_MS := $period;
    airDelay := $air_delay;
    airLength := $air_length;
  end;
end.
INI

# Xvfb picks a display number no other server uses (the machine may run several) and
# writes it once it accepts connections.
Xvfb -displayfd 3 -screen 0 1024x700x24 -nolisten tcp 3>"$rig/display" >/dev/null 2>&1 &
xvfb=$!
pids+=("$xvfb")
for _ in $(seq 100); do [ -s "$rig/display" ] && break; sleep 0.1; done
[ -s "$rig/display" ] || { echo "window_cpu: Xvfb did not start" >&2; exit 1; }
export DISPLAY=:$(head -n1 "$rig/display")

(cd "$rig" && exec env -u QT_QPA_PLATFORM "$kelmo" -platform xcb >"$rig/kelmo.out" 2>&1) &
kelmo_pid=$!
pids+=("$kelmo_pid")

window=""
for _ in $(seq 100); do
  window=$(xdotool search --name '^kelmo 2\.0$' 2>/dev/null | head -n1 || true)
  [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || { echo "window_cpu: the kelmo window did not appear" >&2; exit 1; }
xdotool windowmove "$window" 0 0 windowsize "$window" 1024 700
xdotool windowfocus --sync "$window"
sleep 1
xdotool key --window "$window" F9
sleep "$warmup"

ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }  # utime + stime, in clock ticks
main_ticks() { ticks "$kelmo_pid/task/$kelmo_pid"; }  # the main thread: the window's share
# The simulated module's own thread stands for the module and its driver, which a rig does
# not run in kelmo's process: its share is shown apart.
sim_tid=$(grep -lx SimModule /proc/"$kelmo_pid"/task/*/comm 2>/dev/null | head -n1 | cut -d/ -f5 || true)
sim_ticks() { if [ -n "$sim_tid" ]; then ticks "$kelmo_pid/task/$sim_tid"; else echo 0; fi; }
hz=$(getconf CLK_TCK)
k0=$(ticks "$kelmo_pid"); m0=$(main_ticks); s0=$(sim_ticks); x0=$(ticks "$xvfb"); t0=$(date +%s.%N)
sleep "$seconds"
k1=$(ticks "$kelmo_pid"); m1=$(main_ticks); s1=$(sim_ticks); x1=$(ticks "$xvfb"); t1=$(date +%s.%N)
rss=$(awk '/^VmRSS/ { print $2 }' "/proc/$kelmo_pid/status")
xdotool key --window "$window" Escape
sleep 1
lines=$(($(wc -l <"$rig/test.dat" 2>/dev/null || echo 1) - 1))

awk -v k="$((k1 - k0))" -v m="$((m1 - m0))" -v sim="$((s1 - s0))" -v x="$((x1 - x0))" -v hz="$hz" -v t0="$t0" -v t1="$t1" -v rss="$rss" \
    -v period="$period" -v ad="$air_delay" -v al="$air_length" -v lines="$lines" 'BEGIN {
  span = t1 - t0
  printf "period %d ms, air %d/%d ms, measured %.1f s after a %d s warm-up\n", period, ad, al, span, '"$warmup"'
  printf "kelmo:  %.2f %% of a core, memory (RSS) %.1f MB at the end\n", 100 * k / hz / span, rss / 1024
  printf "        of which the main (window) thread %.2f %%\n", 100 * m / hz / span
  printf "        of which the simulated module %.2f %% (a rig has the module instead)\n", 100 * sim / hz / span
  printf "Xvfb:   %.2f %% of a core\n", 100 * x / hz / span
  printf "data lines written: %d\n", lines
}'
