#!/usr/bin/env bash
# Installs the Debian packages the player, its tests and tools need; only what is missing.
set -euo pipefail

runtime=(build-essential cmake pkg-config
    qtbase5-dev qtbase5-dev-tools qtwebengine5-dev libqt5webchannel5-dev libqt5svg5-dev
    qttools5-dev qttools5-dev-tools libmpv-dev libqcustomplot-dev libjs-leaflet ffmpeg
    xvfb xauth libgl1-mesa-dri fonts-noto-cjk libqt5sql5-sqlite)
testing=(ninja-build clang libclang-rt-14-dev libbenchmark-dev xdotool gpsbabel imagemagick
    libimage-exiftool-perl appstream desktop-file-utils dpkg-dev libqt5sql5-sqlite)

wanted=("${runtime[@]}")
if [ "${1:-}" = "--with-tests" ]; then
    wanted+=("${testing[@]}")
fi

missing=()
for p in "${wanted[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi
echo "Installing: ${missing[*]}"
$sudo apt-get update
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
