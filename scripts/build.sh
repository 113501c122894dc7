#!/usr/bin/env bash
# Configures and builds one build tree.  Usage: build.sh DIR [cmake options...]
# Uses ccache when it is installed: paths below the tree are hashed relative to it, so
# several checkouts share one cache.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
dir=$1; shift
launcher=()
if command -v ccache >/dev/null; then
  export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$here}
  # Debug info then names the cache's first tree, but a fresh checkout builds from the cache.
  export CCACHE_NOHASHDIR=${CCACHE_NOHASHDIR:-1}
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
cmake -S "$here" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" "$@" >/dev/null
cmake --build "$dir" -j "$(nproc)"
