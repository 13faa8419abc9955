#!/usr/bin/env bash
# Installs what is missing, builds everything and runs the whole test suite: unit, GUI (under
# Xvfb) and end-to-end tests through CTest, each fuzz target for a bounded time beside them, and
# the Debian package.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh --with-tests
bash scripts/build-tests.sh build-test
newer=$(bash scripts/newer-exiftool.sh)
if [ -n "$newer" ]; then
    export PATH="$newer:$PATH"
fi
echo "ExifTool for the comparisons: $(exiftool -ver)"

status=0
# The fuzz targets build and run on one core beside the suite: its tests spend most of their
# time waiting for players and pages, and hold two at a time beside a busy core.
FUZZ_JOBS=1 bash scripts/fuzz.sh "${FUZZ_SECONDS:-20}" >build-test/fuzz.log 2>&1 &
fuzz_pid=$!
ctest --test-dir build-test --output-on-failure -j2 --timeout 900 2>&1 | tee build-test/ctest.log \
    || status=1
wait "$fuzz_pid" || status=1
cat build-test/fuzz.log
# The Debian package, made from the suite's tree: built and checked everywhere; installed with
# apt and started only on a throw-away machine (CI), since it installs system-wide.
package_args=()
if [ "${CI:-}" = "true" ]; then
    package_args+=(--install)
fi
package=0
BUILD_DIR=build-test bash scripts/test-package.sh "${package_args[@]}" 2>&1 \
    | tee build-test/package.log || package=1
[ $package -eq 0 ] || status=1

# The failed checks once more at the end, where a log cut short in the middle still shows them.
if grep -qE '^FAIL!' build-test/ctest.log; then
    echo "failed checks:"
    grep -E -A1 '^FAIL!' build-test/ctest.log | grep -vE '^--$' | tail -n 40
fi
# One closing line for the whole run.
summary=$(grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' build-test/ctest.log | tail -n 1)
total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$summary")
failed=$(sed -E 's/.*passed, ([0-9]+) tests failed.*/\1/' <<<"$summary")
fuzz=$(grep -E '^fuzz: [0-9]+ passed, [0-9]+ failed' build-test/fuzz.log | tail -n 1)
fuzz_passed=$(sed -E 's/^fuzz: ([0-9]+) passed.*/\1/' <<<"$fuzz")
fuzz_failed=$(sed -E 's/.*passed, ([0-9]+) failed.*/\1/' <<<"$fuzz")
total=${total:-0}; failed=${failed:-0}; fuzz_passed=${fuzz_passed:-0}; fuzz_failed=${fuzz_failed:-0}
echo "all: $((total - failed + fuzz_passed + 1 - package)) passed, $((failed + fuzz_failed + package)) failed"
exit $status
