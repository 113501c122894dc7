#!/usr/bin/env bash
# Takes docs/screenshot.png: starts kelmo under a virtual X display in a scratch rig folder
# (simulated module, example settings), presses F9, lets the run go for a few seconds and
# photographs the screen.  Usage: screenshot.sh [BUILD_DIR]   (default: build)
# SCREENSHOT_SETTINGS=FILE uses another settings script (a 10 ms period, say) than the example.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build}
kelmo=$build/src/app/kelmo
[ -x "$kelmo" ] || bash "$here/scripts/build.sh" "$build"

rig=$(mktemp -d)
display=:$((90 + RANDOM % 100))
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$rig"
}
trap cleanup EXIT

cp "${SCREENSHOT_SETTINGS:-$here/docs/kelmo.ini}" "$rig/kelmo.ini"
Xvfb "$display" -screen 0 1024x700x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
export DISPLAY=$display
for _ in $(seq 50); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done

(cd "$rig" && exec env -u QT_QPA_PLATFORM "$kelmo" -platform xcb) &
pids+=($!)

# The window appears once the settings script has run.
window=""
for _ in $(seq 100); do
  window=$(xdotool search --name '^kelmo 2\.0$' 2>/dev/null | head -n1 || true)
  [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || { echo "screenshot: the kelmo window did not appear" >&2; exit 1; }

# No window manager: place the window at the corner and give it the keyboard.
xdotool windowmove "$window" 0 0 windowsize "$window" 1024 700
xdotool windowfocus --sync "$window"
sleep 1
xdotool key --window "$window" F9
sleep "${SCREENSHOT_SECONDS:-6}"
import -window root "$here/docs/screenshot.png"
xdotool key --window "$window" Escape
sleep 1
echo "screenshot: $here/docs/screenshot.png"
