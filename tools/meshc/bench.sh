#!/usr/bin/env bash
# Measures trackview-meshc on a generated model of 1,000,000 triangles (a wavy 1000 x 500 grid
# of quads, written as OBJ): conversion time and peak memory, then the time and memory to
# compile the generated source with the flags the build gives it. Prints the figures.
# usage: tools/meshc/bench.sh BUILD_DIR   (a configured and built tree, e.g. build/run)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
meshc=$(cd "$1" && pwd)/tools/meshc/trackview-meshc
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

awk 'BEGIN {
  nx = 1000; ny = 500;
  for (j = 0; j <= ny; j++) for (i = 0; i <= nx; i++)
    printf "v %.5f %.5f %.5f\n", i / 10, j / 10, 3 * sin(i / 17) * cos(j / 11);
  for (j = 0; j < ny; j++) for (i = 0; i < nx; i++) {
    a = j * (nx + 1) + i + 1;
    printf "f %d %d %d %d\n", a, a + 1, a + nx + 2, a + nx + 1;
  }
}' > "$work/grid.obj"
echo "model: $(du -h "$work/grid.obj" | cut -f1) OBJ, 1,000,000 triangles"

measure() { # label command...
  local label=$1
  shift
  /usr/bin/time -f "%e %M" -o "$work/time" "$@" > "$work/out" 2>&1 || { cat "$work/out"; exit 1; }
  read -r seconds kilobytes < "$work/time"
  printf '%s: %s s, peak %d MB\n' "$label" "$seconds" $((kilobytes / 1024))
}

measure "convert" "$meshc" "$work/grid.obj" -o "$work/grid.cpp"
cat "$work/out"
echo "source: $(du -h "$work/grid.cpp" | cut -f1)"
measure "compile (${CXX:-c++} -O0 -g0)" "${CXX:-c++}" -std=c++17 -O0 -g0 -I"$root" -c "$work/grid.cpp" -o "$work/grid.o"
echo "object: $(du -h "$work/grid.o" | cut -f1)"
