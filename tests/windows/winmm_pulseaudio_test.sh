#!/usr/bin/env bash
# The generator's winmm backend under Wine, playing into the null sink of a private
# PulseAudio server; the sink's monitor is recorded with parec and the recording must hold
# whole periods of the pattern of data/play_discharge.pas at its exact levels.
# Usage: winmm_pulseaudio_test.sh EMULATOR KELMO_EXE MODULE_LIBRARY_DLL SCRATCH_DIR
set -u
emulator=$1 program=$2 library=$3 dir=$4
here=$(cd "$(dirname "$0")" && pwd)
for tool in pulseaudio pactl parec lua5.4; do
  command -v "$tool" >/dev/null || { echo "SKIPPED: $tool is not installed"; exit 0; }
done
rm -rf "$dir" && mkdir -p "$dir/pulse" && cd "$dir" || exit 1
cp "$here/data/play_discharge.pas" .
# kelmo chooses the module library at start, before the script: the stand-in, found in the
# folder kelmo starts in.
cp "$library" Lusbapi.dll

export PULSE_RUNTIME_PATH=$dir/pulse PULSE_SERVER=unix:$dir/pulse/native
pulseaudio -n --daemonize=no --exit-idle-time=-1 --disallow-exit --use-pid-file=no \
  --load="module-native-protocol-unix socket=$dir/pulse/native auth-anonymous=1" \
  --load="module-null-sink sink_name=rig rate=44100 channels=2" >pulseaudio.log 2>&1 &
server=$!
recorder=""
finish() {
  [ -n "$recorder" ] && kill "$recorder" 2>/dev/null && wait "$recorder" 2>/dev/null
  kill "$server" 2>/dev/null && wait "$server" 2>/dev/null
}
trap finish EXIT
for _ in $(seq 100); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
pactl set-default-sink rig && pactl set-default-source rig.monitor && pactl set-sink-volume rig 100% ||
  { echo "the PulseAudio server does not answer"; cat pulseaudio.log; exit 1; }

parec -d rig.monitor --format=s16le --rate=44100 --channels=2 --raw >recording.raw 2>parec.log &
recorder=$!
KELMO_SOUND=winmm KELMO_DEBUG=stderr KELMO_MODULE_LIBRARY= "$emulator" "$program" --run-script play_discharge.pas \
  >kelmo.out 2>kelmo.err
status=$?
sleep 0.3
kill "$recorder" && wait "$recorder" 2>/dev/null
recorder=""
[ $status -eq 0 ] || { echo "kelmo --run-script ended with $status"; cat kelmo.out kelmo.err; exit 1; }
grep -q "^waveOutWrite 1 succeeded" kelmo.err || { echo "no block was written"; cat kelmo.err; exit 1; }

# The pattern: 2205 frames at 16384 on the left, 220 silent, 44 at -32768 on the right, 220
# silent. Blocks the generator drops as late leave silence between the blocks played, so
# the recording is checked for the pattern's levels, pulse widths and pauses, not for one
# unbroken stream.
lua5.4 - recording.raw <<'LUA'
local data = assert(io.open(arg[1], "rb")):read("a")
local frames = #data // 4
local left, right, stray = {}, {}, 0
for i = 1, frames do
  local l, r = string.unpack("<i2<i2", data, 4 * (i - 1) + 1)
  left[i], right[i] = l, r
  if (l ~= 0 and l ~= 16384) or (r ~= 0 and r ~= -32768) then stray = stray + 1 end
  if l ~= 0 and r ~= 0 then stray = stray + 1 end  -- the pulses never overlap
end
-- Runs of equal samples on one channel: value and length, in order.
local function runs(t)
  local out, value, length = {}, t[1], 0
  for i = 1, frames do
    if t[i] == value then length = length + 1
    else out[#out + 1] = {value, length}; value, length = t[i], 1 end
  end
  out[#out + 1] = {value, length}
  return out
end
local charges, longCharge, longDischarge, pauses = 0, 0, 0, 0
local r = runs(right)
for i = 2, #r - 1 do  -- the first and last runs may be cut by the recording
  if r[i][1] == -32768 then
    if r[i][2] == 44 then charges = charges + 1 elseif r[i][2] > 44 then longCharge = longCharge + 1 end
  end
end
local l = runs(left)
for i = 2, #l - 1 do
  if l[i][1] == 16384 and l[i][2] > 2205 then longDischarge = longDischarge + 1 end
  -- Between two discharge pulses of one block: pause, charge pulse, pause.
  if l[i][1] == 0 and l[i][2] == 484 and l[i - 1][1] == 16384 and l[i + 1][1] == 16384 then pauses = pauses + 1 end
end
print(string.format("%d frames recorded: %d charge pulses of 44 frames, %d discharge-to-discharge gaps of 484 frames, " ..
                    "%d samples off the levels, %d pulses too long", frames, charges, pauses, stray, longCharge + longDischarge))
if stray > 0 or longCharge + longDischarge > 0 or charges < 3 or pauses < 3 then os.exit(1) end
LUA
