#!/usr/bin/env bash
# Installs the Debian packages the editor needs to build and test, when any is missing.
# Sourced by run.sh and test.sh; extra package names may be passed as arguments.
set -euo pipefail

zrm_install_deps() {
    local packages=(cmake ninja-build g++ qt6-base-dev libgl-dev "$@")
    local missing=()
    for p in "${packages[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    echo "Installing: ${missing[*]}"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}
