#!/usr/bin/env bash
# The windowed kelmo.exe under the emulator, on its real windows platform plugin, on a virtual
# X screen (Xvfb) with a window manager (openbox), driven with xdotool as an operator drives
# it. The window's texts are read the way a user copies them: a click into the pane, Ctrl-A,
# Ctrl-C, and the clipboard read back by a small Windows program (window_test_helper).
#
#   sim, standin  the simulated module inside the program (KELMO_MODULE_LIBRARY=sim) or the
#                 stand-in library as Lusbapi.dll in the rig folder: the window appears with
#                 empty charts; F9 starts a run whose data file (a Russian name set by
#                 kelmo.ini) gains lines; a screenshot shows the six charts drawn; Esc ends
#                 the run and the console pane ends with the shutdown lines; F3 opens the
#                 script window and F9 there runs the script (it counts its runs in a file,
#                 and the output pane says so); Alt-F4 closes the script window and then the
#                 main window, and kelmo ends with exit code 0. On the simulated module
#                 also: F5 opens the review window on the data file, with the run's charts,
#                 and kelmo.com report --plot draws the run as .png and .pdf.
#   missing       no module library, kelmo.exe started as Explorer starts it (no console, no
#                 standard error): a message box says how to start on the simulated module,
#                 and kelmo ends with exit code 2 when it is closed.
#
# Usage: window_test.sh EMULATOR KELMO_EXE HELPER_EXE MODULE_LIBRARY_DLL WORK_DIR sim|standin|missing
# The pictures stay in WORK_DIR/run: before.png, run.png, script.png (review.png, plot.png
# and plot.pdf on the simulated module; box.png without a library).
set -euo pipefail
emulator=$1 program=$2 helper=$3 library=$4 dir=$5 module=$6

for tool in Xvfb openbox xdotool import convert iconv wineserver; do
  command -v "$tool" >/dev/null || { echo "window test: no $tool (scripts/setup.sh installs it)"; exit 1; }
done

rm -rf "$dir/run"
mkdir -p "$dir/run"
cd "$dir/run"

fail() {
  echo "FAILED: $*"
  [ -s kelmo.err ] && { echo "--- kelmo's standard error:"; cat kelmo.err; }
  exit 1
}
step() { echo "--- $*"; }

# A Wine prefix of the window tests' own: Wine's desktop process (explorer.exe) takes the
# display of the first program started under a prefix, and the other Windows tests run
# without one. The tests that use it never run at once (CTest's RESOURCE_LOCK), and each
# ends its Wine server, so the next one starts Wine afresh on its own screen.
export WINEPREFIX=$dir/../wine-window-prefix
export WINEDEBUG=-all
unset KELMO_MODULE_LIBRARY KELMO_SIM KELMO_DEBUG
export KELMO_SIM_LOCK_DIR=$PWD/slots

pids=()
kelmo_pid=""
cleanup() {
  # Wine first: its programs hold the screen open.
  wineserver -k >/dev/null 2>&1 || true
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
}
trap cleanup EXIT
trap 'exit 143' TERM INT

# --- the screen -------------------------------------------------------------------------------

# Xvfb picks a free display itself and says which.
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>display.txt >xvfb.log 2>&1 &
pids+=($!)
for _ in $(seq 100); do [ -s display.txt ] && break; sleep 0.1; done
[ -s display.txt ] || fail "Xvfb did not start: $(cat xvfb.log)"
export DISPLAY=:$(head -n1 display.txt)
openbox --sm-disable >openbox.log 2>&1 &
pids+=($!)
step "screen $DISPLAY with openbox"

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  step "a Wine prefix for the window tests (once)"
  timeout 180 "$emulator" wineboot --init </dev/null >/dev/null 2>&1 || fail "wineboot failed"
fi

# The id of the first visible window whose title matches, within the time given (tenths of
# a second); empty when none appeared or kelmo ended first.
find_window() {  # title-regex tenths
  local id=""
  for _ in $(seq "$2"); do
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n1 || true)
    [ -n "$id" ] && break
    [ -n "$kelmo_pid" ] && ! kill -0 "$kelmo_pid" 2>/dev/null && break
    sleep 0.1
  done
  echo "$id"
}

