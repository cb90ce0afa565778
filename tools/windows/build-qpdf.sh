#!/usr/bin/env bash
# Cross-builds qpdf, which the PDF post-processing needs, as one Windows DLL with MinGW-w64, from
# Debian's own source of the same version as the Linux libqpdf-dev. zlib (Debian's MinGW package) and
# libjpeg (Debian's libjpeg-turbo source, built here) are linked into that DLL, so the program carries
# qpdf<N>.dll and nothing else for it. Builds in a cache folder outside the repository and does
# nothing when that is already complete; about 10 minutes on two cores the first time.
# Prints the prefix (with lib/pkgconfig/libqpdf.pc and bin/qpdf<N>.dll) as its last line.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
if [ "$(id -u)" -eq 0 ]; then
  cache="${VELMORA_QPDF_MINGW_CACHE:-/var/cache/velmora-qpdf-mingw}"
else
  cache="${VELMORA_QPDF_MINGW_CACHE:-$HOME/.cache/velmora/qpdf-mingw}"
fi
prefix="$cache/prefix"
jobs="${VELMORA_JOBS:-$(nproc)}"

if [ -f "$prefix/.complete" ]; then
  echo "$prefix"
  exit 0
fi

packages=(g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix dpkg-dev cmake ninja-build
  libz-mingw-w64-dev libqpdf-dev libjpeg62-turbo-dev)
bash "$here/../install-packages.sh" "${packages[@]}"
sysroot=/usr/x86_64-w64-mingw32
mkdir -p "$cache"

# The same versions as the Linux build's.
qpdf_version="$(dpkg-query -W -f='${source:Version}' libqpdf-dev)"
jpeg_version="$(dpkg-query -W -f='${source:Version}' libjpeg62-turbo-dev)"
[ -f "$cache/qpdf-src/CMakeLists.txt" ] ||
  bash "$here/debian-source.sh" "$cache" "qpdf=$qpdf_version" "$cache/qpdf-src"
[ -f "$cache/jpeg-src/CMakeLists.txt" ] ||
  bash "$here/debian-source.sh" "$cache" "libjpeg-turbo=$jpeg_version" "$cache/jpeg-src"

# libjpeg as a static library: no SIMD (that needs nasm), no TurboJPEG interface, no tools.
cmake -S "$cache/jpeg-src" -B "$cache/jpeg-build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$here/mingw-w64.cmake" \
  -DCMAKE_INSTALL_PREFIX="$cache/jpeg" -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_SIMD=OFF -DWITH_TURBOJPEG=OFF >/dev/null
cmake --build "$cache/jpeg-build" --parallel "$jobs" --target jpeg-static
jpeg="$cache/jpeg"
rm -rf "$jpeg"
mkdir -p "$jpeg/include" "$jpeg/lib"
cp "$cache/jpeg-src"/{jpeglib.h,jmorecfg.h,jerror.h} "$cache/jpeg-build/jconfig.h" "$jpeg/include/"
cp "$cache/jpeg-build/libjpeg.a" "$jpeg/lib/"

# qpdf: the shared library only, with its own crypto (no OpenSSL or GnuTLS to carry), and zlib and
# libjpeg found by name, not through pkg-config, so the static zlib is taken rather than its DLL.
# Its configure checks link with "Advapi32", as Windows spells it; MinGW's file names are lower case.
empty_pkgconfig="$cache/no-pkgconfig"
aliases="$cache/library-aliases"
mkdir -p "$empty_pkgconfig" "$aliases"
ln -sf "$sysroot/lib/libadvapi32.a" "$aliases/libAdvapi32.a"
PKG_CONFIG_LIBDIR="$empty_pkgconfig" PKG_CONFIG_PATH="" \
  cmake -S "$cache/qpdf-src" -B "$cache/qpdf-build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$here/mingw-w64.cmake" -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DBUILD_SHARED_LIBS=ON -DBUILD_STATIC_LIBS=OFF -DBUILD_DOC=OFF \
  -DUSE_IMPLICIT_CRYPTO=OFF -DREQUIRE_CRYPTO_NATIVE=ON \
  -DZLIB_H_PATH="$sysroot/include" -DZLIB_LIB_PATH="$sysroot/lib/libz.a" \
  -DLIBJPEG_H_PATH="$jpeg/include" -DLIBJPEG_LIB_PATH="$jpeg/lib/libjpeg.a" \
  -DCMAKE_EXE_LINKER_FLAGS="-L$aliases" -DCMAKE_SHARED_LINKER_FLAGS="-L$aliases" >/dev/null
cmake --build "$cache/qpdf-build" --parallel "$jobs" --target libqpdf
# Laid out by hand: qpdf's own install wants its command-line tool's files too.
rm -rf "$prefix"
mkdir -p "$prefix/bin" "$prefix/lib/pkgconfig" "$prefix/include"
cp "$cache/qpdf-build/libqpdf"/qpdf*.dll "$prefix/bin/"
cp "$cache/qpdf-build/libqpdf/libqpdf.a" "$prefix/lib/libqpdf.dll.a" # the DLL's import library
cp -r "$cache/qpdf-src/include/qpdf" "$prefix/include/"
# zlib and libjpeg are inside the DLL: a program that links it needs neither.
sed '/^Requires.private:/d' "$cache/qpdf-build/libqpdf/libqpdf.pc" >"$prefix/lib/pkgconfig/libqpdf.pc"
echo "qpdf $qpdf_version for MinGW-w64, built $(date -u +%FT%TZ)" >"$prefix/.complete"
echo "$prefix"
