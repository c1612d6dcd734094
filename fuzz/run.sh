#!/usr/bin/env bash
# Runs the core fuzzer for a bounded time from the committed seed corpus. New inputs go to a
# scratch corpus in WORK_DIR, never into the repository; a failing input is saved there too.
# Usage: run.sh FUZZER SEED_CORPUS WORK_DIR SECONDS
set -euo pipefail
fuzzer=$1 seeds=$2 work=$3 seconds=$4
mkdir -p "$work/corpus"
export ASAN_OPTIONS=detect_leaks=1:halt_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
if ! "$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=1024 -print_final_stats=1 \
    -artifact_prefix="$work/" "$work/corpus" "$seeds" >"$work/fuzz.log" 2>&1; then
    tail -n 60 "$work/fuzz.log"
    echo "core fuzzer failed; the input is in $work/ (replay: $fuzzer FILE)" >&2
    exit 1
fi
grep -E '^(#[0-9]+[[:space:]]+DONE|stat::(number_of_executed_units|average_exec_per_sec|peak_rss_mb))' \
    "$work/fuzz.log"
