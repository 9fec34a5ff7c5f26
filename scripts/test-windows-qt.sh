#!/usr/bin/env bash
# The Windows leg of the window program and the stand-in host: builds Qt for MinGW once per machine
# (into the cache outside the checkout), cross-builds the programs and their tests, makes the
# Windows package and its installer, and runs under Wine, on Xvfb with a window manager, the widget
# tests, the check of the programs' version resources and manifests, the program end to end,
# unpacked and as the installer installs it (and its uninstaller removes it), and the setup as
# careless users run it (setup_windows_tests). Uses the Wine prefix of scripts/test-windows.sh;
# every Wine run has a time limit, so a hung Wine program fails the leg instead of stalling it.
set -euo pipefail
cd "$(dirname "$0")/.."

cache=${QUORVEL_CACHE:-/var/cache/quorvel}
if [[ $(id -u) -ne 0 ]]; then
    cache=${QUORVEL_CACHE:-$HOME/.cache/quorvel}
fi
export QUORVEL_CACHE=$cache
export WINEPREFIX=${QUORVEL_WINEPREFIX:-$cache/wine}
export WINEDEBUG=-all
export LANG=ru_RU.UTF-8 # Windows-1251 as the ANSI code page, as on a Russian Windows
# No .NET or browser engine install prompts; no desktop menu entries on this machine for the
# Start-menu shortcut the installer makes.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

if [[ "${1:-}" != --on-display ]]; then
    started=$SECONDS
    bash scripts/install-deps.sh --windows
    bash scripts/windows-qt-deps.sh
    prepared=$SECONDS
    cmake --preset windows -DQUORVEL_CACHE_DIR="$cache" >/dev/null
    cmake --build --preset windows --target quorvel quorvel-cadhost ui_tests program_windows_tests \
        setup_windows_tests version_resource_tests
    # The installer is made from the package folder: this makes both, the zip too.
    cmake --build --preset windows --target windows_installer
    built=$SECONDS
    # One Windows leg at a time per prefix: a second one would end the first one's Wine processes.
    exec 9>"$WINEPREFIX.lock"
    flock -w 1800 9
    status=0
    xvfb-run -a -s "-screen 0 1280x800x24" bash "$0" --on-display || status=$?
    echo "Windows leg of the Qt programs: Qt ready in $((prepared - started)) s, build and" \
         "package in $((built - prepared)) s, tests under Wine in $((SECONDS - built)) s"
    exit "$status"
fi

# On the display: a window manager, and a Wine server whose first process has the display (that
# process decides for the whole server whether windows can be made).
openbox >/dev/null 2>&1 &
window_manager=$!
stop() {
    timeout 60 wineserver -k 2>/dev/null || true
    kill "$window_manager" 2>/dev/null || true
}
trap stop EXIT
timeout 60 wineserver -k 2>/dev/null || true
if [[ ! -f "$WINEPREFIX/system.reg" ]]; then
    echo "Making the Wine prefix $WINEPREFIX"
    timeout 300 wineboot -i </dev/null >/dev/null 2>&1
    timeout 120 wineserver -w
fi
wineserver -p600 </dev/null >/dev/null 2>&1
timeout 120 wine cmd /c exit </dev/null >/dev/null 2>&1 || true
export QUORVEL_WINE_TIMEOUT=600 # the end-to-end program starts several programs
timeout 1800 ctest --preset windows --timeout 600 -L qt