# Keys go to the window that has the focus, as the keyboard's do (Wine ignores keys sent
# to a window directly).
press() {  # window keys...
  local window=$1; shift
  xdotool windowactivate --sync "$window" >/dev/null 2>&1 || xdotool windowfocus --sync "$window"
  sleep 0.3
  xdotool key --clearmodifiers "$@"
}

# What a text pane shows: a click into it, Ctrl-A, Ctrl-C, the clipboard read back.
copy_pane() {  # window x y   (x, y within the window)
  local window=$1 x=$2 y=$3
  xdotool windowactivate --sync "$window" >/dev/null 2>&1 || true
  xdotool mousemove --window "$window" "$x" "$y" click 1
  sleep 0.3
  xdotool key --clearmodifiers ctrl+a ctrl+c
  sleep 0.5
  timeout 30 "$emulator" "$helper" clipboard 2>/dev/null | tr -d '\r' || true
}

# Waits (seconds) until the file has at least the number of CR LF lines; prints the count.
lines_of() { if [ -f "$1" ]; then grep -c $'\r$' "$1" || true; else echo 0; fi; }
wait_for_lines() {  # file count seconds
  local n=0
  for _ in $(seq $(($3 * 10))); do
    n=$(lines_of "$1")
    [ "$n" -ge "$2" ] && break
    sleep 0.1
  done
  echo "$n"
}

# Pixels of the line colour (red) in a rectangle of a picture.
red_pixels() {  # picture WxH+X+Y
  convert "$1" -crop "$2" +repage -fx 'r > 0.75 && g < 0.3 && b < 0.3' -format '%[fx:round(mean*w*h)]' info:
}
# Mean brightness (0 black .. 1 white) and the number of colours of a rectangle.
brightness() { convert "$1" -crop "$2" +repage -colorspace Gray -format '%[fx:mean]' info:; }
colours() { convert "$1" -crop "$2" +repage -format '%k' info:; }

# The windows-side path of a file here.
windows_path() { "$emulator" winepath -w "$1" 2>/dev/null; }

# --- no module library: the message box --------------------------------------------------------

if [ "$module" = missing ]; then
  printf 'begin\r\nend.\r\n' >kelmo.ini
  step "kelmo.exe started as from Explorer, without Lusbapi.dll"
  "$emulator" "$helper" start-as-explorer "$(windows_path "$PWD")" "$(windows_path "$program")" \
    >helper.out 2>kelmo.err &
  kelmo_pid=$!
  box=$(find_window '^kelmo$' 600)
  [ -n "$box" ] || fail "no message box appeared"
  import -window root box.png
  text=$(xdotool windowactivate --sync "$box" >/dev/null 2>&1; sleep 0.3; xdotool key --clearmodifiers ctrl+c;
         sleep 0.5; timeout 30 "$emulator" "$helper" clipboard 2>/dev/null | tr -d '\r' || true)
  echo "the box says:"
  echo "$text"
  grep -q 'Lusbapi.dll' <<<"$text" || fail "the box does not name Lusbapi.dll"
  grep -q 'set KELMO_MODULE_LIBRARY=sim' <<<"$text" || fail "the box does not say how to start on the simulated module"
  grep -q 'kelmo-sim.cmd' <<<"$text" || fail "the box does not name kelmo-sim.cmd"
  press "$box" Return
  status=0
  wait "$kelmo_pid" || status=$?
  [ "$status" -eq 2 ] || fail "kelmo ended with exit code $status, not 2"
  echo "kelmo ended with exit code 2 after the box"
  exit 0
fi

# --- a run in the window ------------------------------------------------------------------------

data='Данные опыта.dat'
runs='Запуски.txt'
# The settings script as the script window saves it (Windows-1251, CR LF): a short period,
# the data file's Russian name, and a count of its own runs in a file.
iconv -f UTF-8 -t CP1251 <<'EOF' | sed 's/$/\r/' >kelmo.ini
var
  runs: TStringList;
