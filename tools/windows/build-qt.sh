#!/usr/bin/env bash
# Cross-builds the Qt modules the Windows program and its tests need (Core, Gui,
# Widgets, Network, Test; the windows and offscreen platform plugins, and the
# Schannel TLS backend, so secure sockets use Windows' own TLS) with
# MinGW-w64, from Debian's own Qt source of the same version as the Linux Qt,
# whose tools (moc, rcc, uic) it reuses. Builds in a cache folder outside the
# repository and does nothing when that is already complete. Only the targets
# the program needs are built and nothing is installed: Qt's build tree exports
# its CMake packages, so it serves as the Qt prefix. The first build takes about
# 35-60 minutes on two cores; a module added to the list below later is built
# on top of the cache.
# Prints the Qt prefix (the build tree) as its last line.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
if [ "$(id -u)" -eq 0 ]; then
  cache="${VELMORA_QT_MINGW_CACHE:-/var/cache/velmora-qt-mingw}"
else
  cache="${VELMORA_QT_MINGW_CACHE:-$HOME/.cache/velmora/qt6-mingw}"
fi
prefix="$cache/build"
jobs="${VELMORA_JOBS:-$(nproc)}"
# In build order: Core and Test first (the engine and settings tests need
# nothing more), then what the UI tests need (offscreen), and last what only
# the installed program needs.
targets=(Core Test EntryPointImplementation Gui Widgets QOffscreenIntegrationPlugin
  Network QSchannelBackendPlugin QWindowsIntegrationPlugin QWindowsVistaStylePlugin)

if grep -qxF "targets: ${targets[*]}" "$prefix/.complete" 2>/dev/null; then
  echo "$prefix"
  exit 0
fi

packages=(g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix dpkg-dev
  cmake ninja-build perl xz-utils qt6-base-dev qt6-base-dev-tools)
bash "$(dirname "$0")/../install-packages.sh" "${packages[@]}"

mkdir -p "$cache"
# Qt records the toolchain file's path; a copy in the cache keeps it valid
# wherever the repository is cloned.
cmp -s "$here/mingw-w64.cmake" "$cache/mingw-w64.cmake" || cp "$here/mingw-w64.cmake" "$cache/mingw-w64.cmake"

# The source, from Debian's archive.
version="$(dpkg-query -W -f='${source:Version}' qt6-base-dev)"
upstream="${version%%+*}"
src="$cache/qtbase-src"
[ -f "$src/CMakeLists.txt" ] || bash "$here/debian-source.sh" "$cache" "qt6-base=$version" "$src"

build="$prefix"
host_cmake_dir="$(dirname "$(dpkg -L qt6-base-dev | grep -m1 '/cmake/Qt6/Qt6Config.cmake$')")"
host_cmake_dir="$(dirname "$host_cmake_dir")"
if [ ! -f "$build/build.ninja" ]; then
  # Release only, shared, no examples or tests, and the modules and features
  # the program does not use turned off. The source lacks the tablet header, so
  # tablet events are off; OpenGL stays dynamic because the 6.4 windows
  # platform plugin needs it.
  cmake -S "$src" -B "$build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$cache/mingw-w64.cmake" \
    -DCMAKE_BUILD_TYPE=Release \
    -DQT_HOST_PATH=/usr \
    -DQT_HOST_PATH_CMAKE_DIR="$host_cmake_dir" \
    -DQT_QMAKE_TARGET_MKSPEC=win32-g++ \
    -DBUILD_SHARED_LIBS=ON \
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
    -DQT_BUILD_MANUAL_TESTS=OFF \
    -DINPUT_opengl=dynamic \
    -DFEATURE_tabletevent=OFF \
    -DFEATURE_sql=OFF -DFEATURE_printsupport=OFF -DFEATURE_concurrent=OFF \
    -DFEATURE_xml=OFF -DFEATURE_dbus=OFF -DFEATURE_vulkan=OFF \
    -DFEATURE_openssl=OFF -DFEATURE_icu=OFF -DFEATURE_glib=OFF \
    -DFEATURE_zstd=OFF -DFEATURE_brotli=OFF -DFEATURE_pkg_config=OFF \
    -DFEATURE_jpeg=OFF \
    -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF \
    -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_freetype=OFF \
    -DFEATURE_system_png=OFF -DFEATURE_system_jpeg=OFF \
    -DFEATURE_system_doubleconversion=OFF -DFEATURE_system_libb2=OFF
fi
for target in "${targets[@]}"; do
  cmake --build "$build" --parallel "$jobs" --target "$target"
done
printf 'qt6-base %s for MinGW-w64, built %s\ntargets: %s\n' "$upstream" "$(date -u +%FT%TZ)" \
  "${targets[*]}" >"$prefix/.complete"
echo "$prefix"
