#!/usr/bin/env bash
# Builds kelmo and starts it in the folder of the example settings (kelmo.ini, test.dat).
# Extra arguments go to the program, e.g. `scripts/run.sh --headless --duration 10`.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
bash "$here/scripts/build.sh" "$here/build"
mkdir -p "$here/rig"
[ -f "$here/rig/kelmo.ini" ] || cp "$here/docs/kelmo.ini" "$here/rig/kelmo.ini"
cd "$here/rig"
if [ $# -eq 0 ] && [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "run: no display; starting the headless run for 10 seconds (Ctrl-C stops it)" >&2
  exec "$here/build/src/app/kelmo" --headless --duration 10
fi
exec "$here/build/src/app/kelmo" "$@"
