#!/usr/bin/env bash
# Debian 12's ExifTool (12.57) does not yet read some layouts we do (70mai A810 blocks, the
# LIGOGPSINFO trailer, GoPro GPS9, Insta360 milliseconds). Where npm is at hand, a newer one from
# the npm registry goes into build-tools/ and is printed, for the tests to compare against; the
# comparisons that need it are skipped otherwise. Never fails the caller.
set -uo pipefail
cd "$(dirname "$0")/.."
dir=build-tools/exiftool
bin="$dir/node_modules/exiftool-vendored.pl/bin"
if [ ! -x "$bin/exiftool" ] && command -v npm >/dev/null 2>&1; then
    mkdir -p "$dir"
    timeout 300 npm install --silent --no-audit --no-fund --prefix "$dir" \
        exiftool-vendored.pl@13.59.3 >/dev/null 2>&1 || true
fi
if [ -x "$bin/exiftool" ] && "$bin/exiftool" -ver >/dev/null 2>&1; then
    echo "$PWD/$bin"
fi
