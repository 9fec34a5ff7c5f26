#!/usr/bin/env bash
# Runs one Windows program under Wine for CTest: with a time limit (a hang fails instead of
# stalling the run), standard input closed, and the program's output through a file, so that no
# Wine process left behind can hold the caller's pipe open.
set -uo pipefail
limit=${QUORVEL_WINE_TIMEOUT:-300}
output=$(mktemp)
trap 'rm -f "$output"' EXIT
timeout --kill-after=10 "$limit" wine "$@" </dev/null >"$output" 2>&1
status=$?
cat "$output"
if ((status == 124 || status == 137)); then
    echo "wine-run: $1 did not finish within $limit s" >&2
fi
exit "$status"