begin
  runs := TStringList.Create;
  try
    if FileExists('Запуски.txt') then runs.LoadFromFile('Запуски.txt');
    runs.Add('запуск ' + IntToStr(runs.Count + 1));
    runs.SaveToFile('Запуски.txt');
    writeLn('Запусков: ' + IntToStr(runs.Count));
  finally
    runs.Free;
  end;
  with kelmo_params do
  begin
    DATA_QUERY_PERIOD_MS := 100;
    FileName := 'Данные опыта.dat';
  end;
end.
EOF

case $module in
  sim) export KELMO_MODULE_LIBRARY=sim ;;
  standin) cp "$library" Lusbapi.dll ;;  # found in the folder kelmo starts in, under the vendor's name
  *) fail "unknown module '$module'" ;;
esac

step "kelmo.exe on the ${module} module"
"$emulator" "$program" >kelmo.out 2>kelmo.err &
kelmo_pid=$!
main=$(find_window '^kelmo 2\.0$' 600)
[ -n "$main" ] || fail "the main window did not appear"
eval "$(xdotool getwindowgeometry --shell "$main")"  # X Y WIDTH HEIGHT of the window's inside
echo "the main window: ${WIDTH}x${HEIGHT} at $X,$Y"
[ "$(lines_of "$runs")" -eq 1 ] || fail "the settings script did not run once at start-up"

# The six charts: two columns of three at the right edge, 322 pixels wide each; the value
# and its name take the top of each frame, the chart the rest.
charts=()
for column in 0 1; do
  for row in 0 1 2; do
    left=$((X + WIDTH - 644 + 322 * column + 20))
    top=$((Y + HEIGHT * row / 3 + 50))
    height=$((HEIGHT / 3 - 70))
    charts+=("280x${height}+${left}+${top}")
  done
done

sleep 1
import -window root before.png
for chart in "${charts[@]}"; do
  [ "$(red_pixels before.png "$chart")" -eq 0 ] || fail "a chart shows a line before any run ($chart)"
done

step "F9"
press "$main" F9
n=$(wait_for_lines "$data" 21 30)
[ "$n" -ge 21 ] || fail "the data file '$data' has $n lines 30 s after F9"
sleep 2
import -window root run.png
shown=0
for chart in "${charts[@]}"; do
  red=$(red_pixels run.png "$chart")
  light=$(brightness run.png "$chart")
  many=$(colours run.png "$chart")
  echo "chart $chart: $red line pixels, brightness $light, $many colours"
  [ "$red" -ge 30 ] || fail "the chart at $chart shows no line"
  awk -v b="$light" 'BEGIN { exit !(b > 0.3) }' || fail "the chart at $chart is dark"
  [ "$many" -ge 3 ] || fail "the chart at $chart is blank"
  shown=$((shown + 1))
done
during=$(lines_of "$data")
echo "$shown charts drawn; the data file has $during lines"

step "Esc"
press "$main" Escape
console=""
for _ in $(seq 20); do
  console=$(copy_pane "$main" 100 100)
  grep -q 'завершается процесс из потокового чтения' <<<"$console" && break
  sleep 0.5
done
echo "the console pane ends with:"
tail -n 8 <<<"$console"
expected=(
  'Дождались завершения потокового чтения'
  'Дождались завершения потока вычислений и отображения'
  'Дождались завершения потока контроля воздуха'
  ' ReleaseLInstance() --> OK'
  ' ADC Thread: The program was terminated! :-)'
  'завершается процесс из потокового чтения'
)
# The shutdown lines, in this order, after the run's start.
EXPECTED=$(printf '%s\n' "${expected[@]}") awk -v start=' You can press ESC key to terminate the program...' '
  BEGIN { n = split(ENVIRON["EXPECTED"], want, "\n"); i = 0 }
  $0 == start { i = 1; next }
  i >= 1 && i <= n && $0 == want[i] { i++ }
  END { exit !(i == n + 1) }' <<<"$console" ||
  fail "the console pane lacks the shutdown lines"
after=$(lines_of "$data")
sleep 1
[ "$(lines_of "$data")" -eq "$after" ] || fail "the data file still grows after Esc"
header=$(grep -c "$(printf 'Начинаю сбор данных: ' | iconv -f UTF-8 -t CP1251)" "$data" || true)
[ "$header" -eq 1 ] || fail "the data file has $header run headers, not 1"
echo "the run ended; the data file has $after lines"

