#!/usr/bin/env bash
# Installs, builds with AddressSanitizer and UndefinedBehaviorSanitizer (Debug) into ./build-sanitize (or
# $BUILD_DIR) and runs every test there. Slow, so it is a command of its own, not part of tools/test.sh.
# Arguments are passed to ctest, e.g. `-R test_page_stamp` to run one suite again.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$root/build-sanitize}"
supp="$root/tools/sanitize"
"$root/tools/install-deps.sh"
bash "$root/tools/install-packages.sh" ccache
sanitizers="-fsanitize=address,undefined -fno-omit-frame-pointer"
CCACHE_BASEDIR="$root" cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_FLAGS="$sanitizers"
CCACHE_BASEDIR="$root" cmake --build "$build" --parallel "$(nproc)"
# Every finding ends its test program with a failure; what is suppressed lies in system libraries and
# says why in its file.
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:exitcode=23"
export LSAN_OPTIONS="suppressions=$supp/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1:suppressions=$supp/ubsan.supp"
cd "$build"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure --parallel "$(nproc)" "$@"
