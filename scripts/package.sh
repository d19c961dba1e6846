#!/usr/bin/env bash
# Installs what is missing, builds the editor (Release) in build-release and makes its Debian
# package there; prints the path of the .deb.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
# dpkg-dev and file: CPack computes the package's dependencies with dpkg-shlibdeps.
zrm_install_deps dpkg-dev file
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF
cmake --build build-release -j2
rm -f build-release/*.deb
(cd build-release && cpack -G DEB)
deb=$(ls build-release/*.deb)
echo "$PWD/$deb"
