#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer (preset "asan") and runs
# the whole test suite under it, headless on its own session bus. Any sanitizer report fails the
# leg, also one from a child process (the stand-in host) whose test would otherwise pass: every
# report is written to a log folder that must stay empty. Leak checking is on; the only
# suppressions are leaks Open CASCADE keeps in its own static tables (scripts/asan-suppressions).
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset asan >/dev/null
cmake --build --preset asan

reports="$(mktemp -d)"
trap 'rm -rf "$reports"' EXIT
export ASAN_OPTIONS="halt_on_error=1:abort_on_error=1:detect_leaks=1:log_path=$reports/asan"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1:log_path=$reports/ubsan"
export LSAN_OPTIONS="suppressions=$PWD/scripts/asan-suppressions/lsan.supp:print_suppressions=0"
export QT_QPA_PLATFORM=offscreen
status=0
dbus-run-session -- ctest --preset asan --timeout 600 || status=$?
if compgen -G "$reports/*" >/dev/null; then
    echo "sanitizer reports:" >&2
    cat "$reports"/* >&2
    status=1
fi
exit "$status"
