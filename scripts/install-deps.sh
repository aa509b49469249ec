#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Murmurine
# need, when any is missing. Runs apt-get as root, or through sudo.
set -euo pipefail

packages=(
    build-essential cmake pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-svg-dev libgl-dev
    libxcb1-dev libxcb-xfixes0-dev libxcb-damage0-dev libxcb-shape0-dev
    xvfb xauth xdotool openbox fonts-dejavu-core picom aosd-cat
    poppler-utils
    lintian appstream desktop-file-utils man-db trayer debootstrap
)
packages+=("$@")

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
as_root=()
[ "$(id -u)" -ne 0 ] && as_root=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -qq
"${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
