#!/usr/bin/env bash
# Configures and builds into ./build (or $BUILD_DIR): the targets named as arguments, or all of them.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$root/build}"
launcher=()
# ccache, when there, makes a rebuild in a fresh clone cheap; paths under the project count as relative.
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$root}"
fi
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}"
targets=()
for target in "$@"; do
  targets+=(--target "$target")
done
cmake --build "$build" --parallel "$(nproc)" "${targets[@]}"
