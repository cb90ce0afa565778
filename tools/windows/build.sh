#!/usr/bin/env bash
# Cross-builds the program, its tests and the fake converter as Windows executables against the
# MinGW-w64 Qt from build-qt.sh (built first when its cache is missing), and lays out the program
# with the DLLs and plugins it needs in <build>/dist.
# Build folder: $WIN_BUILD_DIR, by default build-windows/ in the repository.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"
build="${WIN_BUILD_DIR:-$root/build-windows}"
jobs="${VELMORA_JOBS:-$(nproc)}"

qt="$(bash "$here/build-qt.sh" | tail -n1)"

# The Windows Qt has no QtSvg, so the icons are rendered to PNG by this small Linux tool.
cmake -S "$here/svg-to-png" -B "$build/host-svg-to-png" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build/host-svg-to-png" --parallel "$jobs"

cmake -S "$root" -B "$build/windows" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$qt/lib/cmake/Qt6/qt.toolchain.cmake" \
  -DQT_CHAINLOAD_TOOLCHAIN_FILE="$here/mingw-w64.cmake" \
  -DVELMORA_SVG_TO_PNG="$build/host-svg-to-png/svg-to-png" >/dev/null
cmake --build "$build/windows" --parallel "$jobs"

# What the installed program needs beside it: the window program and the console one, Qt's DLLs, the
# MinGW runtime, the platform and style plugins, and the empty bin folder where wkhtmltopdf.exe belongs.
dist="$build/dist"
rm -rf "$dist"
mkdir -p "$dist/platforms" "$dist/styles" "$dist/bin"
cp "$build/windows/HTML2PDFConverter.exe" "$build/windows/velmora-html2pdf.exe" "$dist/"
cp "$qt"/bin/Qt6{Core,Gui,Widgets}.dll "$dist/"
cp "$qt/plugins/platforms/qwindows.dll" "$dist/platforms/"
cp "$qt/plugins/styles/qwindowsvistastyle.dll" "$dist/styles/"
for dll in libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll; do
  cp "$(x86_64-w64-mingw32-g++-posix -print-file-name="$dll")" "$dist/"
done
echo "$build"
