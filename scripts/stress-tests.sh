#!/usr/bin/env bash
# Runs the player, window and map tests (CTest label "gl") N times, two at a time, while another
# process keeps one core busy: the load under which CI's machine runs them. Prints each failing
# round's failed tests and closes with "N passed, N failed", counted in rounds.
# Usage: scripts/stress-tests.sh [rounds]   (default 10; builds build-test first if needed)
set -uo pipefail
cd "$(dirname "$0")/.."
rounds=${1:-10}
build=build-test
bash scripts/build-tests.sh "$build" >/dev/null || exit 1

( while :; do :; done ) &
busy=$!
trap 'kill $busy 2>/dev/null' EXIT

passed=0
failed=0
for round in $(seq 1 "$rounds"); do
    log="$build/stress-$round.log"
    started=$(date +%s)
    if ctest --test-dir "$build" -L '^gl$' -j2 --timeout 900 --output-on-failure >"$log" 2>&1; then
        passed=$((passed + 1))
        echo "round $round: passed in $(( $(date +%s) - started )) s"
    else
        failed=$((failed + 1))
        echo "round $round: failed ($log):"
        grep -E '^FAIL!|\*\*\*Failed|\(Failed\)|\(Timeout\)' "$log" | head -n 20
    fi
done
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
