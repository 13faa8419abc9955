#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a bounded time from a seed corpus
# made by the fixture writer. Fails on any crash, hang (> 2 s for one input) or leak.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
cmake -S . -B build-fuzz -DBUILD_GUI=OFF -DBUILD_FUZZERS=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build build-fuzz -j"$(nproc)"
corpus=build-fuzz/corpus
rm -rf "$corpus" && mkdir -p "$corpus"
if [ -x build-fuzz/tests/fuzz/make_seed_corpus ]; then
    build-fuzz/tests/fuzz/make_seed_corpus "$corpus"
fi
status=0
passed=0
failed=0
for target in build-fuzz/tests/fuzz/fuzz_*; do
    [ -f "$target" ] && [ -x "$target" ] || continue
    name=$(basename "$target")
    work="build-fuzz/work-$name"
    rm -rf "$work" && mkdir -p "$work"
    cp -r "$corpus"/. "$work"/ 2>/dev/null || true
    echo "== $name: ${seconds}s"
    if ! "$target" -max_total_time="$seconds" -timeout=2 -rss_limit_mb=2048 -print_final_stats=1 \
            -artifact_prefix="build-fuzz/$name-" "$work" > "build-fuzz/$name.log" 2>&1; then
        echo "$name FAILED"; tail -n 60 "build-fuzz/$name.log"; status=1; failed=$((failed + 1))
    else
        grep -E 'stat::number_of_executed_units|Done' "build-fuzz/$name.log" | tail -n 2 || true
        passed=$((passed + 1))
    fi
done
echo "fuzz: $passed passed, $failed failed"
exit $status
