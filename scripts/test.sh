#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test (headless, own session bus).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
preset=debug
if [[ "${CI:-}" == "true" ]]; then
    preset=ci
fi
cmake --preset "$preset"
cmake --build --preset "$preset"
export QT_QPA_PLATFORM=offscreen
dbus-run-session -- ctest --preset "$preset" --timeout 300
bash scripts/test-asan.sh
bash scripts/test-fuzz.sh
bash scripts/test-windows.sh # the Windows leg: cross build, tests under Wine
bash scripts/test-windows-qt.sh # the Windows leg of the window program and the host, under Wine
