#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a bounded time (seconds per target,
# FUZZ_JOBS targets at a time, 2 by default) from a seed corpus made by the fixture writer. Fails
# on any crash, hang (> 2 s for one input), leak or other non-zero exit of a target.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
jobs=${FUZZ_JOBS:-2}
cmake -S . -B build-fuzz -DBUILD_GUI=OFF -DBUILD_FUZZERS=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build build-fuzz --target fuzzers -j"$jobs"
corpus=build-fuzz/corpus
rm -rf "$corpus" && mkdir -p "$corpus"
build-fuzz/tests/fuzz/make_seed_corpus "$corpus"

# The largest input of each target: as far as its readers look from what points them there.
# Without a cap libFuzzer takes its largest seed, and an input costs about as much as it is long.
# Layout 4 puts a block 64 KiB behind its chunk (that seed is 80 KiB with its video and moov);
# freeGPS blocks of a recording cut short are probed on 32 KiB boundaries; the metadata-track,
# atom, trailer and sidecar readers follow tables and lines from wherever they are. Slow inputs
# (thousands of tiny samples read one by one) still run, only less often than fast ones.
max_len() {
    case $1 in
        fuzz_readers | fuzz_mp4) echo 81920 ;;
        fuzz_freegps) echo 40960 ;;
        *) echo 16384 ;;
    esac
}

# One target on its own copy of the corpus; its exit code goes to build-fuzz/<target>.rc.
run() {
    local target=$1 name work rc=0
    name=$(basename "$target")
    work="build-fuzz/work-$name"
    rm -rf "$work" && mkdir -p "$work"
    cp -r "$corpus"/. "$work"/
    "$target" -max_total_time="$seconds" -max_len="$(max_len "$name")" \
        -entropic_scale_per_exec_time=1 -timeout=2 -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="build-fuzz/$name-" "$work" > "build-fuzz/$name.log" 2>&1 || rc=$?
    echo "$rc" > "build-fuzz/$name.rc"
}

targets=()
for target in build-fuzz/tests/fuzz/fuzz_*; do
    [ -f "$target" ] && [ -x "$target" ] || continue
    targets+=("$target")
    rm -f "build-fuzz/$(basename "$target").rc"
done
echo "== ${#targets[@]} targets, ${seconds}s each, $jobs at a time"
running=0
for target in "${targets[@]}"; do
    if [ "$running" -ge "$jobs" ]; then
        wait -n
        running=$((running - 1))
    fi
    run "$target" &
    running=$((running + 1))
done
wait

status=0
passed=0
failed=0
for target in "${targets[@]}"; do
    name=$(basename "$target")
    rc=$(cat "build-fuzz/$name.rc" 2>/dev/null || echo missing)
    if [ "$rc" != 0 ]; then
        echo "$name FAILED (exit $rc)"; tail -n 60 "build-fuzz/$name.log"
        status=1; failed=$((failed + 1))
    else
        echo "$name: $(grep -E '^stat::(number_of_executed_units|average_exec_per_sec)' \
            "build-fuzz/$name.log" | awk '{print $2}' | paste -sd' ' \
            | awk '{print $1 " runs, " $2 " exec/s"}')"
        passed=$((passed + 1))
    fi
done
echo "fuzz: $passed passed, $failed failed"
exit $status
