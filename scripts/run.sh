#!/usr/bin/env bash
# Installs what is missing, builds the editor (Release) and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
zrm_install_deps
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF
cmake --build build-release -j2 --target zrm-editor
exec ./build-release/zrm-editor
