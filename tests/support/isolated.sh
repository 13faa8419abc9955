#!/usr/bin/env bash
# Runs one test with a throw-away HOME and XDG folders; "gl" tests get an Xvfb display
# when none is set. Usage: isolated.sh gl|nogl <test executable> [args...]
set -u
mode=$1; shift
scratch=$(mktemp -d -t zevidud-test.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
export HOME="$scratch/home"
export XDG_CONFIG_HOME="$scratch/config" XDG_DATA_HOME="$scratch/data" XDG_CACHE_HOME="$scratch/cache"
export XDG_RUNTIME_DIR="$scratch/runtime"
mkdir -p "$HOME/Documents" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
export ZEVIDUD_TEST_SCRATCH="$scratch"
# Tests run as root in CI; Chromium's sandbox refuses to start as root.
export QTWEBENGINE_DISABLE_SANDBOX=1
export QTWEBENGINE_CHROMIUM_FLAGS="${QTWEBENGINE_CHROMIUM_FLAGS:-} --disable-gpu --disable-background-networking"
cd "$scratch"
if [ "$mode" = gl ]; then
    export QT_QPA_PLATFORM=xcb
    if [ -z "${DISPLAY:-}" ]; then
        # Tests run two at a time: start the free-display search at a number of our own, so two
        # servers starting together do not race for the same display.
        xvfb-run -a -n $((100 + $$ % 800)) -s "-screen 0 1920x1080x24" "$@"
        exit $?
    fi
else
    export QT_QPA_PLATFORM=offscreen
fi
"$@"
