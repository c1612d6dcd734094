#!/usr/bin/env bash
# Runs one loader fuzzer for a bounded time, seeded from the test models and hostile files of
# its format (tests/loader/). New inputs and a failing one go to WORK_DIR, never into the
# repository; a file that made it fail belongs in tests/loader/hostile/ once mended.
# Usage: run-loader.sh FUZZER FORMAT SOURCE_DIR WORK_DIR SECONDS
set -euo pipefail
fuzzer=$1 format=$2 src=$3 work=$4 seconds=$5
rm -rf "$work/seeds"
mkdir -p "$work/seeds"
find "$src/tests/loader/models" "$src/tests/loader/hostile" -maxdepth 2 -type f -name "*.$format" \
  -exec cp -t "$work/seeds" {} + 2>/dev/null || true
exec bash "$src/fuzz/run.sh" "$fuzzer" "$work/seeds" "$work" "$seconds"
