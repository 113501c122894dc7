#!/usr/bin/env bash
# Builds a libFuzzer target with clang (address and undefined-behaviour sanitizers) and runs
# it for the given number of seconds (default 600).
# Usage: scripts/fuzz.sh [script|datafile] [seconds] [build dir]
#   script    the script engine (the default)
#   datafile  the data file reader
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
target=script
case "${1:-}" in
  script|datafile) target=$1; shift ;;
esac
seconds=${1:-600}
out=${2:-$here/build-fuzz}
flags=(-std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined -I"$here/src")
if [ "$target" = script ]; then
  mkdir -p "$out/corpus"
  cp -n "$here"/tests/script/data/*.pas "$here"/tests/script_library/data/*.pas "$out/corpus/" 2>/dev/null || true
  cp -n "$here"/tests/script/fuzz/corpus/* "$out/corpus/" 2>/dev/null || true
  clang++ "${flags[@]}" \
    "$here"/tests/script/fuzz/script_fuzz.cpp "$here"/src/script/*.cpp "$here"/src/script_library/*.cpp \
    "$here"/src/platform/{text_format,date_time,cp1251,file_path,replace_file,message_box,console_text,windows_locale}.cpp \
    -o "$out/script_fuzz"
  cd "$out"
  ./script_fuzz -max_total_time="$seconds" -max_len=4096 -timeout=10 -rss_limit_mb=2048 \
    -dict="$here/tests/script/fuzz/pascal.dict" corpus
else
  mkdir -p "$out/datafile_corpus"
  cp -n "$here"/tests/datafile/fuzz/corpus/* "$out/datafile_corpus/" 2>/dev/null || true
  clang++ "${flags[@]}" \
    "$here"/tests/datafile/fuzz/data_file_fuzz.cpp "$here"/src/datafile/*.cpp \
    "$here"/src/platform/{date_time,file_path}.cpp \
    -o "$out/datafile_fuzz"
  cd "$out"
  ./datafile_fuzz -max_total_time="$seconds" -max_len=8192 -timeout=10 -rss_limit_mb=2048 \
    -dict="$here/tests/datafile/fuzz/datafile.dict" datafile_corpus
fi
