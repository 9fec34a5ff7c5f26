#!/usr/bin/env bash
# Builds the libFuzzer targets (preset "fuzz") and runs each one for a bounded time from a copy of
# its seed corpus, so that the checkout is never written to. Fails on the first sanitizer report,
# crash, leak or hang. FUZZ_SECONDS sets the time per target (default 30).
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${FUZZ_SECONDS:-30}"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

# Corpus copies and the targets' scratch files, in memory where possible.
work="$(mktemp -d -p /dev/shm 2>/dev/null || mktemp -d)"
trap 'rm -rf "$work"' EXIT
export QUORVEL_FUZZ_SCRATCH="$work/scratch"
mkdir -p "$QUORVEL_FUZZ_SCRATCH"
status=0
for seeds in fuzz/corpus/fuzz_*/; do
    target="$(basename "$seeds")"
    binary="build/fuzz/fuzz/$target"
    if [[ ! -x "$binary" ]]; then
        echo "fuzz: $target has a corpus but was not built" >&2
        status=1
        continue
    fi
    corpus="$work/$target"
    mkdir -p "$corpus" "$work/artifacts-$target"
    cp "$seeds"* "$corpus/"
    log="$work/$target.log"
    if "$binary" -max_total_time="$seconds" -timeout=25 -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$work/artifacts-$target/" "$corpus" >"$log" 2>&1; then
        runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)"
        echo "fuzz: $target ok, ${runs:-?} executions in ${seconds} s"
    else
        echo "fuzz: $target FAILED" >&2
        tail -n 60 "$log" >&2
        status=1
    fi
done
exit "$status"
