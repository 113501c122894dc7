#!/usr/bin/env bash
# Measures the discharge generator on a real sound server path: a private PulseAudio server
# with a null sink "rig" (its monitor the default source), kelmo --run-script playing the
# pattern for the given time, the sink's monitor recorded with parec and compared frame by
# frame with the pattern.
#
# Usage: measure-discharge.sh [--seconds N] [--runs N] [--sound VALUE] [--stress]
#                             [--build DIR] [--keep DIR]
#   --seconds N    playing time per run (default 60)
#   --runs N       consecutive runs (default 1)
#   --sound VALUE  KELMO_SOUND for kelmo (default: unset, the Linux default device)
#   --stress       keep every core busy with stress-ng during each run
#   --build DIR    build tree holding kelmo (default: build)
#   --keep DIR     keep each run's recording and debug output in DIR/run-N
#
# Per run it prints: frames recorded, pattern periods found, slips (frames outside the
# pattern's expected position: 1 to 3 frames too many or too few), underruns (silent gaps
# inside the pattern, and what the generator counted), other disturbances, and the
# first-block latency. Exits 1 when any run has a slip, 2 when the set-up fails.
set -u
here=$(cd "$(dirname "$0")/.." && pwd)
seconds=60 runs=1 sound="" stress=0 build="$here/build" keep=""
while (($#)); do
  case $1 in
    --seconds) seconds=$2; shift 2 ;;
    --runs) runs=$2; shift 2 ;;
    --sound) sound=$2; shift 2 ;;
    --stress) stress=1; shift ;;
    --build) build=$2; shift 2 ;;
    --keep) keep=$2; shift 2 ;;
    *) echo "measure-discharge: unknown argument $1" >&2; exit 2 ;;
  esac
done
program=$build/src/app/kelmo
[ -x "$program" ] || { echo "measure-discharge: no kelmo at $program (build first, or --build DIR)" >&2; exit 2; }
for tool in pulseaudio pactl parec lua5.4; do
  command -v "$tool" >/dev/null || { echo "measure-discharge: $tool is not installed (scripts/setup.sh)" >&2; exit 2; }
done
if ((stress)) && ! command -v stress-ng >/dev/null; then
  echo "measure-discharge: stress-ng is not installed (scripts/setup.sh)" >&2; exit 2
fi

dir=$(mktemp -d /tmp/kelmo-measure-XXXXXX)
mkdir -p "$dir/pulse"
server="" recorder="" loader=""
finish() {
  for p in $recorder $loader $server; do kill "$p" 2>/dev/null && wait "$p" 2>/dev/null; done
  rm -rf "$dir"
}
trap finish EXIT
trap 'exit 2' INT TERM

# The server of this measurement alone: its own runtime folder and socket.
export PULSE_RUNTIME_PATH=$dir/pulse PULSE_SERVER=unix:$dir/pulse/native XDG_RUNTIME_DIR=$dir/pulse
export HOME=$dir  # keeps the server's and clients' state files out of the user's folder
pulseaudio -n --daemonize=no --exit-idle-time=-1 --disallow-exit --use-pid-file=no \
  --load="module-native-protocol-unix socket=$dir/pulse/native auth-anonymous=1" \
  --load="module-null-sink sink_name=rig rate=44100 channels=2" >"$dir/pulseaudio.log" 2>&1 &
server=$!
for _ in $(seq 100); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
if ! pactl set-default-sink rig || ! pactl set-default-source rig.monitor || ! pactl set-sink-volume rig 100%; then
  echo "measure-discharge: the private PulseAudio server does not answer" >&2
  cat "$dir/pulseaudio.log" >&2
  exit 2
fi

# 50 ms at half scale on the left, 5 ms pause, 1 ms at -1/4 scale on the right, 5 ms pause:
# 2205 + 220 + 44 + 220 = 2689 frames.
cat >"$dir/play.pas" <<PAS
begin
  with kelmo_params do
  begin
    dischargeTimemS := 50;
    afterDischargePauseMs := 5;
    chargeTimemS := 1;
    afterChargePauseMs := 5;
    dischargeURel := 0.5;
    chargeURel := -0.25;
  end;
  startAsymmetricDischarge;
  Sleep(${seconds}000);
  stopAsymmetricDischarge;
end.
PAS

echo "measure-discharge: $runs run(s) of $seconds s, KELMO_SOUND=${sound:-(unset)}$( ((stress)) && echo ', stress-ng on every core'); load: $(cut -d' ' -f1-3 /proc/loadavg)"
failed=0
for run in $(seq "$runs"); do
  rm -f "$dir/recording.raw" "$dir/debug.txt"
  recordFrom=$(date +%s%N)
  parec -d rig.monitor --format=s16le --rate=44100 --channels=2 --raw >"$dir/recording.raw" 2>"$dir/parec.log" &
  recorder=$!
  sleep 0.5  # the recorder is connected before the first block can arrive
  if ((stress)); then
    stress-ng --cpu "$(nproc)" --timeout "$((seconds + 10))s" >/dev/null 2>&1 &
    loader=$!
  fi
  startedAt=$(date +%s%N)
  ( cd "$dir" && if [ -n "$sound" ]; then export KELMO_SOUND=$sound; else unset KELMO_SOUND; fi
    KELMO_DEBUG=$dir/debug.txt "$program" --run-script play.pas >"$dir/kelmo.out" 2>&1 )
  status=$?
  sleep 0.5  # the tail of the sound reaches the monitor
  kill "$recorder" && wait "$recorder" 2>/dev/null
  recorder=""
  if [ -n "$loader" ]; then kill "$loader" 2>/dev/null && wait "$loader" 2>/dev/null; loader=""; fi
  if [ $status -ne 0 ]; then
    echo "run $run: kelmo --run-script ended with $status:"; sed 's/^/  /' "$dir/kelmo.out"
    failed=1
    continue
  fi
  summary=$(grep -a '^DischargeThread: .* blocks synthesized' "$dir/debug.txt" | tail -1)
  # Frames recorded before kelmo started, for the latency of the first sound (the
  # recorder's own start-up makes it an estimate).
  before=$(((startedAt - recordFrom) * 441 / 10000000))
  lua5.4 - "$dir/recording.raw" "$run" "$before" "$summary" <<'LUA' || failed=1
