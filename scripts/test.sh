#!/usr/bin/env bash
# Installs what is missing, builds everything and runs the whole test suite: unit, GUI (under
# Xvfb) and end-to-end tests through CTest, then each fuzz target for a bounded time.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh --with-tests

cmake -S . -B build-test -DBUILD_TESTING=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build-test -j"$(nproc)"
ctest --test-dir build-test --output-on-failure -j2 --timeout 600

bash scripts/fuzz.sh "${FUZZ_SECONDS:-60}"
