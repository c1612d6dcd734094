#!/usr/bin/env bash
# Configures and builds the sanitizer tree: the whole project again with clang, AddressSanitizer
# and UndefinedBehaviorSanitizer, plus the libFuzzer target that only clang can build.
# Usage: build-tree.sh SOURCE_DIR TREE_DIR CLANGXX
set -euo pipefail
source_dir=$1 tree=$2 clangxx=$3
start=$SECONDS
# The cross-built Windows program has no part in the sanitizer runs.
cmake -S "$source_dir" -B "$tree" -DCMAKE_CXX_COMPILER="$clangxx" -DTRACKVIEW_SANITIZE=ON \
    -DTRACKVIEW_WINDOWS_PROGRAM=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$tree" -j2
echo "sanitizer tree built in $((SECONDS - start)) s"
