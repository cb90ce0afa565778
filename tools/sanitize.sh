#!/usr/bin/env bash
# Installs, builds with AddressSanitizer and UndefinedBehaviorSanitizer (Debug) into ./build-sanitize (or
# $BUILD_DIR) and runs every test there. Slow, so it is a command of its own, not part of tools/test.sh.
# Arguments are passed to ctest, e.g. `-R test_page_stamp` to run one suite again.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$root/build-sanitize}"
"$root/tools/install-deps.sh"
bash "$root/tools/install-packages.sh" ccache
export CCACHE_BASEDIR="$root"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER_LAUNCHER=ccache \
  -DCMAKE_CXX_FLAGS="-fsanitize=address,undefined -fno-omit-frame-pointer"
cmake --build "$build" --parallel "$(nproc)"
# A finding, a leak at exit included, ends the process that meets it with a failing status: a test
# program fails its suite, and a fake converter or browser changes the outcome its test checks.
export ASAN_OPTIONS="detect_leaks=1:exitcode=23"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
cd "$build"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure --parallel "$(nproc)" "$@"
