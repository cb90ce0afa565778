#!/usr/bin/env bash
# Configures and builds into ./build (or $BUILD_DIR): the targets named as arguments, or all of them.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$root/build}"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
targets=()
for target in "$@"; do
  targets+=(--target "$target")
done
cmake --build "$build" --parallel "$(nproc)" "${targets[@]}"
