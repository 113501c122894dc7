#!/usr/bin/env bash
# Builds the script engine's libFuzzer target with clang (address and undefined-behaviour
# sanitizers) and runs it for the given number of seconds (default 600).
# Usage: scripts/fuzz.sh [seconds] [build dir]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-600}
out=${2:-$here/build-fuzz}
mkdir -p "$out/corpus"
cp -n "$here"/tests/script/data/*.pas "$out/corpus/" 2>/dev/null || true
cp -n "$here"/tests/script/fuzz/corpus/* "$out/corpus/" 2>/dev/null || true
clang++ -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  -I"$here/src" \
  "$here"/tests/script/fuzz/script_fuzz.cpp "$here"/src/script/*.cpp \
  "$here"/src/platform/text_format.cpp "$here"/src/platform/date_time.cpp \
  -o "$out/script_fuzz"
cd "$out"
./script_fuzz -max_total_time="$seconds" -max_len=4096 -timeout=10 -rss_limit_mb=2048 \
  -dict="$here/tests/script/fuzz/pascal.dict" corpus
