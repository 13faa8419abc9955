#!/usr/bin/env bash
# Installs what is missing, builds the player and starts it (under Xvfb when there is no display).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target zevidud-player zevidud-telemetry zevidud-make-demo
if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1920x1080x24" build/src/app/zevidud-player "$@"
fi
exec build/src/app/zevidud-player "$@"