if [ "$module" = sim ]; then
  step "F5: the review window on the data file"
  press "$main" F5
  review=$(find_window '^kelmo — ' 100)
  [ -n "$review" ] || fail "F5 opened no review window"
  echo "the review window: $(xdotool getwindowname "$review")"
  sleep 1
  import -window root review.png
  # The run's six charts drawn from the file, in the line colour.
  eval "$(xdotool getwindowgeometry --shell --prefix REVIEW_ "$review")"
  red=$(red_pixels review.png "${REVIEW_WIDTH}x${REVIEW_HEIGHT}+${REVIEW_X}+${REVIEW_Y}")
  echo "the review window (${REVIEW_WIDTH}x${REVIEW_HEIGHT}) shows $red line pixels"
  [ "$red" -ge 200 ] || fail "the review window shows no charts"
  press "$review" alt+F4
  for _ in $(seq 50); do [ -z "$(find_window '^kelmo — ' 1)" ] && break; sleep 0.1; done
  [ -z "$(find_window '^kelmo — ' 1)" ] || fail "Alt-F4 did not close the review window"
fi

step "F3, then F9 in the script window"
press "$main" F3
script=$(find_window '^fmScripter$' 100)
[ -n "$script" ] || fail "F3 opened no script window"
press "$script" F9
n=$(wait_for_lines "$runs" 2 20)
[ "$n" -eq 2 ] || fail "F9 in the script window did not run the script ($runs has $n lines)"
output=$(copy_pane "$script" 100 420)
echo "the output pane shows:"
echo "$output"
grep -q '^Запусков: 2$' <<<"$output" || fail "the output pane lacks the script's line"
grep -q '^Succesfully Executed$' <<<"$output" || fail "the output pane does not say the script ran"
import -window root script.png
press "$script" alt+F4
for _ in $(seq 50); do [ -z "$(find_window '^fmScripter$' 1)" ] && break; sleep 0.1; done
[ -z "$(find_window '^fmScripter$' 1)" ] || fail "Alt-F4 did not close the script window"

step "Alt-F4"
press "$main" alt+F4
status=""
for _ in $(seq 200); do
  if ! kill -0 "$kelmo_pid" 2>/dev/null; then
    status=0
    wait "$kelmo_pid" || status=$?
    break
  fi
  sleep 0.1
done
[ -n "$status" ] || fail "kelmo did not end 20 s after Alt-F4 closed its window"
[ "$status" -eq 0 ] || fail "kelmo ended with exit code $status, not 0"
[ ! -s kelmo.err ] || fail "kelmo wrote to standard error"
echo "kelmo ended with exit code 0; the data file holds the run: $after lines"

if [ "$module" = sim ]; then
  step "kelmo report --plot"
  console_program=${program%.exe}.com
  for picture in plot.png plot.pdf; do
    status=0
    timeout 60 "$emulator" "$console_program" report "$data" --plot "$picture" >report.txt 2>report.err || status=$?
    [ "$status" -eq 0 ] || fail "kelmo report --plot $picture ended with $status: $(cat report.err)"
  done
  [ "$(red_pixels plot.png "$(convert plot.png -format '%wx%h+0+0' info:)")" -ge 500 ] || fail "plot.png shows no charts"
  [ "$(head -c 5 plot.pdf)" = "%PDF-" ] || fail "plot.pdf is no PDF"
  echo "report --plot wrote plot.png ($(convert plot.png -format '%wx%h' info:)) and plot.pdf ($(stat -c %s plot.pdf) bytes)"
  # This Qt has no SVG module: a .svg name is refused, with a message that says so.
  status=0
  timeout 60 "$emulator" "$console_program" report "$data" --plot plot.svg >report.txt 2>report.err || status=$?
  [ "$status" -eq 2 ] && grep -q "no .svg pictures" report.err && [ ! -e plot.svg ] ||
    fail "report --plot plot.svg ended with $status: $(cat report.err)"
  echo "report --plot plot.svg: $(cat report.err)"
fi
