#!/usr/bin/env bash
# Runs the unit tests (label "unit") and the end-to-end runs marked "sanitized" of the sanitizer
# tree. Any sanitizer report ends its program with a failure, so CTest fails. (The SDL window
# test is not among them: its program can end with llvmpipe's threads still running, and under
# load LeakSanitizer's own thread-stopper then crashes now and again.)
# Usage: run-tree.sh TREE_DIR
set -euo pipefail
tree=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
export ASAN_OPTIONS=detect_leaks=1:halt_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$here/lsan.supp:print_suppressions=0
export LD_PRELOAD=$tree/tests/sanitize/libtrackview_keep_loaded.so
ctest --test-dir "$tree" -L 'unit|sanitized' --no-tests=error --output-on-failure -j2
