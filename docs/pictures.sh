#!/usr/bin/env bash
# Regenerates the README's pictures of the viewer (docs/filled.png, wireframe.png, fog.png) with
# the snapshot tool of a build: bash docs/pictures.sh [BUILD_DIR] (default build/run). Renders at
# three times the size and scales down (ImageMagick), so that the wireframe's lines stay visible.
set -euo pipefail
docs=$(cd "$(dirname "$0")" && pwd)
snapshot=${1:-build/run}/tools/snapshot/trackview-snapshot
[[ -x "$snapshot" ]] || { echo "no snapshot tool at $snapshot: build first" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Turn the shell up and to the side so that its opening shows, then draw one frame.
turn="press 384 384; move 384 270; move 507 270; release 507 270"
for picture in "filled:" "wireframe:key p;" "fog:key f;"; do
  name=${picture%%:*}
  "$snapshot" --size 768x768 --events "$turn; ${picture#*:} idle 1" -o "$work/$name.png"
  convert "$work/$name.png" -scale 256x256 -strip "$docs/$name.png"
  echo "wrote $docs/$name.png"
done
