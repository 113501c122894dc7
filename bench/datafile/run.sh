#!/usr/bin/env bash
# Reading data files, against a plain Python csv reader doing the same work, and the time
# and memory of kelmo report --plot on the same file.
# Usage: bench/datafile/run.sh [build dir] [lines]   (the file goes to /tmp)
set -euo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$here/build}
lines=${2:-8640000}
file=/tmp/kelmo-bench-$lines.dat
cmake --build "$build" --target bench_generate_data_file bench_datafile_read kelmo >/dev/null
if [ ! -s "$file" ]; then
  echo "generating $file ($lines lines)"
  "$build/bench/datafile/bench_generate_data_file" "$file" "$lines"
fi
echo "file: $file, $(du -m "$file" | cut -f1) MB; machine load: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores"
ours=$("$build/bench/datafile/bench_datafile_read" "$file")
echo "$ours"
python=$(/usr/bin/python3 "$here/bench/datafile/csv_reader.py" "$file")
echo "$python" | head -1
kelmo_s=$(echo "$ours" | sed -E 's/.*best of 3: ([0-9.]+) s.*/\1/')
python_s=$(echo "$python" | sed -n 's/^seconds=//p')
echo "ratio: python csv takes $(/usr/bin/python3 -c "print(f'{$python_s / $kelmo_s:.1f}')") times as long as kelmo's reader"
png=/tmp/kelmo-bench-plot.png
/usr/bin/time -f "report --plot: %e s elapsed, %M KB peak memory" \
  "$build/src/app/kelmo" report "$file" --plot "$png" >/dev/null
