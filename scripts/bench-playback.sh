#!/usr/bin/env bash
# Playback cost of the player next to mpv itself, and the pause at a clip boundary.
# Usage: scripts/bench-playback.sh [BUILD_DIR] [SECONDS]
# Builds the benchmark programs in BUILD_DIR (default build-bench), makes a one-minute demo
# recording, and runs both benchmarks under Xvfb. Installs mpv (Debian package) when missing.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-bench}
secs=${2:-30}

if ! command -v mpv >/dev/null; then
    apt-get update
    apt-get install -y --no-install-recommends mpv
fi
cmake -S . -B "$build" -DBUILD_BENCHMARKS=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j2 --target zevidud-make-demo bench_playback_cost bench_clip_boundary

demo=$(mktemp -d -t zevidud-bench.XXXXXX)
trap 'rm -rf "$demo"' EXIT
"$build/tools/make-demo/zevidud-make-demo" "$demo" --minutes 1 >/dev/null
mapfile -t files < <(ls "$demo"/*A.MP4 "$demo"/*B.MP4 "$demo"/*C.MP4)

# A throw-away home: neither program reads the user's configuration.
export HOME="$demo/home" XDG_CONFIG_HOME="$demo/config" XDG_CACHE_HOME="$demo/cache"
mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_CACHE_HOME"
run() { xvfb-run -a -s "-screen 0 1920x1080x24" "$@" 2>/dev/null; }
echo "== playback cost, ${secs} s per run, window 1280x720"
run "$build/bench/player/bench_playback_cost" "$secs" "${files[@]}"
echo "== clip boundaries"
run "$build/bench/player/bench_clip_boundary" 1280 720 4 | grep -E 'ch:|making'