local path, run, before, summary = arg[1], arg[2], tonumber(arg[3]), arg[4]
local data = assert(io.open(path, "rb")):read("a")
local frames = #data // 4
local L, R = {}, {}
for i = 1, frames do
  L[i], R[i] = string.unpack("<i2<i2", data, 4 * i - 3)
end
local nD, pD, nC, pC, aD, aC = 2205, 220, 44, 220, 16384, -8192
local T = nD + pD + nC + pC
local function want(u) -- left, right at phase u
  return (u < nD) and aD or 0, (u >= nD + pD and u < nD + pD + nC) and aC or 0
end
local function silent(f) return L[f] == 0 and R[f] == 0 end
local first = 1
while first <= frames and silent(first) do first = first + 1 end
local last = frames
while last > first and silent(last) do last = last - 1 end
local function matches(f, start)
  local l, r = want((f - start) % T)
  return L[f] == l and R[f] == r
end
local function matchesFrom(f, start)
  if f < 1 then return false end
  for g = f, math.min(f + T - 1, last) do
    if not matches(g, start) then return false end
  end
  return true
end
-- The next frame from g on where a discharge pulse starts and a whole period matches.
local function resync(g)
  while g <= last - T do
    if L[g] == aD and (g == 1 or L[g - 1] ~= aD) and matchesFrom(g, g) then return g end
    g = g + 1
  end
  return nil
end
local periods, slips, slipFrames, gaps, gapFrames, disturbances = 0, 0, 0, 0, 0, 0
local notes = {}
local function note(text) if #notes < 8 then notes[#notes + 1] = text end end
-- A sink renders ahead; when the stream starts it rewinds to play it at once, and what its
-- monitor had already delivered stays: the recording may begin inside the first pulse. The
-- comparison starts at the first whole discharge pulse.
local aligned = last - first >= 2 * T and resync(first) or nil
if aligned and aligned > first then
  note(string.format("the recording begins %d frames before the first whole pulse", aligned - first))
end
if aligned then
  local stop = last - T -- playing stops in the middle of a period
  local start, f, intact = aligned, aligned, true
  while f <= stop do
    if f > start and (f - start) % T == 0 then
      if intact then periods = periods + 1 end
      intact = true
    end
    if not matches(f, start) then
      local fixed = false
      for extra = 1, 3 do -- frames inserted
        if matchesFrom(f + extra, start + extra) then
          slips, slipFrames = slips + 1, slipFrames + extra
          local values = {}
          for g = f, f + extra - 1 do values[#values + 1] = L[g] .. "/" .. R[g] end
          note(string.format("slip at frame %d (phase %d): %d extra (%s)", f - 1, (f - start) % T, extra,
                             table.concat(values, " ")))
          start, f, fixed = start + extra, f + extra, true
          break
        end
      end
      if not fixed then
        for missing = 1, 3 do -- frames lost
          if matchesFrom(f, start - missing) then
            slips, slipFrames = slips + 1, slipFrames + missing
            note(string.format("slip at frame %d (phase %d): %d missing", f - 1, (f - start) % T, missing))
            start, fixed = start - missing, true
            break
          end
        end
      end
      if not fixed then
        intact = false
        local g = f
        if silent(f) then
          while g <= last and silent(g) do g = g + 1 end
          gaps, gapFrames = gaps + 1, gapFrames + (g - f)
          note(string.format("gap at frame %d: %d silent frames", f - 1, g - f))
          if matchesFrom(g, start + (g - f)) then
            start, f, fixed = start + (g - f), g, true
          end
        else
          disturbances = disturbances + 1
          note(string.format("disturbance at frame %d (phase %d): %d/%d", f - 1, (f - start) % T, L[f], R[f]))
        end
        if not fixed then
          local s = resync(g + 1)
          if s == nil then break end
          start, f = s, s
        end
      end
    else
      f = f + 1
    end
  end
end
local counted = summary:match("(%d+) underruns seen") or "?"
local firstBlock = summary:match("first input block (.*)$") or "?"
local firstSound = first <= frames and string.format("about %.0f ms", (first - 1 - before) * 1000 / 44100) or "never"
print(string.format("run %s: %d frames recorded, %d periods found, %d slips (%d frames), %d underruns " ..
                    "(gaps in the recording, %d silent frames; the generator saw %s), %d other disturbances; " ..
                    "first input block %s, first sound %s after start",
                    run, frames, periods, slips, slipFrames, gaps, gapFrames, counted, disturbances,
                    firstBlock, firstSound))
for _, n in ipairs(notes) do print("  " .. n) end
print("  " .. (summary ~= "" and summary or "no summary line in the debug output"))
if frames == 0 or periods == 0 then print("  nothing of the pattern was recorded") os.exit(1) end
if slips > 0 then os.exit(1) end
LUA
  if [ -n "$keep" ]; then
    mkdir -p "$keep/run-$run" && cp "$dir/recording.raw" "$dir/debug.txt" "$dir/kelmo.out" "$keep/run-$run/"
  fi
done
echo "measure-discharge: load after: $(cut -d' ' -f1-3 /proc/loadavg)"
exit $failed
