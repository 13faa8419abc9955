#!/usr/bin/env bash
# Builds the Debian package and checks it: the AppStream metadata and the launcher entry validate,
# the package holds the programs, and (with --install, on a throw-away machine such as CI) apt
# installs it and the installed player and tool start once.
set -euo pipefail
cd "$(dirname "$0")/.."
# BUILD_DIR may name a tree already configured for /usr (the test suite's); otherwise one of
# its own is configured.
build=${BUILD_DIR:-build-package}
if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr >/dev/null
fi
grep -q '^CMAKE_INSTALL_PREFIX:PATH=/usr$' "$build/CMakeCache.txt" \
    || { echo "$build is not configured for /usr"; exit 1; }
cmake --build "$build" -j"$(nproc)" --target zevidud-player zevidud-telemetry zevidud-make-demo
(cd "$build" && cpack -G DEB)
deb=$(ls "$build"/zevidud-player_*.deb | head -n1)
echo "package: $deb"
appstreamcli validate --no-net data/com.dravonix.ZevidudPlayer.metainfo.xml
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate data/zevidud-player.desktop
fi
dpkg-deb --field "$deb" Depends
contents=$(dpkg-deb --contents "$deb")
for f in ./usr/bin/zevidud-player ./usr/bin/zevidud-telemetry \
         ./usr/share/applications/zevidud-player.desktop \
         ./usr/share/metainfo/com.dravonix.ZevidudPlayer.metainfo.xml; do
    grep -q " $f\$" <<<"$contents" || { echo "missing in package: $f"; exit 1; }
done
if [ "${1:-}" = "--install" ]; then
    apt-get install -y "./$deb"
    zevidud-player --version
    zevidud-telemetry --help >/dev/null || true
    export QTWEBENGINE_DISABLE_SANDBOX=1
    timeout 20 xvfb-run -a zevidud-player --version
    # The machine may run the suite again: its tests use their build tree, not this install.
    apt-get remove -y zevidud-player >/dev/null
fi
echo "package checks passed"
