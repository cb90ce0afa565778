#!/usr/bin/env bash
# Cross-builds the program, its tests and the fake converter as Windows executables against the
# MinGW-w64 Qt from build-qt.sh and the qpdf from build-qpdf.sh (each built first when its cache is
# missing), and lays out the program with the DLLs and plugins it needs in <build>/dist.
# Build folder: $WIN_BUILD_DIR, by default build-windows/ in the repository.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"
build="${WIN_BUILD_DIR:-$root/build-windows}"
jobs="${VELMORA_JOBS:-$(nproc)}"

qt="$(bash "$here/build-qt.sh" | tail -n1)"
qpdf="$(bash "$here/build-qpdf.sh" | tail -n1)"

# The Windows Qt has no QtSvg, so the icons are rendered to PNG by this small Linux tool.
cmake -S "$here/svg-to-png" -B "$build/host-svg-to-png" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build/host-svg-to-png" --parallel "$jobs"

# pkg-config sees the Windows qpdf and nothing of the build machine's own libraries; the library it
# names is looked for among the Windows ones (the cross build looks for libraries only under its roots).
export PKG_CONFIG_LIBDIR="$qpdf/lib/pkgconfig" PKG_CONFIG_PATH=""
cmake -S "$root" -B "$build/windows" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_FIND_ROOT_PATH="$qpdf" \
  -DCMAKE_TOOLCHAIN_FILE="$qt/lib/cmake/Qt6/qt.toolchain.cmake" \
  -DQT_CHAINLOAD_TOOLCHAIN_FILE="$here/mingw-w64.cmake" \
  -DVELMORA_SVG_TO_PNG="$build/host-svg-to-png/svg-to-png" >/dev/null
cmake --build "$build/windows" --parallel "$jobs"

# What the installed program needs beside it: the window program and the console one, Qt's DLLs,
# qpdf, the MinGW runtime, the plugins (the windows platform for the window, the offscreen one for the
# console program, the style, and Schannel for secure connections), and the empty bin folder where
# wkhtmltopdf.exe belongs.
dist="$build/dist"
rm -rf "$dist"
mkdir -p "$dist/platforms" "$dist/styles" "$dist/tls" "$dist/bin"
cp "$build/windows/HTML2PDFConverter.exe" "$build/windows/velmora-html2pdf.exe" "$dist/"
cp "$qt"/bin/Qt6{Core,Gui,Widgets,Network}.dll "$qpdf"/bin/qpdf*.dll "$dist/"
cp "$qt/plugins/platforms/qwindows.dll" "$qt/plugins/platforms/qoffscreen.dll" "$dist/platforms/"
cp "$qt/plugins/styles/qwindowsvistastyle.dll" "$dist/styles/"
cp "$qt/plugins/tls/qschannelbackend.dll" "$dist/tls/"
for dll in libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll; do
  cp "$(x86_64-w64-mingw32-g++-posix -print-file-name="$dll")" "$dist/"
done
# Qt (LGPL 3) and qpdf (Apache 2.0, with zlib and libjpeg built into its DLL) go with their licences:
# Debian's copyright files of the sources they were built from, and the licence texts those name.
mkdir -p "$dist/licences"
cp /usr/share/doc/libqt6core6*/copyright "$dist/licences/Qt-copyright.txt"
cp /usr/share/common-licenses/LGPL-3 "$dist/licences/LGPL-3.txt"
cp /usr/share/common-licenses/GPL-3 "$dist/licences/GPL-3.txt"
cp /usr/share/doc/libqpdf-dev/copyright "$dist/licences/qpdf-copyright.txt"
cp /usr/share/common-licenses/Apache-2.0 "$dist/licences/Apache-2.0.txt"
cp /usr/share/doc/libz-mingw-w64-dev/copyright "$dist/licences/zlib-copyright.txt"
cp /usr/share/doc/libjpeg62-turbo-dev/copyright "$dist/licences/libjpeg-copyright.txt"
echo "$build"
