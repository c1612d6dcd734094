#!/usr/bin/env bash
# All performance figures in one command: a Release build in build/figures, the frame benchmark
# on the headless context, then the desktop figures of the real programs under Xvfb.
# Usage: bench/figures.sh [trackview-bench options, e.g. --rounds 20]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/figures

bash "$root/scripts/deps.sh" build figures
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" -j2 >/dev/null
"$build/bench/trackview-bench" "$@"
echo
bash "$root/bench/desktop-figures.sh" "$build" || echo "desktop figures: not measured (see above)"
