#!/usr/bin/env bash
# All performance figures in one command: a Release build in build/figures, the frame benchmark
# on the headless context, the snapshot tool on a 1,000,000-triangle model file, the loader on
# the big models of trackview-loadbench, then the desktop figures of the real programs under
# Xvfb, with the built-in mesh, that file and the 10,000,000-triangle PLY.
# Usage: bench/figures.sh [trackview-bench options, e.g. --rounds 20]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/figures

bash "$root/scripts/deps.sh" build figures
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" -j2 >/dev/null
"$build/bench/trackview-bench" "$@"
echo

model=$build/models/torus_1m.obj
mkdir -p "$build/models"
bash "$root/bench/torus.sh" "$model"
/usr/bin/time -f '%e %M' -o "$build/models/time" \
    "$build/tools/snapshot/trackview-snapshot" --model "$model" --size 819x819 -o "$build/models/torus.png"
read -r wall peak <"$build/models/time"
echo "trackview-snapshot --model $(basename "$model") (1,000,000 triangles, $(du -m "$model" | cut -f1) MB)" \
    "at 819x819, the whole process: $wall s, peak resident $((peak / 1024)) MiB"
echo
"$build/bench/trackview-loadbench" --folder "$build/models/load" # writes the models it reads
echo
TRACKVIEW_FIGURE_MODELS=$model:$build/models/load/torus_10m.ply \
    bash "$root/bench/desktop-figures.sh" "$build" ||
    echo "desktop figures: not measured (see above)"
