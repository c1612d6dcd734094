#!/usr/bin/env bash
# Renders two frames with the snapshot tool under valgrind's memcheck: fails on any memory error
# or definite leak outside the suppressed loader and driver entries.
# Usage: valgrind-snapshot.sh SNAPSHOT_TOOL WORK_DIR
set -euo pipefail
tool=$1 work=$2
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$work"
start=$SECONDS
# keep-debuginfo: the driver is unloaded before the leak check, and its frames must still be
# named for the suppressions to match.
valgrind --error-exitcode=1 --leak-check=full --errors-for-leak-kinds=definite \
    --show-leak-kinds=definite --keep-debuginfo=yes --suppressions="$here/valgrind.supp" \
    "$tool" --events "press 400 400; move 460 420; release 470 430; idle 2" -o "$work/valgrind.png"
test -s "$work/valgrind.png"
echo "valgrind run took $((SECONDS - start)) s"
