#!/usr/bin/env bash
# The editor for 64-bit Windows, cross-built on Debian: installs what is missing, unpacks the Qt
# for Windows (or builds it), builds the editor and its tests (Release) in build-windows, runs
# the tests under wine in a private X server, and makes and checks the zip
# build-windows/zrm-editor-1.0-windows-x64.zip.
#
# The Qt comes from ../shared/windows/ when its tarball is there with the expected checksum;
# otherwise, run by hand, it is built from Debian's source by scripts/build-qt-windows.sh (about
# an hour). In CI (CI set) a missing or different tarball fails at once.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh

qt_version=6.4.2
qt_tarball=../shared/windows/qt-$qt_version-mingw-w64-x86_64.tar.xz
qt_sha256=1817bc0895180f12978e648d8ede42f0f35a4c94bb08227d35b524b6efa8ed17
qt_dir=$PWD/build-windows-qt
build_dir=build-windows
zip=$build_dir/zrm-editor-1.0-windows-x64.zip

# The cross compiler, Qt's host tools (moc, rcc, uic) of the same version, wine, an X server and
# a window manager for the tests, rsvg-convert and icotool for the icon, DejaVu fonts for the
# tests' layouts.
zrm_install_deps g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix qt6-base-dev-tools \
    wine64 xvfb xauth openbox librsvg2-bin icoutils fonts-dejavu-core xz-utils

if [ "$(cat "$qt_dir/sha256" 2>/dev/null)" != "$qt_sha256" ]; then
    rm -rf "$qt_dir" && mkdir -p "$qt_dir"
    tarball=$qt_tarball
    if ! [ -f "$qt_tarball" ] || ! echo "$qt_sha256  $qt_tarball" | sha256sum --quiet -c - >/dev/null 2>&1; then
        problem="$qt_tarball is missing or is not the expected Qt $qt_version for Windows"
        [ -n "${CI:-}" ] && { echo "$problem: stopping (CI does not build Qt)." >&2; exit 1; }
        echo "$problem."
        echo "Building Qt $qt_version for Windows from Debian's source instead: about an hour on 2 cores."
        echo "This adds Debian's source packages to apt (a deb-src line in /etc/apt/sources.list.d/)."
        bash scripts/build-qt-windows.sh "$qt_dir/work"
        tarball=$qt_dir/work/qt-$qt_version-mingw-w64-x86_64.tar.xz
    fi
    echo "Unpacking Qt $qt_version for Windows into $qt_dir"
    tar -C "$qt_dir" -xJf "$tarball" && rm -rf "$qt_dir/work"
    echo "$qt_sha256" >"$qt_dir/sha256"
fi

cmake -S . -B "$build_dir" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
    -DCMAKE_PREFIX_PATH="$qt_dir/prefix" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=ON
cmake --build "$build_dir" -j2

rm -f "$zip"
(cd "$build_dir" && cpack -G ZIP >/dev/null)
bash scripts/check-windows-zip.sh "$zip"

# The tests under wine, in a fresh wine prefix of the build and a private X server with a window
# manager, as on a desktop: without one, wine waits two seconds for each window it hides (for a
# manager to say it is hidden), and tst_window_windows, which shows real windows, takes minutes
# instead of seconds. The tests start once the manager is running.
export WINEPREFIX=$PWD/$build_dir/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
rm -rf "$WINEPREFIX"
/usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1
results=$PWD/$build_dir # the manager starts its command in the home folder
rm -f "$results/ctest-status"
xvfb-run -a -s "-screen 0 1024x768x24" openbox --startup "sh -c 'ctest --test-dir $results \
    --output-on-failure -j2; echo \$? >$results/ctest-status; openbox --exit'"
status=$(cat "$results/ctest-status" 2>/dev/null || echo 1)

/usr/lib/wine/wineserver -k 2>/dev/null || true

[ $status -eq 0 ] || exit $status
echo "$PWD/$zip ($(du -k "$zip" | cut -f1) KiB)"
