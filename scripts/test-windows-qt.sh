#!/usr/bin/env bash
# The Windows leg of the window program and the stand-in host: builds Qt for MinGW once per machine
# (into a cache outside the checkout), cross-builds the programs and their tests, makes the Windows
# package, and runs the widget tests and the program end to end under Wine, on Xvfb with a window
# manager. Every Wine run has a time limit, so a hung Wine program fails the leg instead of
# stalling it.
set -euo pipefail
cd "$(dirname "$0")/.."
build=build/windows

if [[ "${1:-}" != --on-display ]]; then
    started=$SECONDS
    packages=(g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix wine googletest xvfb xauth
              openbox locales)
    missing=()
    for package in "${packages[@]}"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
            missing+=("$package")
    done
    if ((${#missing[@]})); then
        apt-get -o DPkg::Lock::Timeout=600 update
        DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 install -y \
            --no-install-recommends "${missing[@]}"
    fi
    bash scripts/windows-qt-deps.sh
    prepared=$SECONDS
    cmake --preset windows >/dev/null
    cmake --build --preset windows
    cmake --build --preset windows --target windows_package
    built=$SECONDS
    xvfb-run -a -s "-screen 0 1280x800x24" bash "$0" --on-display
    echo "Windows leg (Qt programs): Qt ready in $((prepared - started)) s," \
         "build and package $((built - prepared)) s, tests under Wine $((SECONDS - built)) s"
    exit 0
fi

# On the display: a window manager, a Wine prefix of our own, a server that stays up between the
# test programs, and a first Wine process that has the display (it decides for the server).
export WINEPREFIX="$PWD/$build/wine" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export LANG=ru_RU.UTF-8
openbox >/dev/null 2>&1 &
window_manager=$!
stop() {
    timeout 30 wineserver -k 2>/dev/null || true
    kill "$window_manager" 2>/dev/null || true
}
trap stop EXIT
if [[ ! -f "$WINEPREFIX/system.reg" ]]; then
    timeout 300 wineboot -i >/dev/null 2>&1 </dev/null
    timeout 120 wineserver -w
fi
timeout 30 wineserver -p30
timeout 120 wine cmd /c exit >/dev/null 2>&1 </dev/null
timeout 1200 ctest --test-dir "$build" -R '^(ui_tests|program_windows_tests)$' \
    --output-on-failure --timeout 300
