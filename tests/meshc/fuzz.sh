#!/usr/bin/env bash
# Builds the mesh loader's libFuzzer target with clang (AddressSanitizer on) and runs it on a
# copy of the seed corpus for RUNS inputs (at most 2 minutes). Fails on a crash, a sanitizer
# report, a hang or a broken promise of the loader. With a fixed seed and count the run is the
# same every time, so the test does not flicker; a longer run with another seed explores more:
#   fuzz.sh SOURCE_DIR BUILD_DIR CLANGXX RUNS [SEED]     (RUNS -1: until stopped)
# What longer runs found inside assimp 5.2 is refused before assimp reads the file (precheck.h).
# The seeds are the test models (tests/meshc/models), each behind the byte that picks its format.
set -euo pipefail
src=$1 build=$2 clangxx=$3 runs=$4 seed=${5:-1}

cmake -S "$src/tests/meshc/fuzz" -B "$build" -DCMAKE_CXX_COMPILER="$clangxx" \
  -DCMAKE_BUILD_TYPE= >"$build.configure.log" 2>&1 || { cat "$build.configure.log"; exit 1; }
cmake --build "$build" -j1 --target meshc_fuzz >"$build.build.log" 2>&1 || { cat "$build.build.log"; exit 1; }

corpus=$(mktemp -d)
trap 'rm -rf "$corpus"' EXIT
for model in "$src"/tests/meshc/models/*.*; do
  case ${model##*.} in obj) f=0 ;; ply) f=1 ;; stl) f=2 ;; gltf) f=3 ;; glb) f=4 ;; *) continue ;; esac
  { printf "\\x0$f"; cat "$model"; } >"$corpus/${model##*/}"
done
# Inputs are not shrunk: the fuzzer sees no coverage inside assimp, so shrinking would strip
# the seeds down to the few bytes that reach our own code.
status=0
LSAN_OPTIONS="suppressions=$src/tests/meshc/fuzz/lsan.supp" \
  "$build/meshc_fuzz" -seed="$seed" -runs="$runs" -max_total_time=120 -timeout=10 -rss_limit_mb=2048 \
  -max_len=4096 -reduce_inputs=0 -artifact_prefix="$build/" "$corpus" >"$build.log" 2>&1 ||
  status=$?
grep -E '^Done|^#[0-9]+ *DONE' "$build.log" || true
if [[ $status -ne 0 ]]; then
  grep -v -E '^#[0-9]+ ' "$build.log" | tail -60
  echo "fuzzing failed (seed $seed); the input is saved under $build/"
  exit 1
fi
