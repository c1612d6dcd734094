#!/usr/bin/env bash
# Builds the viewer and runs it. For now it renders headless and writes a snapshot PNG.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash scripts/deps.sh build
cmake -S . -B build/run -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build build/run -j"$(nproc)"
out="$root/build/trackview.png"
build/run/tools/snapshot/trackview-snapshot --events "idle 30" -o "$out"
echo "Wrote a snapshot of the viewer to $out"
