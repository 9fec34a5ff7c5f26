#!/usr/bin/env bash
# The Windows leg: cross-builds the Qt-free core, the COM transport, the COM stand-in host, their
# tests and the COM benchmark with MinGW-w64, and runs them under Wine, each with a time limit.
# The Wine prefix and the fetched benchmark source live outside the checkout (QUORVEL_CACHE).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh --windows
stage_start=$SECONDS
stages=()
stage() { # records how long the stage just ended took, for the closing line
    stages+=(" $1 $((SECONDS - stage_start))")
    stage_start=$SECONDS
}

cache=${QUORVEL_CACHE:-/var/cache/quorvel}
if [[ $(id -u) -ne 0 ]]; then
    cache=${QUORVEL_CACHE:-$HOME/.cache/quorvel}
fi
mkdir -p "$cache"
export WINEPREFIX=${QUORVEL_WINEPREFIX:-$cache/wine}
export WINEDEBUG=-all
# The ANSI code page follows LANG: ru_RU.UTF-8 gives Windows-1251, as on a Russian Windows.
export LANG=ru_RU.UTF-8
export WINEDLLOVERRIDES="mscoree,mshtml=" # no .NET or browser engine install prompts

# One Windows leg at a time per prefix: a second one would end the first one's Wine processes.
exec 9>"$WINEPREFIX.lock"
flock -w 1800 9
# The persistent server holds the lock while it lives: it ends with this leg, however it ends.
trap 'timeout 60 wineserver -k 2>/dev/null || true' EXIT

# Google Benchmark has no MinGW build in Debian: its Debian source, built inside the cross build.
benchmark_source=$(ls -d "$cache"/benchmark-src/benchmark-* 2>/dev/null | head -n1 || true)
if [[ -z "$benchmark_source" ]]; then
    rm -rf "$cache/benchmark-src"
    benchmark_source=$(bash scripts/debian-source.sh benchmark "$cache/benchmark-src")
fi

# dxflib's source, so that the stand-in host and the exporter write DXF in the Windows build.
QUORVEL_CACHE="$cache" bash scripts/dxflib-source.sh

# Wine processes an earlier run left behind (a host after a crashed test) end here.
timeout 60 wineserver -k 2>/dev/null || true
if [[ ! -f "$WINEPREFIX/system.reg" ]]; then
    echo "Making the Wine prefix $WINEPREFIX"
    timeout 300 wineboot -i </dev/null >/dev/null 2>&1
    timeout 120 wineserver -w # wineboot returns before the prefix is written
fi
# A persistent server (kept 10 minutes after its last client) with its services started now, so
# that none of them inherits a test's pipes.
wineserver -p600 </dev/null >/dev/null 2>&1
timeout 120 wine cmd /c exit </dev/null >/dev/null 2>&1 || true
stage "Wine prefix and benchmark source"

options=(-DQUORVEL_BENCHMARK_SOURCE="$benchmark_source")
if [[ "${CI:-}" == "true" ]]; then
    options+=(-DQUORVEL_WERROR=ON)
fi
cmake --preset windows "${options[@]}"
cmake --build --preset windows
stage "cross build"
status=0
# The Qt programs' tests (label qt) run in scripts/test-windows-qt.sh, on a display.
timeout 1800 ctest --preset windows --timeout 300 -LE qt || status=$?
stage "tests under Wine"

# The benchmark: a 2D run over COM against the stand-in host and as many bare Invoke calls.
# Repetitions in random order, so that a change of the machine's load falls on both alike.
# With Qt for Windows found, Qt's project set-up puts every program in the top build folder.
com_bench=build/windows/bench/com_bench.exe
[[ -f "$com_bench" ]] || com_bench=build/windows/com_bench.exe
timeout 600 scripts/wine-run.sh "$com_bench" --benchmark_min_time=0.5 \
    --benchmark_repetitions=9 --benchmark_enable_random_interleaving=true \
    --benchmark_report_aggregates_only=true || status=$?
stage "benchmark"

timeout 60 wineserver -k 2>/dev/null || true
(IFS=,; echo "Windows leg, seconds per stage: ${stages[*]}")
exit "$status"
