#!/usr/bin/env bash
# Builds Qt 6.4.2 (Core, Gui, Widgets, Test; the windows, offscreen and minimal platforms; the
# Windows Vista style) for 64-bit Windows with MinGW-w64, from Debian's own source package of the
# Qt that Debian 12 ships, and packs the installed tree as qt-6.4.2-mingw-w64-x86_64.tar.xz.
# About an hour on 2 cores. scripts/windows.sh runs it when the prebuilt tarball is not at hand;
# the Windows zip ships it as the recipe of its Qt.
#
#   build-qt-windows.sh [WORK]      (WORK defaults to /tmp/qt-mingw; run as root on Debian 12)
set -euo pipefail
work="${1:-/tmp/qt-mingw}"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
mkdir -p "$work" && cd "$work"

# Debian's source packages: the same archive as the binary packages, as deb-src.
if ! grep -rqs "deb-src" /etc/apt/sources.list.d/ /etc/apt/sources.list; then
    echo "Adding Debian's source packages to apt: writing /etc/apt/sources.list.d/debian-src.sources"
    sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources \
        >/etc/apt/sources.list.d/debian-src.sources
fi
apt-get update -qq
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
    g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix qt6-base-dev-tools cmake ninja-build xz-utils
[ -f qt6-base_6.4.2+dfsg.orig.tar.xz ] || apt-get source --download-only qt6-base=6.4.2+dfsg-10
rm -rf qtbase-everywhere-src-6.4.2 && tar -xJf qt6-base_6.4.2+dfsg.orig.tar.xz
src="$work/qtbase-everywhere-src-6.4.2"

# Debian's source leaves out the tablet (wintab) headers: build the Windows platform plugins
# without tablet input. With OpenGL off, Qt 6.4.2's plugin still refers to it under dynamicgl.
win="$src/src/plugins/platforms"
sed -i 's/QT_CONFIG(tabletevent)/0 \/* no wintab headers *\//' \
    "$win/windows/qwindowscontext.cpp" "$win/windows/qwindowspointerhandler.cpp" \
    "$win/windows/qwindowspointerhandler.h"
sed -i 's/CONDITION QT_FEATURE_tabletevent/CONDITION FALSE/' \
    "$win/windows/CMakeLists.txt" "$win/direct2d/CMakeLists.txt"
sed -i 's/^#if QT_CONFIG(dynamicgl)$/#if QT_CONFIG(dynamicgl) \&\& QT_CONFIG(opengl)/' \
    "$win/windows/qwindowswindow.cpp"

cat >mingw.cmake <<'TOOLCHAIN'
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
TOOLCHAIN

rm -rf build prefix
cmake -S "$src" -B build -G Ninja -DCMAKE_TOOLCHAIN_FILE="$work/mingw.cmake" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$work/prefix" -DBUILD_SHARED_LIBS=ON \
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF \
    -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_dbus=OFF -DFEATURE_printsupport=OFF \
    -DFEATURE_opengl=OFF -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF -DFEATURE_vulkan=OFF \
    -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_harfbuzz=OFF \
    -DFEATURE_system_freetype=OFF -DFEATURE_system_png=OFF -DFEATURE_system_jpeg=OFF \
    -DFEATURE_system_doubleconversion=OFF -DFEATURE_testlib=ON
cmake --build build -j"$(nproc)"
cmake --install build
tar -C "$work" -cf - prefix | xz -T0 -6 >"$work/qt-6.4.2-mingw-w64-x86_64.tar.xz"
echo "built: $work/qt-6.4.2-mingw-w64-x86_64.tar.xz (unpacks to prefix/)"
