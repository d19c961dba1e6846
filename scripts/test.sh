#!/usr/bin/env bash
# Installs what is missing, builds the editor with its tests and runs every test headless.
# BUILD_DIR and CMAKE_ARGS may be set to build elsewhere or with other options.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
# desktop-file-utils, appstream and python3 check the installed desktop entry, metainfo and icon;
# acl and attr give the saved files ACL entries and attributes to keep.
zrm_install_deps desktop-file-utils appstream python3 acl attr
build_dir="${BUILD_DIR:-build-test}"
# shellcheck disable=SC2086
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=ON ${CMAKE_ARGS:-}
cmake --build "$build_dir" -j2
QT_QPA_PLATFORM=offscreen ctest --test-dir "$build_dir" --output-on-failure -j2
